// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/common/runningprocesses.h"
#include "platform/shortcuttable.h"

namespace tandri::x11 {

/// Linux launchers that wait in the background, without a window, for a global key of their own
/// (Ulauncher, Albert, Synapse, Kupfer, Cerebro), each found by its process and its key read from
/// its own settings file.
namespace LinuxLaunchers {

/// How a launcher writes its settings file.
enum class Store {
    /// JSON objects; the key's path names the members from the outside in.
    Json,
    /// An INI file (Qt's QSettings, Python's ConfigParser); the path is the group and the key,
    /// which is matched regardless of case as ConfigParser does.
    Ini,
};

/// How a launcher writes its key.
enum class Keys {
    /// GTK's accelerators: "<Primary>space", "<Control><Alt>k".
    Gtk,
    /// Qt's portable text: "Ctrl+Space", "Meta+Shift+K".
    Qt,
    /// Electron's accelerators: "Control+Space", "CommandOrControl+Shift+K".
    Electron,
};

/// One key a launcher answers to: where its settings keep it and what it is when they do not.
struct Setting {
    QStringList path;
    /// In the launcher's own writing; empty for a key that is unset unless the user sets it.
    QString factory;
};

struct Profile {
    /// As a warning names it.
    QString name;
    /// Names its process goes by (see `RunningProcesses::runs`).
    QStringList programs;
    /// Its settings files under the user's configuration folder, the one it reads first first.
    QStringList files;
    Store store = Store::Json;
    Keys keys = Keys::Gtk;
    std::vector<Setting> settings;
};

/// The launchers known here, in the order a warning names them.
const std::vector<Profile>& known();

/// Each of `profiles` as the conflict table takes it: running when one of `processes` runs it, and
/// then with the keys read from its settings under `configHome`.
std::vector<Launcher> read(const std::vector<Profile>& profiles,
                           const std::vector<RunningProcesses::Process>& processes,
                           const QString& configHome);

/// The combinations `profile` answers to by its settings under `configHome`: what they say, each
/// setting's factory key where they say nothing. A file that exists but cannot be read counts
/// as saying nothing (with a line on stderr); a key Tandri cannot name is left out.
std::vector<KeyCombination> keys(const Profile& profile, const QString& configHome);

/// An Electron accelerator as a key code and a hot-key mask; absent for what Linux has no key
/// for (Command, Option) and keys the key map lacks.
std::optional<KeyCombination> electronAccelerator(const QString& text);

}  // namespace LinuxLaunchers
}  // namespace tandri::x11
