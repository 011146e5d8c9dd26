// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace tandri {

/// One permission on the guide's permissions page: a lock and a way to allow it while it is
/// not granted, a check mark and "Allowed" once it is.
class GuidePermissionRow : public QWidget {
public:
    /// `help`, when given, explains why it is not allowed where the user has nothing to grant,
    /// and stands in for the button that would ask.
    GuidePermissionRow(const QString& name, const QString& title, bool recommended,
                       const QString& text, std::optional<QString> help,
                       std::function<void()> allow, QWidget* parent = nullptr);

    void setAllowed(bool allowed);
    bool allowed() const { return allowed_; }

private:
    bool allowed_ = false;
    QLabel* mark_;
    QLabel* allowedLabel_;
    QLabel* help_ = nullptr;
    QPushButton* allow_ = nullptr;
};

}  // namespace tandri
