// SPDX-License-Identifier: MIT
#include "platform/common/desktopentries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <functional>
#include <map>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"

namespace tandri {

namespace {

const QString suffix = QStringLiteral(".desktop");
const QString mainGroup = QStringLiteral("[Desktop Entry]");

// The string escapes of the format; any other backslash stays for the Exec quoting rules.
QString unescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        const QChar next = i + 1 < value.size() ? value[i + 1] : QChar();
        if (c != u'\\') {
            out += c;
        } else if (next == u's') {
            out += u' ';
            ++i;
        } else if (next == u'n') {
            out += u'\n';
            ++i;
        } else if (next == u't') {
            out += u'\t';
            ++i;
        } else if (next == u'r') {
            out += u'\r';
            ++i;
        } else if (next == u'\\') {
            out += u'\\';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// The keys of the main group; localised ones keep their "[locale]" suffix.
std::map<QString, QString> mainGroupKeys(const QString& path) {
    std::map<QString, QString> keys;
    const RegularFile file = RegularFile::readOrWarn(path, RegularFile::textLimit);
    if (!file.ok())
        return keys;
    const QStringList lines = QString::fromUtf8(file.bytes).split(u'\n');
    bool inMain = false;
    bool seenMain = false;
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // Actions and other groups carry keys of the same names that must not leak in.
            if (seenMain && inMain)
                break;
            inMain = line == mainGroup;
            seenMain = seenMain || inMain;
            continue;
        }
        if (!inMain)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        // A repeated key keeps its first value.
        keys.emplace(key, line.mid(equals + 1).trimmed());
    }
    return keys;
}

// The locale's lookup order: lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang.
QStringList localeVariants(QString locale) {
    QString modifier;
    if (const qsizetype at = locale.indexOf(u'@'); at >= 0) {
        modifier = locale.mid(at);
        locale.truncate(at);
    }
    if (const qsizetype dot = locale.indexOf(u'.'); dot >= 0)
        locale.truncate(dot);
    QString lang = locale;
    QString country;
    if (const qsizetype underscore = locale.indexOf(u'_'); underscore >= 0) {
        lang = locale.left(underscore);
        country = locale.mid(underscore);
    }
    QStringList variants;
    if (lang.isEmpty())
        return variants;
    if (!country.isEmpty() && !modifier.isEmpty())
        variants << lang + country + modifier;
    if (!country.isEmpty())
        variants << lang + country;
    if (!modifier.isEmpty())
        variants << lang + modifier;
    variants << lang;
    return variants;
}

bool isTrue(const std::map<QString, QString>& keys, const char* key) {
    auto it = keys.find(QString::fromLatin1(key));
    return it != keys.end() && it->second == QStringLiteral("true");
}

QString value(const std::map<QString, QString>& keys, const char* key) {
    auto it = keys.find(QString::fromLatin1(key));
    return it == keys.end() ? QString() : unescape(it->second);
}

QStringList dataDirectories() {
    return QStringList{XdgDirs::dataHome()} + XdgDirs::dataDirs();
}

QString caseFolded(const QString& value) {
    return value.toCaseFolded();
}

// How a field code turns into text when it is part of a longer argument.
struct Fields {
    const DesktopEntries::Entry& entry;
    QStringList files;  // what %f / %F stand for
    QStringList urls;   // what %u / %U stand for
};

// Expands the field codes of one argument; a lone list code or %i may become several arguments
// or none.
void expandArgument(const QString& argument, const Fields& fields, QStringList& out) {
    if (argument == QStringLiteral("%F")) {
        out << fields.files;
        return;
    }
    if (argument == QStringLiteral("%U")) {
        out << fields.urls;
        return;
    }
    if (argument == QStringLiteral("%i")) {
        if (!fields.entry.icon.isEmpty())
            out << QStringLiteral("--icon") << fields.entry.icon;
        return;
    }
    QString text;
    bool hadCode = false;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar c = argument[i];
        if (c != u'%' || i + 1 == argument.size()) {
            text += c;
            continue;
        }
        const QChar code = argument[++i];
        hadCode = true;
        switch (code.unicode()) {
            case '%':
                text += u'%';
                break;
            case 'f':
            case 'F':
                text += fields.files.join(u' ');
                break;
            case 'u':
            case 'U':
                text += fields.urls.join(u' ');
                break;
            case 'i':
                text += fields.entry.icon;
                break;
            case 'c':
                text += fields.entry.name;
                break;
            case 'k':
                text += fields.entry.path;
                break;
            default:
                break;  // deprecated (%d %D %n %N %v %m) and unknown codes are dropped
        }
    }
    // An argument that was nothing but codes that expanded to nothing is left out entirely.
    if (text.isEmpty() && hadCode && argument != QStringLiteral("%%"))
        return;
    out << text;
}

bool takesSingleTarget(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        for (qsizetype i = 0; i + 1 < argument.size(); ++i) {
            if (argument[i] != u'%')
                continue;
            const QChar code = argument[i + 1];
            if (code == u'f' || code == u'u')
                return true;
            ++i;  // "%%" is a literal percent sign
        }
    }
    return false;
}

