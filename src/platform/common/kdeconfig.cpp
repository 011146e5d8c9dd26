// SPDX-License-Identifier: MIT
#include "platform/common/kdeconfig.h"

#include <QList>

namespace tandri {

namespace {

QString unescaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        switch (next.unicode()) {
            case 's':
                out += u' ';
                break;
            case 't':
                out += u'\t';
                break;
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case '\\':
                out += u'\\';
                break;
            case 'x': {
                bool ok = false;
                const int code = text.mid(i + 1, 2).toInt(&ok, 16);
                if (ok && i + 2 < text.size()) {
                    out += QChar(code);
                    i += 2;
                } else {
                    out += u'\\';
                    out += next;
                }
                break;
            }
            default:
                out += u'\\';
                out += next;
        }
    }
    return out;
}

// "Key[$e]" and "Key[de][$i]": flags start with '$' and are dropped; a language stays.
QString keyName(QStringView key) {
    QString name = key.toString();
    for (qsizetype open = name.lastIndexOf(u'['); open > 0 && name.endsWith(u']');
         open = name.lastIndexOf(u'[')) {
        if (name.at(open + 1) != u'$')
            break;
        name.truncate(open);
    }
    return name.trimmed();
}

}  // namespace

KdeConfig KdeConfig::parse(const QByteArray& text) {
    KdeConfig config;
    config.groups.push_back({});
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            QString name = line.mid(1, line.size() - 2);
            // A group's own flags ("[Group][$i]") are not part of its name.
            while (name.endsWith(QStringLiteral("][$i"))) name.chop(4);
            config.groups.push_back({unescaped(name), {}});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = keyName(QStringView(line).left(equals));
        if (key.isEmpty())
            continue;
        config.groups.back().entries.push_back(
            {key, unescaped(QStringView(line).mid(equals + 1).trimmed())});
    }
    if (config.groups.front().entries.empty())
        config.groups.erase(config.groups.begin());
    return config;
}

std::optional<QString> KdeConfig::value(QStringView group, QStringView key) const {
    std::optional<QString> result;
    for (const Group& candidate : groups) {
        if (candidate.name != group)
            continue;
        for (const Entry& entry : candidate.entries) {
            if (entry.key == key)
                result = entry.value;
        }
    }
    return result;
}

}  // namespace tandri
