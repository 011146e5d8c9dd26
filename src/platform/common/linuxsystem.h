#pragma once

#include "platform/system.h"

namespace tandri {

/// Process-level services of a Linux system.
class LinuxSystem : public System {
public:
    void relieveMemory() override;
};

}  // namespace tandri