QStringList terminalCommand() {
    for (const char* name : {"x-terminal-emulator", "xterm"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return {found, QStringLiteral("-e")};
    }
    return {};
}

}  // namespace

DesktopEntries::DesktopEntries() : DesktopEntries(standardFolders(), QLocale::system().name()) {}

DesktopEntries::DesktopEntries(QStringList folders, QString locale)
    : folders_(std::move(folders)), locale_(std::move(locale)) {
    std::lock_guard lock(mutex_);
    scan();
}

QStringList DesktopEntries::standardFolders() {
    QStringList folders;
    for (const QString& dir : dataDirectories()) {
        const QString folder = QDir::cleanPath(dir + QStringLiteral("/applications"));
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

std::optional<DesktopEntries::Entry> DesktopEntries::read(const QString& path, const QString& id,
                                                          const QString& locale) {
    const auto keys = mainGroupKeys(path);
    if (value(keys, "Type") != QStringLiteral("Application") || isTrue(keys, "Hidden"))
        return std::nullopt;
    Entry entry;
    entry.id = id;
    entry.path = QFileInfo(path).absoluteFilePath();
    for (const QString& variant : localeVariants(locale)) {
        auto it = keys.find(QStringLiteral("Name[%1]").arg(variant));
        if (it != keys.end() && !it->second.isEmpty()) {
            entry.name = unescape(it->second);
            break;
        }
    }
    if (entry.name.isEmpty())
        entry.name = value(keys, "Name");
    if (entry.name.isEmpty())
        return std::nullopt;  // a required key
    entry.icon = value(keys, "Icon");
    entry.exec = value(keys, "Exec");
    entry.startupWMClass = value(keys, "StartupWMClass");
    entry.workingDirectory = value(keys, "Path");
    entry.terminal = isTrue(keys, "Terminal");
    entry.noDisplay = isTrue(keys, "NoDisplay");
    return entry;
}

void DesktopEntries::scan() const {
    ++generation_;
    entries_.clear();
    scanned_.clear();
    scannedAt_ = QDateTime::currentDateTimeUtc();
    QStringList seen;
    for (const QString& folder : folders_) {
        scanned_.push_back({folder, QFileInfo(folder).lastModified()});
        if (!QFileInfo(folder).isDir())
            continue;
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info = it.fileInfo();
            if (info.isDir())
                scanned_.push_back({path, info.lastModified()});
            else if (path.endsWith(suffix))
                files << path;
        }
        files.sort();
        const QDir base(folder);
        for (const QString& path : files) {
            QString id = base.relativeFilePath(path);
            id.chop(suffix.size());
            id.replace(u'/', u'-');
            // The first file of an id wins, even one that hides or is no application.
            if (seen.contains(id))
                continue;
            seen << id;
            if (auto entry = read(path, id, locale_))
                entries_.push_back(std::move(*entry));
        }
    }
}

void DesktopEntries::refreshIfChanged() const {
    // File times advance in ticks of a few milliseconds: a folder changed in the tick of the
    // last scan may change again without its time moving, so it is read again until it is
    // clearly older than the scan.
    const QDateTime settled = scannedAt_.addSecs(-1);
    const bool changed = std::any_of(scanned_.begin(), scanned_.end(), [&](const Folder& folder) {
        const QDateTime modified = QFileInfo(folder.path).lastModified();
        return modified != folder.modified || (modified.isValid() && modified >= settled);
    });
    if (changed)
        scan();
}

quint64 DesktopEntries::generation() const {
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    return generation_;
}

std::vector<DesktopEntries::Entry> DesktopEntries::entries() const {
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    return entries_;
}

std::optional<DesktopEntries::Entry> DesktopEntries::byID(const QString& id) const {
    QString wanted = id;
    if (wanted.endsWith(suffix))
        wanted.chop(suffix.size());
    std::lock_guard lock(mutex_);
    refreshIfChanged();
    for (const Entry& entry : entries_) {
        if (entry.id == wanted)
            return entry;
    }
    return std::nullopt;
}

std::optional<DesktopEntries::Entry> DesktopEntries::byPath(const QString& path) const {
    const QFileInfo info(path);
    if (!info.isFile() || !path.endsWith(suffix))
        return std::nullopt;
    const QString wanted = info.canonicalFilePath();
    {
        std::lock_guard lock(mutex_);
        refreshIfChanged();
        for (const Entry& entry : entries_) {
            if (QFileInfo(entry.path).canonicalFilePath() == wanted)
                return entry;
        }
    }
    // A file outside the folders (or shadowed by another of its id) is named by its file name.
    QString id = info.fileName();
    id.chop(suffix.size());
    return read(path, id, locale_);
}

std::optional<DesktopEntries::Entry> DesktopEntries::match(const QString& instance,
                                                           const QString& wmClass,
                                                           const QStringList& executables) const {
    const QString folded[] = {caseFolded(wmClass), caseFolded(instance)};
    auto names = [&](const QString& candidate) {
        const QString c = caseFolded(candidate);
        return !c.isEmpty() && (c == folded[0] || c == folded[1]);
    };
    auto byStartupClass = [&](const Entry& e) {
        return names(e.startupWMClass);
    };
    auto byID = [&](const Entry& e) {
        if (names(e.id))
            return true;
        // Reverse-domain ids ("org.gnome.gedit") name the program last.
        const QStringList parts = e.id.split(u'.');
        return parts.size() >= 3 && names(parts.last());
    };
    auto byCommand = [&](const Entry& e) {
        // An entry that names its window class claimed other windows; a terminal entry's
        // windows belong to the terminal.
        if (!e.startupWMClass.isEmpty() || e.terminal)
            return false;
        const QString name = program(e.exec);
        return !name.isEmpty() && executables.contains(name);
    };

    std::lock_guard lock(mutex_);
    refreshIfChanged();
    const std::function<bool(const Entry&)> rules[] = {byStartupClass, byID, byCommand};
    for (const auto& rule : rules) {
        const Entry* found = nullptr;
        for (const Entry& entry : entries_) {
            if (!rule(entry))
                continue;
            // An entry kept out of menus is only a fallback: the shown one names the app.
            if (!found || (found->noDisplay && !entry.noDisplay))
                found = &entry;
            if (!found->noDisplay)
                break;
        }
        if (found)
            return *found;
    }
    return std::nullopt;
}

QString DesktopEntries::program(const QString& exec) {
    QStringList words = splitExec(exec).value_or(exec.split(u' ', Qt::SkipEmptyParts));
    qsizetype first = 0;
    if (!words.isEmpty() && QFileInfo(words[0]).fileName() == QStringLiteral("env")) {
        // Variables and options, some of which take the next word.
        const QStringList withValue = {QStringLiteral("-u"), QStringLiteral("--unset"),
                                       QStringLiteral("-C"), QStringLiteral("--chdir")};
        first = 1;
        while (first < words.size() &&
               (words[first].contains(u'=') || words[first].startsWith(u'-'))) {
            first += withValue.contains(words[first]) ? 2 : 1;
        }
    }
    if (first >= words.size())
        return {};
    return QFileInfo(words[first]).fileName();
}

std::optional<QStringList> DesktopEntries::splitExec(const QString& exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == u'"') {
            // Inside double quotes a backslash escapes the characters that would end or
            // expand the quoted text.
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                const QChar q = exec[i];
                if (q == u'"')
                    break;
                if (q == u'\\' && i + 1 < exec.size()) {
                    const QChar next = exec[i + 1];
                    if (next == u'"' || next == u'`' || next == u'$' || next == u'\\') {
                        current += next;
                        ++i;
                        continue;
                    }
                }
                current += q;
            }
        } else if (c == u'\'') {
            // Not in the format, but common in the wild: taken literally as a shell would.
            const qsizetype end = exec.indexOf(u'\'', i + 1);
            if (end < 0)
                return std::nullopt;
            current += exec.mid(i + 1, end - i - 1);
            i = end;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            current += exec[++i];
        } else {
            current += c;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

DesktopEntries::Commands DesktopEntries::commands(const Entry& entry,
                                                  const std::vector<QUrl>& targets) {
    Commands result;
    const auto arguments = splitExec(entry.exec);
    if (!arguments) {
        result.error = QStringLiteral("The command of %1 cannot be read").arg(entry.name);
        return result;
    }
    if (arguments->isEmpty()) {
        result.error = QStringLiteral("%1 has no command to run").arg(entry.name);
        return result;
    }

    const QStringList terminal = entry.terminal ? terminalCommand() : QStringList();
    if (entry.terminal && terminal.isEmpty()) {
        result.error = QStringLiteral("No terminal to run %1 in").arg(entry.name);
        return result;
    }

    auto expand = [&](const std::vector<QUrl>& urls) {
        Fields fields{entry, {}, {}};
        for (const QUrl& url : urls) {
            // A remote document would have to be downloaded first for a program that takes
            // only files; it is left out instead.
            if (url.isLocalFile())
                fields.files << url.toLocalFile();
            fields.urls << url.toString(QUrl::FullyEncoded);
        }
        QStringList line = terminal;
        for (const QString& argument : *arguments) expandArgument(argument, fields, line);
        return line;
    };
    if (takesSingleTarget(*arguments) && targets.size() > 1) {
        for (const QUrl& target : targets) result.lines.push_back(expand({target}));
    } else {
        result.lines.push_back(expand(targets));
    }
    for (const QStringList& line : result.lines) {
        if (line.isEmpty() || line.front().isEmpty()) {
            result.error = QStringLiteral("%1 has no command to run").arg(entry.name);
            result.lines.clear();
            break;
        }
    }
    return result;
}

std::optional<QString> DesktopEntries::launch(const Entry& entry,
                                              const std::vector<QUrl>& targets) {
    const Commands commands = DesktopEntries::commands(entry, targets);
    if (commands.error)
        return commands.error;
    for (const QStringList& line : commands.lines) {
        if (!QProcess::startDetached(line.front(), line.mid(1), entry.workingDirectory))
            return QStringLiteral("%1 could not be started").arg(entry.name);
    }
    return std::nullopt;
}

}  // namespace tandri
