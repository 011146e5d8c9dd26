// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tandri {

/// The diagnostic mode chosen on the command line, if any.
struct DiagnosticOptions {
    enum class Mode { None, Snapshot, MenuProbe, ShareImage, DocsShots, MemoryProbe, ListWindows };

    Mode mode = Mode::None;
    /// The path or argument after the option; empty for "--docs-shots" without a folder.
    QString argument;
    /// "--snapshot PATH INDEX": the entry to expand.
    std::optional<int> index;
    /// "--memory-probe COUNT": how many openings (40 when missing, negative or not a number).
    int count = 40;

    /// Looks for the options in a fixed order; the first that applies decides, and an option
    /// lacking its argument is ignored. `arguments` excludes the program name.
    static DiagnosticOptions parse(const QStringList& arguments);
};

}  // namespace tandri
