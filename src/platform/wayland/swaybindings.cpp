// SPDX-License-Identifier: MIT
#include "platform/wayland/swaybindings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"
#include "platform/keycodes.h"
#include "platform/wayland/swayipc.h"

#include <xkbcommon/xkbcommon.h>

namespace tandri::wayland::SwayBindings {

namespace {

struct Reader {
    const KeyCodeOf& keyCodeOf;
    // Longest name first, so that $modifier wins over $mod.
    std::vector<std::pair<QString, QString>> variables;
    QSet<QString> read;
    std::vector<SystemShortcut> bound;
    std::vector<bool> onRelease;

    QString substitute(const QString& text) const {
        QString result;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'$') {
                const auto found = std::find_if(variables.begin(), variables.end(), [&](auto& v) {
                    return QStringView(text).mid(i).startsWith(v.first);
                });
                if (found != variables.end()) {
                    result += found->second;
                    i += found->first.size() - 1;
                    continue;
                }
            }
            result += text[i];
        }
        return result;
    }

    void file(const QString& text, const QString& path);
    void line(const QString& text, const QString& folder);
    void include(const QString& pattern, const QString& folder);
    void bindsym(QStringList args);
};

// Words split at blanks outside quotes, quotes kept.
QStringList words(const QString& text) {
    QStringList result;
    QString word;
    QChar quote;
    for (const QChar c : text) {
        if (!quote.isNull()) {
            word += c;
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            word += c;
        } else if (c.isSpace()) {
            if (!word.isEmpty())
                result << std::exchange(word, QString());
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        result << word;
    return result;
}

QString unquoted(QString word) {
    if (word.size() >= 2 && (word.front() == u'"' || word.front() == u'\'') &&
        word.back() == word.front())
        word = word.mid(1, word.size() - 2);
    return word;
}

bool isOwnProgram(const QString& program) {
    const QString name = QFileInfo(unquoted(program)).fileName();
    return name == u"tandri" ||
           name == QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString describe(const QStringList& command) {
    if (command.isEmpty())
        return QStringLiteral("a sway key binding");
    if (command.front() == u"exec" || command.front() == u"exec_always") {
        const auto program = std::find_if(command.begin() + 1, command.end(),
                                          [](const QString& w) { return !w.startsWith(u"--"); });
        if (program != command.end())
            return QStringLiteral("“%1” (a sway key binding)")
                .arg(QFileInfo(unquoted(*program)).fileName());
    }
    return QStringLiteral("sway's “%1”").arg(command.join(u' '));
}

void Reader::bindsym(QStringList args) {
    bool release = false;
    while (!args.isEmpty() && args.front().startsWith(u"--")) {
        const QString flag = args.takeFirst();
        release = release || flag == u"--release";
        // Bindings over a window's parts are mouse bindings.
        if (flag == u"--whole-window" || flag == u"--border" || flag == u"--exclude-titlebar")
            return;
    }
    if (args.size() < 2)
        return;
    const QStringList command = args.mid(1);
    if (command.front() == u"exec" || command.front() == u"exec_always") {
        const auto program = std::find_if(command.begin() + 1, command.end(),
                                          [](const QString& w) { return !w.startsWith(u"--"); });
        if (program != command.end() && isOwnProgram(*program))
            return;  // the binding that triggers this program
    }
    qint64 modifiers = 0;
    std::optional<int> keyCode;
    for (const QString& part : args.front().split(u'+')) {
        const QString name = part.toLower();
        if (name == u"shift")
            modifiers |= ModifierMasks::shift;
        else if (name == u"ctrl" || name == u"control")
            modifiers |= ModifierMasks::control;
        else if (name == u"alt" || name == u"mod1")
            modifiers |= ModifierMasks::option;
        else if (name == u"super" || name == u"mod4")
            modifiers |= ModifierMasks::command;
        else if (keyCode)
            return;  // a chord of several keys
        else {
            const xkb_keysym_t keysym =
                xkb_keysym_from_name(part.toUtf8().constData(), XKB_KEYSYM_CASE_INSENSITIVE);
            // Lock, Mod2, Mod3, Mod5 and mouse buttons have no keysym.
            keyCode = keysym == XKB_KEY_NoSymbol ? std::nullopt : keyCodeOf(keysym);
            if (!keyCode)
                return;
        }
    }
    if (!keyCode)
        return;
    SystemShortcut shortcut{0, describe(command), *keyCode, modifiers, true};
    for (std::size_t i = 0; i < bound.size(); ++i) {
        if (bound[i].keyCode == shortcut.keyCode && bound[i].modifiers == modifiers &&
            onRelease[i] == release) {
            shortcut.number = bound[i].number;
            bound[i] = std::move(shortcut);
            return;
        }
    }
    shortcut.number = int(bound.size()) + 1;
    bound.push_back(std::move(shortcut));
    onRelease.push_back(release);
}

void Reader::include(const QString& pattern, const QString& folder) {
    QString path = unquoted(pattern);
    if (path == u"~" || path.startsWith(u"~/"))
        path = QDir::homePath() + path.mid(1);
    // Environment variables, as the shell-like expansion sway applies.
    static const QRegularExpression environment(
        QStringLiteral(R"(\$\{?([A-Za-z_][A-Za-z0-9_]*)\}?)"));
    for (auto match = environment.match(path); match.hasMatch(); match = environment.match(path))
        path.replace(match.capturedStart(), match.capturedLength(),
                     qEnvironmentVariable(match.captured(1).toUtf8().constData()));
    const QFileInfo info(QDir(folder), path);
    QStringList files;
    if (info.fileName().contains(QRegularExpression(QStringLiteral("[*?\\[]")))) {
        for (const QString& name : info.dir().entryList({info.fileName()}, QDir::Files, QDir::Name))
            files << info.dir().filePath(name);
    } else {
        files << info.filePath();
    }
    for (const QString& name : files) {
        const RegularFile included = RegularFile::read(name, RegularFile::textLimit);
        if (included.ok())
            file(QString::fromUtf8(included.bytes), name);
    }
}

void Reader::line(const QString& text, const QString& folder) {
    QStringList args = words(text);
    if (args.isEmpty())
        return;
    const QString command = args.takeFirst();
    if (command == u"set" && args.size() >= 2 && args.front().startsWith(u'$')) {
        const QString name = args.takeFirst();
        const QString value = unquoted(substitute(args.join(u' ')));
        std::erase_if(variables, [&](auto& v) { return v.first == name; });
        variables.emplace_back(name, value);
        std::stable_sort(variables.begin(), variables.end(),
                         [](auto& a, auto& b) { return a.first.size() > b.first.size(); });
        return;
    }
    // A value may hold several words ("set $menu rofi -show drun"): split once it is in.
    args = words(substitute(text)).mid(1);
    if (command == u"include" && !args.isEmpty())
        include(args.join(u' '), folder);
    else if (command == u"bindsym")
        bindsym(args);
}

void Reader::file(const QString& text, const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty()) {
        if (read.contains(canonical))
            return;  // sway reads a file once
        read.insert(canonical);
    }
    const QString folder = QFileInfo(path).absolutePath();
    // Logical lines: a backslash at the end joins the next; comments go.
    QStringList lines;
    QString pending;
    for (const QString& raw : text.split(u'\n')) {
        QString physical = raw.trimmed();
        if (pending.isEmpty() && physical.startsWith(u'#'))
            continue;
        if (physical.endsWith(u'\\')) {
            pending += physical.chopped(1) + u' ';
            continue;
        }
        lines << (pending + physical).trimmed();
        pending.clear();
    }
    // A block's opening words go before each of its lines ("bindsym {" ... or "mode x {" ...),
    // its brace on the line or on the next one.
    QStringList prefixes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString current = lines[i];
        if (current.isEmpty())
            continue;
        if (current == u"}") {
            if (!prefixes.isEmpty())
                prefixes.removeLast();
            continue;
        }
        const QString prefix = prefixes.isEmpty() ? QString() : prefixes.back() + u' ';
        if (current.endsWith(u'{')) {
            prefixes << (prefix + current.chopped(1).trimmed()).trimmed();
            continue;
        }
        if (i + 1 < lines.size() && lines[i + 1] == u"{") {
            prefixes << prefix + current;
            ++i;
            continue;
        }
        // Other modes' bindings are not held until that mode is entered.
        const QString whole = prefix + current;
        if (!whole.startsWith(u"mode "))
            line(whole, folder);
    }
}

}  // namespace

