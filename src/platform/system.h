#pragma once

namespace tandri {

/// Process-level services.
class System {
public:
    virtual ~System() = default;
    /// Gives freed heap memory back to the operating system.
    virtual void relieveMemory() = 0;
};

}  // namespace tandri
