// SPDX-License-Identifier: MIT
#include "platform/wayland/swaytree.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/wayland/swayipc.h"

namespace tandri::wayland {

namespace {

QRect rectOf(const QJsonValue& value) {
    const QJsonObject rect = value.toObject();
    return QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                 rect.value(QStringLiteral("width")).toInt(),
                 rect.value(QStringLiteral("height")).toInt());
}

void collect(const QJsonObject& node, QString output, QPoint origin,
             std::vector<SwayTree::Window>& into) {
    const QString type = node.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("output")) {
        output = node.value(QStringLiteral("name")).toString();
        origin = rectOf(node.value(QStringLiteral("rect"))).topLeft();
    }
    // A window is a container with a program's surface: it has a process (an X11 one its class).
    if ((type == QLatin1String("con") || type == QLatin1String("floating_con")) &&
        node.contains(QStringLiteral("pid"))) {
        SwayTree::Window window;
        window.id = node.value(QStringLiteral("id")).toInteger();
        window.appID = node.value(QStringLiteral("app_id")).toString();
        if (window.appID.isEmpty()) {
            window.appID = node.value(QStringLiteral("window_properties"))
                               .toObject()
                               .value(QStringLiteral("class"))
                               .toString();
        }
        window.title = node.value(QStringLiteral("name")).toString();
        window.pid = node.value(QStringLiteral("pid")).toInt();
        const QRect outer = rectOf(node.value(QStringLiteral("rect")));
        const QRect inner = rectOf(node.value(QStringLiteral("window_rect")));
        window.rect = inner.isEmpty() ? outer : inner.translated(outer.topLeft());
        window.output = output;
        window.outputOrigin = origin;
        window.visible = node.value(QStringLiteral("visible")).toBool();
        into.push_back(std::move(window));
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
            collect(child.toObject(), output, origin, into);
    }
}

}  // namespace

std::vector<SwayTree::Window> SwayTree::parse(const QByteArray& json) {
    std::vector<Window> windows;
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (document.isObject())
        collect(document.object(), {}, {}, windows);
    return windows;
}

std::map<quint32, SwayTree::Window> SwayTree::match(
    const std::vector<ForeignToplevels::Toplevel>& toplevels, const std::vector<Window>& windows) {
    std::map<QString, std::vector<const ForeignToplevels::Toplevel*>> toplevelsOf;
    std::map<QString, std::vector<const Window*>> windowsOf;
    for (const auto& toplevel : toplevels) toplevelsOf[toplevel.appID].push_back(&toplevel);
    for (const auto& window : windows) windowsOf[window.appID].push_back(&window);
    std::map<quint32, Window> matched;
    for (auto& [appID, own] : toplevelsOf) {
        std::vector<const Window*>& candidates = windowsOf[appID];
        std::sort(own.begin(), own.end(), [](auto* a, auto* b) { return a->id < b->id; });
        std::sort(candidates.begin(), candidates.end(),
                  [](auto* a, auto* b) { return a->id < b->id; });
        bool inOrder = own.size() == candidates.size();
        for (std::size_t i = 0; inOrder && i < own.size(); ++i)
            inOrder = own[i]->title == candidates[i]->title;
        for (std::size_t i = 0; i < own.size(); ++i) {
            if (inOrder) {
                matched.emplace(own[i]->id, *candidates[i]);
                continue;
            }
            const Window* only = nullptr;
            int count = 0;
            for (const Window* window : candidates) {
                if (window->title == own[i]->title) {
                    only = window;
                    ++count;
                }
            }
            if (count == 1)
                matched.emplace(own[i]->id, *only);
        }
    }
    return matched;
}

SwayTree::SwayTree(const QString& socket) {
    if (socket.isEmpty())
        return;
    // The first tree before anything asks, so that the windows there are known from the start.
    if (const auto tree = SwayIPC::request(socket, SwayIPC::GetTree))
        windows_ = parse(*tree);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socket.toLocal8Bit();
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return;
    std::memcpy(address.sun_path, path.constData(), path.size());
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return;
    socket_ = std::move(fd);
    connected_ = true;
    notifier_ = std::make_unique<QSocketNotifier>(socket_.get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readable(); });
    send(SwayIPC::Subscribe, QByteArrayLiteral(R"(["window","workspace"])"));
    refresh();
}

SwayTree::~SwayTree() = default;

bool SwayTree::connected() const {
    return connected_;
}

std::vector<SwayTree::Window> SwayTree::windows() const {
    std::lock_guard lock(mutex_);
    return windows_;
}

void SwayTree::send(quint32 type, const QByteArray& payload) {
    // Requests are a few bytes; sway reads them at once.
    const QByteArray message = SwayIPC::encode(type, payload);
    if (::send(socket_.get(), message.constData(), message.size(), MSG_NOSIGNAL) != message.size())
        disconnect();
}

void SwayTree::refresh() {
    if (!socket_)
        return;
    // One request at a time: a change heard meanwhile asks again once the answer is in.
    if (asking_) {
        askAgain_ = true;
        return;
    }
    asking_ = true;
    send(SwayIPC::GetTree);
}

void SwayTree::readable() {
    char chunk[65536];
    const ssize_t got = ::recv(socket_.get(), chunk, sizeof chunk, MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
        return disconnect();
    if (got > 0)
        received_.append(chunk, got);
    while (auto message = SwayIPC::take(received_)) {
        if (message->type & SwayIPC::eventBit) {
            refresh();
        } else if (message->type == SwayIPC::GetTree) {
            std::vector<Window> windows = parse(message->payload);
            {
                std::lock_guard lock(mutex_);
                windows_ = std::move(windows);
            }
            asking_ = false;
            if (std::exchange(askAgain_, false))
                refresh();
        }
    }
}

void SwayTree::disconnect() {
    connected_ = false;
    // Without sway nothing is known of its windows any more.
    // Called from the notifier's own signal, so it goes once that returns.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    socket_.close();
    std::lock_guard lock(mutex_);
    windows_.clear();
}

}  // namespace tandri::wayland