std::vector<SystemShortcut> parse(const QString& text, const QString& path,
                                  const KeyCodeOf& keyCodeOf) {
    Reader reader{keyCodeOf, {}, {}, {}, {}};
    reader.file(text, path);
    return std::move(reader.bound);
}

QString defaultFile() {
    const QString home = QDir::homePath();
    const QString config = XdgDirs::configHome();
    for (const QString& candidate :
         {home + QStringLiteral("/.sway/config"), config + QStringLiteral("/sway/config"),
          home + QStringLiteral("/.i3/config"), config + QStringLiteral("/i3/config"),
          QStringLiteral("/etc/sway/config"), QStringLiteral("/etc/i3/config")}) {
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

std::vector<SystemShortcut> readSession(const KeyCodeOf& keyCodeOf) {
    const QString path = defaultFile();
    // sway answers at once; a stuck one costs this check its sway part, not a long wait.
    if (const auto answer = SwayIPC::request(SwayIPC::socketPath(), SwayIPC::GetConfig, 500)) {
        const QString text =
            QJsonDocument::fromJson(*answer).object().value(QStringLiteral("config")).toString();
        // Relative includes are taken from the usual file's folder: the answer names no file.
        return parse(text,
                     path.isEmpty() ? XdgDirs::configHome() + QStringLiteral("/sway/config") : path,
                     keyCodeOf);
    }
    if (path.isEmpty())
        return {};
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    return file.ok() ? parse(QString::fromUtf8(file.bytes), path, keyCodeOf)
                     : std::vector<SystemShortcut>{};
}

}  // namespace tandri::wayland::SwayBindings
