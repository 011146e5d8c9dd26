// SPDX-License-Identifier: MIT
#include "platform/common/socketsingleinstance.h"

#include "platform/common/filedescriptor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace tandri {

namespace {

using Clock = std::chrono::steady_clock;

// Sent before the arguments, so that nothing else that connects is taken for a start.
constexpr char greeting[] = "tandri-start";
constexpr char taken = '+';
constexpr qsizetype maxMessage = 64 * 1024;
constexpr size_t maxPending = 16;

QString why(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool lock(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

void unlock(int fd) {
    ::flock(fd, LOCK_UN);
}

sockaddr_un addressOf(const QByteArray& path) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

const sockaddr* generic(const sockaddr_un& address) {
    return reinterpret_cast<const sockaddr*>(&address);
}

QByteArray encode(const QStringList& arguments) {
    QByteArray message(greeting, sizeof greeting);
    for (const QString& argument : arguments) {
        message += argument.toUtf8();
        message += '\0';
    }
    return message;
}

std::optional<QStringList> decode(const QByteArray& message) {
    const QByteArray start(greeting, sizeof greeting);
    if (!message.startsWith(start) || !message.endsWith('\0'))
        return std::nullopt;
    QStringList arguments;
    for (qsizetype from = start.size(); from < message.size();) {
        const qsizetype end = message.indexOf('\0', from);
        arguments << QString::fromUtf8(message.mid(from, end - from));
        from = end + 1;
    }
    return arguments;
}

// Whether the other end of a local socket is this user's process; its id in `pid`.
bool sameUser(int fd, qint64* pid) {
    ucred credentials = {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    if (pid)
        *pid = credentials.pid;
    return credentials.uid == ::getuid();
}

// Whether `fd` became ready for `events` before `deadline`.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd poll = {fd, events, 0};
        const int ready = ::poll(&poll, 1, int(left.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

enum class Delivery { Taken, Gone, Unanswered };

// Sends the command line and waits for the running copy to say that it took it.
Delivery deliver(int fd, const QByteArray& message, Clock::time_point deadline) {
    for (qsizetype sent = 0; sent < message.size();) {
        if (!waitFor(fd, POLLOUT, deadline))
            return Delivery::Unanswered;
        const ssize_t count = ::send(fd, message.constData() + sent, size_t(message.size() - sent),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count < 0 && errno != EAGAIN && errno != EINTR)
            return Delivery::Gone;
        sent += std::max<ssize_t>(count, 0);
    }
    ::shutdown(fd, SHUT_WR);
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline))
            return Delivery::Unanswered;
        char reply = 0;
        const ssize_t count = ::recv(fd, &reply, 1, MSG_DONTWAIT);
        if (count == 1)
            return reply == taken ? Delivery::Taken : Delivery::Gone;
        if (count == 0 || (errno != EAGAIN && errno != EINTR))
            return Delivery::Gone;
    }
}

}  // namespace

struct SocketSingleInstance::State {
    struct Connection {
        FileDescriptor fd;
        QByteArray received;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    FileDescriptor lockFile;
    FileDescriptor server;
    QByteArray socketPath;
    // The socket file this copy made, so that it never removes another's.
    dev_t device = 0;
    ino_t inode = 0;
    std::function<void(const QStringList&)> handler;
    std::unique_ptr<QSocketNotifier> listener;
    std::vector<std::unique_ptr<Connection>> connections;
    // Ended from their own notifier's signal, so deleted at the next turn.
    std::vector<std::unique_ptr<Connection>> ended;

    void listen() {
        listener = std::make_unique<QSocketNotifier>(server.get(), QSocketNotifier::Read);
        QObject::connect(listener.get(), &QSocketNotifier::activated, [this] { acceptAll(); });
    }

    // Never deletes `ended`: the handler, run from one of their signals, may end the watch.
    void stopListening() {
        listener.reset();
        connections.clear();
    }

    void acceptAll() {
        ended.clear();
        for (;;) {
            FileDescriptor fd(
                ::accept4(server.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!fd) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return;
            }
            if (connections.size() >= maxPending || !sameUser(fd.get(), nullptr))
                continue;
            auto connection = std::make_unique<Connection>();
            connection->notifier =
                std::make_unique<QSocketNotifier>(fd.get(), QSocketNotifier::Read);
            connection->fd = std::move(fd);
            Connection* raw = connection.get();
            QObject::connect(raw->notifier.get(), &QSocketNotifier::activated,
                             [this, raw] { read(raw); });
            connections.push_back(std::move(connection));
        }
    }

    void read(Connection* connection) {
        if (!connection->fd)
            return;  // ended already
        ended.clear();
        char buffer[4096];
        ssize_t count = 0;
        for (;;) {
            count = ::recv(connection->fd.get(), buffer, sizeof buffer, 0);
            if (count > 0) {
                connection->received.append(buffer, count);
                if (connection->received.size() > maxMessage) {
                    drop(connection);
                    return;
                }
            } else if (count < 0 && errno == EINTR) {
                continue;
            } else if (count < 0 && errno == EAGAIN) {
                return;  // the rest comes later
            } else {
                break;
            }
        }
        // Only a whole message, ended by the sender, counts.
        const std::optional<QStringList> arguments =
            count == 0 ? decode(connection->received) : std::nullopt;
        if (arguments)
            ::send(connection->fd.get(), &taken, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        drop(connection);
        if (arguments && handler) {
            const auto run = handler;  // the handler may end the watch
            run(*arguments);
        }
    }

    // Called from the connection's own notifier's signal, which must outlive it.
    void drop(Connection* connection) {
        connection->notifier->setEnabled(false);
        connection->fd.close();
        const auto at = std::find_if(connections.begin(), connections.end(),
                                     [connection](const auto& c) { return c.get() == connection; });
        ended.push_back(std::move(*at));
        connections.erase(at);
    }

    ~State() {
        stopListening();
        ended.clear();
        if (!server)
            return;
        // Under the lock, so that a start in between finds either this copy or no socket.
        lock(lockFile.get());
        struct stat info = {};
        if (::stat(socketPath.constData(), &info) == 0 && info.st_dev == device &&
            info.st_ino == inode)
            ::unlink(socketPath.constData());
        server.close();
        unlock(lockFile.get());
    }
};

class SocketSingleInstance::Watch : public Monitor {
public:
    explicit Watch(std::weak_ptr<State> state) : state_(std::move(state)) {}
    ~Watch() override {
        if (auto state = state_.lock()) {
            state->handler = nullptr;
            state->stopListening();
        }
    }

private:
    std::weak_ptr<State> state_;
};

SocketSingleInstance::SocketSingleInstance() : state_(std::make_shared<State>()) {}

SocketSingleInstance::~SocketSingleInstance() = default;

QString SocketSingleInstance::runtimeFolder(QString* problem) {
    const uid_t user = ::getuid();
    struct stat info = {};
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && ::stat(runtime.constData(), &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == user && (info.st_mode & 077) == 0)
        return QFile::decodeName(runtime);

    // Made by this user and entered by nobody else; one made by someone else is not used.
    const QByteArray folder = "/tmp/tandri-" + QByteArray::number(user);
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
        *problem = why(QStringLiteral("cannot make ") + QFile::decodeName(folder));
        return {};
    }
    const FileDescriptor fd(
        ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd || ::fstat(fd.get(), &info) != 0 || info.st_uid != user) {
        *problem = QFile::decodeName(folder) + QStringLiteral(" is not a folder of this user's");
        return {};
    }
    if ((info.st_mode & 077) != 0 && ::fchmod(fd.get(), 0700) != 0) {
        *problem = why(QStringLiteral("cannot make ") + QFile::decodeName(folder) +
                       QStringLiteral(" private"));
        return {};
    }
    return QFile::decodeName(folder);
}

SingleInstance::Claim SocketSingleInstance::claim(const QString& desktop,
                                                  const QStringList& arguments) {
    Claim result;
    const QString folder = runtimeFolder(&result.problem);
    if (folder.isEmpty())
        return result;
    const QString base = folder + QStringLiteral("/tandri-") + desktop;
    const QByteArray socketPath = QFile::encodeName(base + QStringLiteral(".socket"));
    if (size_t(socketPath.size()) >= sizeof(sockaddr_un::sun_path)) {
        result.problem = QStringLiteral("the path ") + QFile::decodeName(socketPath) +
                         QStringLiteral(" is too long for a socket");
        return result;
    }
    const QByteArray lockPath = QFile::encodeName(base + QStringLiteral(".lock"));
    FileDescriptor lockFile(
        ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lockFile) {
        result.problem = why(QStringLiteral("cannot open ") + QFile::decodeName(lockPath));
        return result;
    }

    const sockaddr_un address = addressOf(socketPath);
    const QByteArray message = encode(arguments);
    const auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMs);
    for (;;) {
        if (!lock(lockFile.get())) {
            result.problem = why(QStringLiteral("cannot lock ") + QFile::decodeName(lockPath));
            return result;
        }
        FileDescriptor client(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!client) {
            result.problem = why(QStringLiteral("cannot make a socket"));
            unlock(lockFile.get());
            return result;
        }
        if (::connect(client.get(), generic(address), sizeof address) == 0) {
            unlock(lockFile.get());
            if (!sameUser(client.get(), &result.runningPid)) {
                result.problem = QFile::decodeName(socketPath) +
                                 QStringLiteral(" is served by another user's process");
                return result;
            }
            switch (deliver(client.get(), message, deadline)) {
                case Delivery::Taken:
                    result.outcome = Outcome::HandedOver;
                    return result;
                case Delivery::Unanswered:
                    result.outcome = Outcome::NoAnswer;
                    result.problem = QStringLiteral("the running copy did not answer");
                    return result;
                case Delivery::Gone:
                    // It was quitting: the next start runs, and this may be it. A copy that
                    // turns starts away for as long as they wait has not answered either.
                    if (Clock::now() >= deadline) {
                        result.outcome = Outcome::NoAnswer;
                        result.problem = QStringLiteral("the running copy did not answer");
                        return result;
                    }
                    ::poll(nullptr, 0, 10);
                    continue;
            }
        }
        if (errno != ECONNREFUSED && errno != ENOENT) {
            result.problem = why(QStringLiteral("cannot reach ") + QFile::decodeName(socketPath));
            unlock(lockFile.get());
            return result;
        }

        // Nobody answers: no copy runs, or one ended without tidying up.
        ::unlink(socketPath.constData());
        FileDescriptor server(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        struct stat info = {};
        if (!server || ::bind(server.get(), generic(address), sizeof address) != 0 ||
            ::listen(server.get(), SOMAXCONN) != 0 || ::stat(socketPath.constData(), &info) != 0) {
            result.problem =
                why(QStringLiteral("cannot serve on ") + QFile::decodeName(socketPath));
            unlock(lockFile.get());
            return result;
        }
        unlock(lockFile.get());
        state_->lockFile = std::move(lockFile);
        state_->server = std::move(server);
        state_->socketPath = socketPath;
        state_->device = info.st_dev;
        state_->inode = info.st_ino;
        result.outcome = Outcome::Serving;
        return result;
    }
}

std::unique_ptr<Monitor> SocketSingleInstance::watch(
    std::function<void(const QStringList&)> handler) {
    state_->handler = std::move(handler);
    if (state_->server && !state_->listener)
        state_->listen();
    return std::make_unique<Watch>(state_);
}

}  // namespace tandri
