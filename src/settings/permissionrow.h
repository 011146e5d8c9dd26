// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace tandri {

/// One permission in the Settings window: "Accessibility allowed" with a check mark, or
/// "Accessibility not allowed", why it is needed and a way to allow it.
class PermissionRow : public QWidget {
public:
    /// `help` says why nothing can be asked on this desktop: it replaces the "Allow…" button.
    PermissionRow(QString title, const QString& reason, std::optional<QString> help,
                  std::function<void()> request, QWidget* parent = nullptr);

    void setAllowed(bool allowed);
    bool allowed() const { return allowed_; }
    /// The row's words as the user reads them, for tests and accessibility.
    QString text() const;

private:
    QString title_;
    bool allowed_ = false;
    QLabel* symbol_;
    QLabel* state_;
    QLabel* reason_;
    QPushButton* allow_;
};

}  // namespace tandri
