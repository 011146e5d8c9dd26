// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace tandri {

/// The processes of this user as /proc shows them, for finding programs that run without a
/// window (launchers waiting for their key in the background).
namespace RunningProcesses {

struct Process {
    qint32 pid = 0;
    /// The kernel's command name: the program file's name, cut to 15 bytes.
    QString command;
    /// The command line, program first.
    QStringList arguments;
};

/// The processes of this user under `proc`; empty where it cannot be read.
std::vector<Process> ofThisUser(const QString& proc = QStringLiteral("/proc"));

/// Whether `process` runs the program `name`: by its command name, its program file's name, or,
/// for a script an interpreter runs ("python3 /usr/share/kupfer/kupfer.py"), the script's name.
bool runs(const Process& process, const QString& name);

}  // namespace RunningProcesses
}  // namespace tandri
