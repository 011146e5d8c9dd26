// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include "platform/loginitems.h"

namespace tandri {

/// Starting at login the freedesktop way: a desktop entry in the
/// user's `$XDG_CONFIG_HOME/autostart`, which overrides one of the same name in the system's
/// `$XDG_CONFIG_DIRS/*/autostart`. Nothing needs approving.
class XdgAutostart : public LoginItems {
public:
    /// For the running program, in the user's and the system's folders.
    XdgAutostart();
    /// `userFolder` and `systemFolders` are autostart folders; `program` is what the entry runs.
    XdgAutostart(QString userFolder, QStringList systemFolders, QString program);

    Status status() const override;
    std::optional<QString> enable() override;
    std::optional<QString> disable() override;

    /// The name of the program's entry in every autostart folder.
    static inline const QString fileName = QStringLiteral("tandri.desktop");

private:
    QString userFile() const;
    /// What the user's entry would be without one: the first system folder's, if any.
    QString systemFile() const;
    std::optional<QString> write(const QByteArray& contents) const;

    QString userFolder_;
    QStringList systemFolders_;
    QString program_;
};

}  // namespace tandri
