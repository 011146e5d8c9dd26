// SPDX-License-Identifier: MIT
#pragma once

#include "platform/singleinstance.h"

namespace tandri {

/// One copy per user and desktop through a lock file and a local socket in the user's runtime
/// folder. Whether a copy answers on the socket is asked, and the socket bound when none does,
/// under the lock, so two starts at the same instant cannot both run. A crashed copy leaves a
/// socket that nobody answers and a lock that the system has let go; the next start takes both.
class SocketSingleInstance : public SingleInstance {
public:
    /// How long a later start waits for the running copy, which may itself be starting, to take
    /// its command line.
    static constexpr int answerTimeoutMs = 30000;

    SocketSingleInstance();
    ~SocketSingleInstance() override;
    SocketSingleInstance(const SocketSingleInstance&) = delete;
    SocketSingleInstance& operator=(const SocketSingleInstance&) = delete;

    Claim claim(const QString& desktop, const QStringList& arguments) override;
    [[nodiscard]] std::unique_ptr<Monitor> watch(
        std::function<void(const QStringList&)> handler) override;

    /// $XDG_RUNTIME_DIR when it is the user's own, else a private folder of the user's under
    /// /tmp; empty, with `problem` set, when neither can be had.
    static QString runtimeFolder(QString* problem);

private:
    struct State;
    class Watch;
    std::shared_ptr<State> state_;
};

}  // namespace tandri
