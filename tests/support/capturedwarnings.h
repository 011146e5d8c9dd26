// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QtGlobal>
#include <utility>

namespace tandri::testing {

/// Collects the program's warnings (what it writes to stderr through Qt) while it lives.
class CapturedWarnings {
public:
    CapturedWarnings() { previous_ = qInstallMessageHandler(&CapturedWarnings::collect); }
    ~CapturedWarnings() { qInstallMessageHandler(previous_); }
    CapturedWarnings(const CapturedWarnings&) = delete;
    CapturedWarnings& operator=(const CapturedWarnings&) = delete;

    /// The lines since the last call, which forgets them.
    QStringList take() { return std::exchange(lines(), {}); }

private:
    static QStringList& lines() {
        static QStringList collected;
        return collected;
    }
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg)
            lines() << message;
    }

    QtMessageHandler previous_ = nullptr;
};

}  // namespace tandri::testing
