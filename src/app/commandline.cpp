// SPDX-License-Identifier: MIT
#include "app/commandline.h"

namespace tandri {

namespace {

struct Option {
    const char* name;
    /// What the argument it needs is, for the message when it is missing; null for none.
    const char* required;
    /// Whether a word after that (or after the option) is its argument, unless it is an option.
    bool optional;
};

const Option options[] = {
    {"--demo", nullptr, false},
    {"--settings", nullptr, true},
    {"--onboarding", nullptr, true},
    {"--list-windows", nullptr, false},
    {"--snapshot", "a PNG file's path", true},
    {"--menu-probe", "a file's path", false},
    {"--share-image", "a PNG file's path", false},
    {"--docs-shots", nullptr, true},
    {"--memory-probe", nullptr, true},
    {"--trigger", "'down' or 'up'", false},
};

const Option* find(const QString& word) {
    for (const Option& option : options) {
        if (word == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

// "-1" can be an onboarding page; "--demo" after "--settings" is an option of its own.
bool looksLikeOption(const QString& word) {
    return word.size() > 1 && word.startsWith(QLatin1Char('-')) && !word[1].isDigit();
}

CommandLine wrong(const QString& text) {
    CommandLine result;
    result.action = CommandLine::Action::Mistake;
    result.mistake = text;
    return result;
}

}  // namespace

CommandLine CommandLine::check(const QStringList& arguments) {
    for (qsizetype at = 0; at < arguments.size(); ++at) {
        const QString& word = arguments[at];
        if (word == QLatin1String("--help") || word == QLatin1String("-h"))
            return CommandLine{Action::Help, {}};
        if (word == QLatin1String("--version"))
            return CommandLine{Action::Version, {}};
        const Option* option = find(word);
        if (!option) {
            return wrong(looksLikeOption(word)
                             ? QStringLiteral("unknown option '%1'").arg(word)
                             : QStringLiteral("unexpected argument '%1'").arg(word));
        }
        if (option->required) {
            // Taken whatever it looks like, as the mode itself takes it.
            if (at + 1 >= arguments.size()) {
                return wrong(QStringLiteral("option '%1' needs %2")
                                 .arg(word, QLatin1String(option->required)));
            }
            ++at;
            if (word == QLatin1String("--trigger") && arguments[at] != QLatin1String("down") &&
                arguments[at] != QLatin1String("up")) {
                return wrong(QStringLiteral("option '--trigger' needs 'down' or 'up', not '%1'")
                                 .arg(arguments[at]));
            }
        }
        if (option->optional && at + 1 < arguments.size() && !looksLikeOption(arguments[at + 1]))
            ++at;
    }
    return {};
}

QString CommandLine::usage() {
    return QStringLiteral(
        "Usage: tandri [OPTION]...\n"
        "A ring of your apps around the pointer: hold Alt+Space or the middle mouse button,\n"
        "flick toward an app and let go.\n"
        "\n"
        "      --demo                  open the ring shortly after starting\n"
        "      --settings [TAB]        open Settings at TAB: general, apps, look, windows\n"
        "      --onboarding [PAGE]     open the welcome guide at PAGE (the first is 0)\n"
        "  -h, --help                  show this help and exit\n"
        "      --version               show the version and exit\n"
        "\n"
        "      --trigger down|up       tell the running copy that the shortcut went down or\n"
        "                              up: on Wayland the compositor's key binding runs it\n"
        "\n"
        "One copy runs for each user and display: starting another hands its options to\n"
        "the running one, which opens Settings when there are none.\n"
        "\n"
        "Checking modes, which run once and exit:\n"
        "      --list-windows          print every running app's windows\n"
        "      --snapshot PATH [INDEX] draw the ring into the PNG file PATH, with the\n"
        "                              windows of entry INDEX\n"
        "      --menu-probe PATH       write every app's context menu to PATH\n"
        "      --memory-probe [COUNT]  open and close the ring COUNT times (40), noting\n"
        "                              the memory in use, into $XDG_STATE_HOME/tandri\n"
        "\n"
        "Documentation modes, which draw on a made-up simulated desktop and exit:\n"
        "      --docs-shots [FOLDER]   write the README's pictures into FOLDER (docs/images\n"
        "                              at the top of the source tree, else here)\n"
        "      --share-image PATH      write a picture of the ring for sharing to PATH\n"
        "\n"
        "Tandri runs on the Wayland compositor that WAYLAND_DISPLAY names where it offers\n"
        "the wlroots protocols, else on the X display that DISPLAY names. With\n"
        "TANDRI_DESKTOP=FILE it runs on the simulated desktop described in FILE; the\n"
        "checking modes use a sample one when there is no display.\n");
}

QString CommandLine::version() {
    return QStringLiteral("tandri " TANDRI_VERSION);
}

}  // namespace tandri
