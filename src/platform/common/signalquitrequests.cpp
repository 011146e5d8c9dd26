// SPDX-License-Identifier: MIT
#include "platform/common/signalquitrequests.h"

#include "platform/common/handlerlist.h"

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

#include <QSocketNotifier>
#include <cerrno>
#include <iterator>
#include <map>
#include <vector>

namespace tandri {

namespace {

// Written by the signal handler, so a plain int set before the handler is installed.
int wakeFD = -1;

// The window manager or a script asks with SIGTERM, a terminal's Ctrl-C with SIGINT.
constexpr int quitSignals[] = {SIGTERM, SIGINT};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wakeFD, &byte, 1);
    errno = saved;
}

}  // namespace

struct SignalQuitRequests::State {
    int pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previous[std::size(quitSignals)] = {};
    HandlerList<std::function<void()>> handlers;

    void install() {
        if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        wakeFD = pipe[1];
        notifier = std::make_unique<QSocketNotifier>(pipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(quitSignals); ++i) {
            sigaction(quitSignals[i], nullptr, &previous[i]);
            // A shell starting a program in the background of a script has it ignore Ctrl-C,
            // which is meant for the script alone.
            if (quitSignals[i] == SIGINT && previous[i].sa_handler == SIG_IGN)
                continue;
            sigaction(quitSignals[i], &action, nullptr);
        }
    }

    void uninstall() {
        if (pipe[0] < 0)
            return;
        for (size_t i = 0; i < std::size(quitSignals); ++i)
            sigaction(quitSignals[i], &previous[i], nullptr);
        notifier.reset();
        wakeFD = -1;
        ::close(pipe[0]);
        ::close(pipe[1]);
        pipe[0] = pipe[1] = -1;
    }

    void drain() {
        char buffer[64];
        bool any = false;
        while (::read(pipe[0], buffer, sizeof buffer) > 0) any = true;
        if (!any)
            return;
        handlers.each([](const auto& handler) {
            handler();
            return false;
        });
    }
};

class SignalQuitRequests::Watch : public Monitor {
public:
    Watch(std::weak_ptr<State> state, int id) : state_(std::move(state)), id_(id) {}
    ~Watch() override {
        auto state = state_.lock();
        if (!state)
            return;
        state->handlers.remove(id_);
        if (state->handlers.empty())
            state->uninstall();
    }

private:
    std::weak_ptr<State> state_;
    int id_;
};

SignalQuitRequests::SignalQuitRequests() : state_(std::make_shared<State>()) {}

SignalQuitRequests::~SignalQuitRequests() {
    state_->uninstall();
}

std::unique_ptr<Monitor> SignalQuitRequests::watch(std::function<void()> handler) {
    if (state_->handlers.empty())
        state_->install();
    const int id = state_->handlers.add(std::move(handler));
    return std::make_unique<Watch>(state_, id);
}

}  // namespace tandri
