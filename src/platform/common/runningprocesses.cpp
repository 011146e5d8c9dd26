// SPDX-License-Identifier: MIT
#include "platform/common/runningprocesses.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "platform/common/regularfile.h"

namespace tandri::RunningProcesses {

namespace {

// Far above any command line a launcher is started with.
constexpr qint64 limit = 64 * 1024;

QString fileName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// Interpreters whose first argument is the program they run.
bool isInterpreter(const QString& program) {
    const QString name = fileName(program);
    return name.startsWith(QStringLiteral("python")) || name == u"perl" || name == u"ruby" ||
           name == u"node" || name == u"sh" || name == u"bash";
}

}  // namespace

std::vector<Process> ofThisUser(const QString& proc) {
    std::vector<Process> result;
    const uid_t me = getuid();
    const QStringList entries = QDir(proc).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint32 pid = entry.toInt(&isPid);
        if (!isPid || pid <= 0)
            continue;
        const QString folder = proc + u'/' + entry;
        struct stat info {};
        if (stat(QFile::encodeName(folder).constData(), &info) != 0 || info.st_uid != me)
            continue;
        // A process that ended between the listing and the reading is simply not there.
        const RegularFile comm = RegularFile::read(folder + QStringLiteral("/comm"), limit);
        if (!comm.ok())
            continue;
        Process process{pid, QString::fromUtf8(comm.bytes).trimmed(), {}};
        const RegularFile cmdline = RegularFile::read(folder + QStringLiteral("/cmdline"), limit);
        if (cmdline.ok()) {
            for (const QByteArray& argument : cmdline.bytes.split('\0'))
                process.arguments << QString::fromUtf8(argument);
            // The line ends with a NUL, which leaves one empty piece behind.
            if (!process.arguments.isEmpty() && process.arguments.last().isEmpty())
                process.arguments.removeLast();
        }
        result.push_back(std::move(process));
    }
    return result;
}

bool runs(const Process& process, const QString& name) {
    if (name.isEmpty())
        return false;
    // The kernel keeps the first 15 bytes of the name.
    if (process.command == name.left(15))
        return true;
    if (process.arguments.isEmpty())
        return false;
    if (fileName(process.arguments.front()) == name)
        return true;
    if (!isInterpreter(process.arguments.front()))
        return false;
    // The script is the first argument that is no option of the interpreter's.
    for (qsizetype i = 1; i < process.arguments.size(); ++i) {
        const QString& argument = process.arguments[i];
        if (argument.startsWith(u'-'))
            continue;
        return fileName(argument) == name;
    }
    return false;
}

}  // namespace tandri::RunningProcesses
