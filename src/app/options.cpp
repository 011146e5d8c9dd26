// SPDX-License-Identifier: MIT
#include "app/options.h"

namespace tandri {

namespace {

// The argument after `option`, when there is one.
std::optional<QString> argumentAfter(const QStringList& arguments, const QString& option) {
    const qsizetype at = arguments.indexOf(option);
    if (at < 0 || at + 1 >= arguments.size())
        return std::nullopt;
    return arguments[at + 1];
}

std::optional<int> integer(const std::optional<QString>& text) {
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

DiagnosticOptions DiagnosticOptions::parse(const QStringList& arguments) {
    DiagnosticOptions options;
    using Mode = DiagnosticOptions::Mode;
    const struct {
        const char* name;
        Mode mode;
    } withPath[] = {{"--snapshot", Mode::Snapshot},
                    {"--menu-probe", Mode::MenuProbe},
                    {"--share-image", Mode::ShareImage},
                    {"--docs-shots", Mode::DocsShots}};
    for (const auto& [name, mode] : withPath) {
        const QString option = QString::fromLatin1(name);
        // Its folder is optional; a word that looks like an option is none.
        if (mode == Mode::DocsShots && arguments.contains(option)) {
            options.mode = mode;
            const auto folder = argumentAfter(arguments, option);
            if (folder && !folder->startsWith(u'-'))
                options.argument = *folder;
            return options;
        }
        if (const auto path = argumentAfter(arguments, option)) {
            options.mode = mode;
            options.argument = *path;
            if (mode == Mode::Snapshot) {
                const qsizetype at = arguments.indexOf(option);
                options.index = integer(argumentAfter(arguments.mid(at + 1), *path));
            }
            return options;
        }
    }
    if (arguments.contains(QStringLiteral("--memory-probe"))) {
        options.mode = Mode::MemoryProbe;
        // A count of openings is a whole number; anything else gets the usual forty.
        const auto count = integer(argumentAfter(arguments, QStringLiteral("--memory-probe")));
        options.count = count && *count >= 0 ? *count : 40;
        return options;
    }
    if (arguments.contains(QStringLiteral("--list-windows")))
        options.mode = Mode::ListWindows;
    return options;
}

}  // namespace tandri
