// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace tandri {

/// The command line checked as a whole before anything starts: a request for help or the
/// version, a mistake, or options for a run.
struct CommandLine {
    enum class Action { Run, Help, Version, Mistake };

    Action action = Action::Run;
    /// What is wrong with the command line, for `Mistake`: "unknown option '--frob'".
    QString mistake;

    /// The first word that asks for help or the version, or is wrong, decides. An option's
    /// argument is never taken for an option. `arguments` excludes the program name.
    static CommandLine check(const QStringList& arguments);
    /// The options, as `--help` prints them.
    static QString usage();
    /// "tandri 0.1.0".
    static QString version();
};

}  // namespace tandri
