// SPDX-License-Identifier: MIT
#include "platform/common/procmemory.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <array>

namespace tandri::ProcMemory {

namespace {

// The kinds in the order the summary lists them.
enum Kind {
    Heap,
    Anonymous,
    Stacks,
    Program,
    Qt,
    Libraries,
    XShared,
    Shared,
    Graphics,
    Fonts,
    Files,
    Kernel,
    KindCount
};

const std::array<const char*, KindCount> kindNames = {"heap",
                                                      "anonymous",
                                                      "stacks",
                                                      "the program",
                                                      "Qt libraries",
                                                      "system libraries",
                                                      "X shared memory",
                                                      "other shared memory",
                                                      "graphics",
                                                      "fonts",
                                                      "other files",
                                                      "kernel"};

// A mapping's header: "start-end perms offset device inode [path]".
bool isHeader(const QByteArray& line, QByteArray* path) {
    const qsizetype dash = line.indexOf('-');
    const qsizetype space = line.indexOf(' ');
    if (dash <= 0 || space < dash)
        return false;
    for (qsizetype i = 0; i < space; ++i) {
        const char c = line[i];
        if (i != dash && !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    // Five fields before the path; the path itself may hold blanks.
    qsizetype at = 0;
    for (int field = 0; field < 5; ++field) {
        while (at < line.size() && line[at] == ' ') ++at;
        while (at < line.size() && line[at] != ' ') ++at;
    }
    *path = line.mid(at).trimmed();
    return true;
}

Kind kindOf(const QByteArray& path, const QByteArray& program) {
    if (path.isEmpty())
        return Anonymous;
    if (path == "[heap]")
        return Heap;
    if (path.startsWith("[stack"))
        return Stacks;
    if (path.startsWith('['))
        return Kernel;  // [vdso], [vvar], [vsyscall]
    // MIT-SHM segments: System V ones, which the kernel names after their key, and those the
    // X server makes and hands over (Qt draws its windows into these).
    if (path.startsWith("/SYSV") || path.startsWith("/memfd:xorg"))
        return XShared;
    if (path.startsWith("/memfd:") || path.startsWith("/dev/shm/"))
        return Shared;
    if (path.startsWith("/dev/dri/"))
        return Graphics;
    if (!program.isEmpty() && path == program)
        return Program;
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    if (name.startsWith("libQt"))
        return Qt;
    if (name.contains(".so"))
        return Libraries;
    if (path.contains("/fonts/") || name.endsWith(".ttf") || name.endsWith(".otf") ||
        name.endsWith(".ttc"))
        return Fonts;
    return Files;
}

// The figure of a "Key:   123 kB" line in bytes, when the line has that key.
std::optional<qint64> figure(const QByteArray& line, const char* key) {
    const qsizetype length = qsizetype(qstrlen(key));
    if (!line.startsWith(key) || line.size() <= length || line[length] != ':')
        return std::nullopt;
    const QByteArray value = line.mid(length + 1).trimmed();
    const qsizetype blank = value.indexOf(' ');
    bool ok = false;
    const qint64 kilobytes = value.left(blank < 0 ? value.size() : blank).toLongLong(&ok);
    return ok ? std::optional<qint64>(kilobytes * 1024) : std::nullopt;
}

QByteArray readAll(const char* path) {
    // The kernel makes these files up as they are read: they have no size to trust.
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

}  // namespace

std::optional<qint64> footprint(const QByteArray& smaps) {
    std::optional<qint64> total;
    for (const QByteArray& line : smaps.split('\n')) {
        auto value = figure(line, "Private_Dirty");
        if (!value)
            value = figure(line, "Swap");
        if (value)
            total = total.value_or(0) + *value;
    }
    return total;
}

std::vector<MemoryRegions> regions(const QByteArray& smaps, const QString& program) {
    std::array<MemoryRegions, KindCount> kinds;
    const QByteArray programPath = program.toUtf8();
    MemoryRegions* current = nullptr;
    for (const QByteArray& line : smaps.split('\n')) {
        QByteArray path;
        if (isHeader(line, &path)) {
            if (path.endsWith(" (deleted)"))
                path.chop(10);
            current = &kinds[kindOf(path, programPath)];
            ++current->count;
            continue;
        }
        if (!current)
            continue;
        for (const char* key : {"Private_Dirty", "Shared_Dirty"}) {
            if (const auto bytes = figure(line, key))
                current->dirtyBytes += *bytes;
        }
        if (const auto bytes = figure(line, "Swap"))
            current->swappedBytes += *bytes;
    }
    std::vector<MemoryRegions> result;
    for (int k = 0; k < KindCount; ++k) {
        if (kinds[k].count == 0)
            continue;
        kinds[k].kind = QString::fromLatin1(kindNames[k]);
        result.push_back(kinds[k]);
    }
    return result;
}

std::optional<qint64> footprint() {
    if (const auto rolled = footprint(readAll("/proc/self/smaps_rollup")))
        return rolled;
    return footprint(readAll("/proc/self/smaps"));
}

std::vector<MemoryRegions> regions() {
    return regions(readAll("/proc/self/smaps"),
                   QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

}  // namespace tandri::ProcMemory
