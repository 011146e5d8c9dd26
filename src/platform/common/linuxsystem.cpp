#include "platform/common/linuxsystem.h"

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

}  // namespace tandri
