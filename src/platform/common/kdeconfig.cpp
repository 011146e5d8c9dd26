#include "platform/common/kdeconfig.h"

#include "platform/common/regularfile.h"

namespace tandri::KdeConfig {

namespace {

// "[a][b]" → {"a", "b"}; absent for a line that is not a well-formed group header.
std::optional<QStringList> groupPath(const QString& line) {
    QStringList path;
    qsizetype at = 0;
    while (at < line.size()) {
        if (line[at] != u'[')
            return std::nullopt;
        const qsizetype close = line.indexOf(u']', at + 1);
        if (close < 0)
            return std::nullopt;
        path << unescape(line.mid(at + 1, close - at - 1));
        at = close + 1;
    }
    // "[$i]" marks the group immutable; it is no part of the name.
    if (!path.isEmpty() && path.back().startsWith(u'$'))
        path.removeLast();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

}  // namespace

QString unescape(const QString& value) {
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
            case 's':
                result += u' ';
                break;
            case 't':
                result += u'\t';
                break;
            case 'n':
                result += u'\n';
                break;
            case 'r':
                result += u'\r';
                break;
            default:
                result += value[i];
        }
    }
    return result;
}

std::optional<Groups> read(const QString& path) {
    const RegularFile file = RegularFile::readOrWarn(path, RegularFile::textLimit);
    if (!file.ok())
        return std::nullopt;
    Groups groups;
    // Keys before any header belong to the unnamed default group.
    QStringList group;
    for (const QByteArray& raw : file.bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (const auto path = groupPath(line))
                group = *path;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        QString key = line.left(equals).trimmed();
        if (const qsizetype options = key.indexOf(QStringLiteral("[$")); options > 0)
            key.truncate(options);
        groups[group][key] = unescape(line.mid(equals + 1).trimmed());
    }
    return groups;
}

}  // namespace tandri::KdeConfig
