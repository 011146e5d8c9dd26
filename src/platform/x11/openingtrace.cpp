// SPDX-License-Identifier: MIT
#include "platform/x11/openingtrace.h"

#include <QByteArray>
#include <chrono>
#include <cstdio>

namespace tandri::x11::OpeningTrace {

namespace {

using Clock = std::chrono::steady_clock;

struct Trace {
    bool enabled = qEnvironmentVariableIsSet("TANDRI_TRACE");
    bool running = false;
    Clock::time_point start;
    QByteArray line;
};

Trace& trace() {
    static Trace instance;
    return instance;
}

}  // namespace

void begin() {
    Trace& t = trace();
    if (!t.enabled)
        return;
    t.running = true;
    t.start = Clock::now();
    t.line = "tandri trace (ms from the press):";
}

void mark(const char* step) {
    Trace& t = trace();
    if (!t.running)
        return;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t.start).count();
    t.line += ' ' + QByteArray(step) + ' ' + QByteArray::number(ms, 'f', 2);
}

void end(const char* step) {
    Trace& t = trace();
    if (!t.running)
        return;
    mark(step);
    t.running = false;
    std::fprintf(stderr, "%s\n", t.line.constData());
    std::fflush(stderr);
}

}  // namespace tandri::x11::OpeningTrace
