// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/screens.h"

namespace tandri {

/// Keeps the program to one running copy per user and desktop: the first start runs, and each
/// later one hands its command line to it instead.
class SingleInstance {
public:
    enum class Outcome {
        /// This copy is the one that runs.
        Serving,
        /// Another copy runs and has taken the command line.
        HandedOver,
        /// Another copy runs but did not take the command line in time.
        NoAnswer,
        /// Copies cannot be kept apart here; this one runs regardless.
        Unavailable,
    };
    struct Claim {
        Outcome outcome = Outcome::Unavailable;
        /// The copy that runs, for `HandedOver` and `NoAnswer`; 0 when unknown.
        qint64 runningPid = 0;
        /// Why, for `NoAnswer` and `Unavailable`.
        QString problem;
    };

    virtual ~SingleInstance() = default;
    /// Makes this copy the running one for `desktop` (a name fit for a file name), or hands
    /// `arguments` to the copy that already is. Called once, before anything else runs.
    virtual Claim claim(const QString& desktop, const QStringList& arguments) = 0;
    /// While this copy is the running one: runs `handler` on the main thread, through the event
    /// loop, with each later start's arguments. Starts that come before the watch wait for it.
    [[nodiscard]] virtual std::unique_ptr<Monitor> watch(
        std::function<void(const QStringList&)> handler) = 0;
};

}  // namespace tandri
