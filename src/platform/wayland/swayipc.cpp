// SPDX-License-Identifier: MIT
#include "platform/wayland/swayipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <QDeadlineTimer>
#include <cerrno>
#include <cstring>

#include "platform/common/filedescriptor.h"

namespace tandri::wayland::SwayIPC {

namespace {

constexpr char magic[] = "i3-ipc";
constexpr qsizetype magicSize = 6;
constexpr qsizetype headerSize = magicSize + 8;
// A tree of thousands of windows stays far below this; more is a broken stream.
constexpr quint32 largestPayload = 64u << 20;

}  // namespace

QString socketPath() {
    return qEnvironmentVariable("SWAYSOCK");
}

QByteArray encode(quint32 type, const QByteArray& payload) {
    QByteArray message(magic, magicSize);
    const auto length = quint32(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    return message + payload;
}

std::optional<Message> take(QByteArray& buffer) {
    if (buffer.size() < headerSize)
        return std::nullopt;
    quint32 length = 0;
    Message message;
    std::memcpy(&length, buffer.constData() + magicSize, sizeof length);
    std::memcpy(&message.type, buffer.constData() + magicSize + 4, sizeof message.type);
    if (std::memcmp(buffer.constData(), magic, magicSize) != 0 || length > largestPayload) {
        buffer.clear();
        return std::nullopt;
    }
    if (buffer.size() < headerSize + qsizetype(length))
        return std::nullopt;
    message.payload = buffer.mid(headerSize, length);
    buffer.remove(0, headerSize + length);
    return message;
}

std::optional<QByteArray> request(const QString& socket, quint32 type, int timeoutMs,
                                  QString* problem) {
    const auto fail = [&](const QString& why) -> std::optional<QByteArray> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socket.toLocal8Bit();
    if (path.isEmpty() || path.size() >= qsizetype(sizeof address.sun_path))
        return fail(QStringLiteral("no usable sway socket (SWAYSOCK is not set)"));
    std::memcpy(address.sun_path, path.constData(), path.size());
    FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd || ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return fail(QStringLiteral("cannot reach sway at %1: %2").arg(socket, strerror(errno)));
    const QDeadlineTimer deadline(timeoutMs);
    const auto wait = [&](short events) {
        pollfd entry{fd.get(), events, 0};
        while (true) {
            const int left = int(deadline.remainingTime());
            const int ready = ::poll(&entry, 1, left);
            if (ready >= 0 || errno != EINTR)
                return ready > 0;
        }
    };
    QByteArray out = encode(type);
    while (!out.isEmpty()) {
        const ssize_t sent = ::send(fd.get(), out.constData(), out.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EINTR)
            return fail(QStringLiteral("sway closed its socket"));
        if (sent > 0)
            out.remove(0, sent);
        else if (!wait(POLLOUT))
            return fail(QStringLiteral("sway did not answer in time"));
    }
    QByteArray in;
    char chunk[65536];
    while (true) {
        if (auto message = take(in); message && message->type == type)
            return std::move(message->payload);
        const ssize_t got = ::recv(fd.get(), chunk, sizeof chunk, 0);
        if (got > 0) {
            in.append(chunk, got);
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            return fail(QStringLiteral("sway closed its socket"));
        } else if (!wait(POLLIN)) {
            return fail(QStringLiteral("sway did not answer in time"));
        }
    }
}

}  // namespace tandri::wayland::SwayIPC
