// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace tandri::wayland {

/// sway's IPC: a Unix socket (`$SWAYSOCK`) carrying messages of a 14-byte header ("i3-ipc", the
/// payload's length and the message type, both 32-bit in the machine's byte order) and a JSON
/// payload. Events a client subscribed to carry types with the highest bit set. Pure functions
/// and a blocking request; any thread.
namespace SwayIPC {

enum Type : quint32 { Subscribe = 2, GetTree = 4, GetConfig = 9 };
constexpr quint32 eventBit = 0x80000000u;

/// The socket of this session: `$SWAYSOCK`, empty when sway does not run here.
QString socketPath();

/// One message ready to be written.
QByteArray encode(quint32 type, const QByteArray& payload = {});

struct Message {
    quint32 type = 0;
    QByteArray payload;
};
/// Takes the first whole message off the front of `buffer`; absent while it is incomplete.
/// Bytes that are no message (a wrong magic string) empty the buffer and give nothing.
std::optional<Message> take(QByteArray& buffer);

/// Sends one request on a connection of its own and waits at most `timeoutMs` for its answer;
/// absent when sway does not answer, with `problem` saying why.
std::optional<QByteArray> request(const QString& socket, quint32 type, int timeoutMs = 2000,
                                  QString* problem = nullptr);

}  // namespace SwayIPC
}  // namespace tandri::wayland
