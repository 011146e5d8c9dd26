#include "platform/common/linuxsystem.h"

#include <syslog.h>

#include <QTextStream>
#include <cstdio>
#include <cstdlib>  // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tandri {

void LinuxSystem::relieveMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void LinuxSystem::log(const QString& line) {
    const QByteArray text = line.toUtf8();
    syslog(LOG_USER | LOG_NOTICE, "%s", text.constData());
    QTextStream(stderr) << line << '\n';
}

}  // namespace tandri
