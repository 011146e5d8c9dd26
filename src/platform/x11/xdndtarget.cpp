// SPDX-License-Identifier: MIT
#include "platform/x11/xdndtarget.h"

#include <algorithm>

#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

constexpr const char* uriListType = "text/uri-list";
/// Where the dropped data is put on the window.
constexpr const char* dropProperty = "TANDRI_XDND_DROP";
/// The most of the dropped data read, in 32-bit units: a long list of files, never the whole
/// memory a broken source claims.
constexpr long dropLength = 1 << 22;

}  // namespace

XdndTarget::XdndTarget(X11Connection& connection, XID window, Clock& clock,
                       const OverlayHandlers& handlers)
    : connection_(connection), window_(window), clock_(clock), handlers_(handlers) {
    const unsigned long aware = version;
    XChangeProperty(connection_.display(), window_, connection_.atom("XdndAware"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&aware), 1);
    connection_.flush();
}

XdndTarget::~XdndTarget() {
    if (dropping_)
        finish(false);
    XDeleteProperty(connection_.display(), window_, connection_.atom("XdndAware"));
    connection_.flush();
}

bool XdndTarget::handle(XEvent& event) {
    if (event.type == SelectionNotify) {
        if (event.xselection.requestor != window_ ||
            event.xselection.selection != connection_.atom("XdndSelection"))
            return false;
        dataArrived(event);
        return true;
    }
    if (event.type != ClientMessage || event.xclient.window != window_ ||
        event.xclient.format != 32)
        return false;
    const XAtom type = event.xclient.message_type;
    if (type == connection_.atom("XdndEnter"))
        entered(event);
    else if (type == connection_.atom("XdndPosition"))
        moved(event);
    else if (type == connection_.atom("XdndLeave"))
        left(event);
    else if (type == connection_.atom("XdndDrop"))
        dropped(event);
    else
        return false;
    return true;
}

std::vector<QUrl> XdndTarget::fileUrls(const QByteArray& uriList) {
    std::vector<QUrl> urls;
    for (const QByteArray& line : uriList.split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.isEmpty() || text.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(text);
        if (url.isValid() && url.isLocalFile())
            urls.push_back(url);
    }
    return urls;
}

void XdndTarget::entered(const XEvent& event) {
    const long* data = event.xclient.data.l;
    // A new drag: one still waiting for its data is given up.
    if (dropping_)
        finish(false);
    source_ = XID(data[0]);
    accepted_ = 0;
    std::vector<XAtom> types;
    if (data[1] & 1)
        types = connection_.atoms(source_, "XdndTypeList");
    else
        types.assign(data + 2, data + 5);
    offersFiles_ = std::ranges::find(types, connection_.atom(uriListType)) != types.end();
}

void XdndTarget::moved(const XEvent& event) {
    const long* data = event.xclient.data.l;
    if (source_ == 0 || XID(data[0]) != source_ || dropping_)
        return;
    accepted_ = offersFiles_ ? action() : 0;
    // Positions wanted everywhere (bit 1, no rectangle): the aimed entry changes with them.
    send(source_, "XdndStatus", (accepted_ ? 1 : 0) | 2, 0, 0, long(accepted_));
}

void XdndTarget::left(const XEvent& event) {
    if (XID(event.xclient.data.l[0]) != source_ || dropping_)
        return;
    source_ = 0;
    accepted_ = 0;
}

void XdndTarget::dropped(const XEvent& event) {
    const long* data = event.xclient.data.l;
    if (source_ == 0 || XID(data[0]) != source_ || dropping_) {
        // Not the drag this window knows: its source still learns that nothing was taken.
        send(XID(data[0]), "XdndFinished", 0);
        return;
    }
    if (!accepted_) {
        finish(false);
        return;
    }
    dropping_ = true;
    XConvertSelection(connection_.display(), connection_.atom("XdndSelection"),
                      connection_.atom(uriListType), connection_.atom(dropProperty), window_,
                      Time(data[2]));
    connection_.flush();
    timeout_ = clock_.schedule(patience, [this] { finish(false); });
}

void XdndTarget::dataArrived(const XEvent& event) {
    if (!dropping_)
        return;
    const XSelectionEvent& selection = event.xselection;
    std::vector<QUrl> urls;
    if (selection.property != 0) {
        const auto data = WindowProperty::read(connection_.display(), window_, selection.property,
                                               0, dropLength, true);
        // Data handed over in steps (INCR) is far more than a list of files: not taken.
        if (data.type() != connection_.atom("INCR"))
            urls = fileUrls(data.bytes());
    }
    bool taken = false;
    // A copy: the handler may replace the handlers while it runs.
    if (auto drop = handlers_.drop; drop && !urls.empty())
        taken = drop(urls);
    finish(taken);
}

XAtom XdndTarget::action() {
    // A copy: the handler may replace the handlers while it runs.
    auto dragOperation = handlers_.dragOperation;
    if (!dragOperation)
        return 0;
    const DragOperation operation = dragOperation();
    if (operation == DragOperation::Copy)
        return connection_.atom("XdndActionCopy");
    if (operation == DragOperation::Move)
        return connection_.atom("XdndActionMove");
    return 0;
}

void XdndTarget::finish(bool accepted) {
    timeout_.reset();
    if (source_ != 0)
        send(source_, "XdndFinished", accepted ? 1 : 0, accepted ? long(accepted_) : 0);
    source_ = 0;
    accepted_ = 0;
    dropping_ = false;
}

void XdndTarget::send(XID to, const char* type, long d1, long d2, long d3, long d4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = to;
    event.xclient.message_type = connection_.atom(type);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(window_);
    event.xclient.data.l[1] = d1;
    event.xclient.data.l[2] = d2;
    event.xclient.data.l[3] = d3;
    event.xclient.data.l[4] = d4;
    XSendEvent(connection_.display(), to, False, NoEventMask, &event);
    connection_.flush();
}

}  // namespace tandri::x11
