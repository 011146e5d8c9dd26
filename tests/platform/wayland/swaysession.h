// SPDX-License-Identifier: MIT
#pragma once

// Tools for tests inside a headless sway session (tests/wayland/with-sway-session): other
// programs' windows (foot), the compositor's own view of them (swaymsg), and the skip that says
// why when there is no compositor to test against.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>

#include "support/waitforevents.h"

namespace tandri::wayland::test {

using tandri::test::patience;
using tandri::test::waitForEvents;

/// Skips the test, saying why, outside a sway session; a session that should exist and does not
/// is a failure of the harness, not a skip.
#define SKIP_WITHOUT_SWAY()                                                     \
    do {                                                                        \
        if (!qEnvironmentVariableIsEmpty("TANDRI_NO_SWAY"))                     \
            GTEST_SKIP() << qPrintable(qEnvironmentVariable("TANDRI_NO_SWAY")); \
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("SWAYSOCK"))                   \
            << "not inside tests/wayland/with-sway-session";                    \
    } while (false)

/// Runs a tool of the session to its end; whether it succeeded.
inline bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(patience))
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

/// The compositor's tree of outputs, workspaces and windows.
inline QJsonObject swayTree() {
    QString json;
    run(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"}, &json);
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

/// Every window (node with an app id or a name under a workspace) of the tree, depth first.
inline void forEachWindow(const QJsonObject& node,
                          const std::function<void(const QJsonObject&)>& use) {
    if (node.value(QStringLiteral("type")).toString() == QLatin1String("con") &&
        node.contains(QStringLiteral("app_id")))
        use(node);
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
            forEachWindow(child.toObject(), use);
    }
}

/// The title of the window that has the focus; empty when none does.
inline QString focusedTitle() {
    QString title;
    forEachWindow(swayTree(), [&](const QJsonObject& window) {
        if (window.value(QStringLiteral("focused")).toBool())
            title = window.value(QStringLiteral("name")).toString();
    });
    return title;
}

/// A foot terminal with this title, ended with the test.
class Foot {
public:
    /// `colour` its background ("336699"), foot's own where empty.
    explicit Foot(const QString& title, const QString& colour = {}) : title_(title) {
        QStringList arguments{QStringLiteral("--title"), title};
        if (!colour.isEmpty())
            arguments << QStringLiteral("--override")
                      << QStringLiteral("colors.background=") + colour;
        process_.start(QStringLiteral("foot"),
                       arguments << QStringLiteral("sleep") << QStringLiteral("600"));
    }
    qint64 pid() const { return process_.processId(); }
    ~Foot() {
        process_.kill();
        process_.waitForFinished(patience);
    }
    /// Waits until the compositor shows it; whether it does.
    bool shown() const {
        return waitForEvents([this] {
            bool found = false;
            forEachWindow(swayTree(), [&](const QJsonObject& window) {
                found = found || window.value(QStringLiteral("name")).toString() == title_;
            });
            return found;
        });
    }

private:
    QString title_;
    QProcess process_;
};

}  // namespace tandri::wayland::test
