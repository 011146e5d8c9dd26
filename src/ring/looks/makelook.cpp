// SPDX-License-Identifier: MIT
#include <atomic>
#include <memory>

#include "ring/looks/auralook.h"
#include "ring/looks/glasslook.h"
#include "ring/looks/orbitlook.h"
#include "ring/looks/outlinelook.h"
#include "ring/looks/quiblook.h"
#include "ring/ringlook.h"

namespace tandri {

quint64 RingLook::nextSerial() {
    static std::atomic<quint64> last{0};
    return ++last;
}

std::shared_ptr<const RingLook> makeLook(const LookChoice& choice) {
    switch (choice.style) {
        case RingStyle::Glass:
            return std::make_shared<const GlassLook>(choice.dark, choice.accent);
        case RingStyle::Quib:
            return std::make_shared<const QuibLook>(choice.background);
        case RingStyle::Aura:
            return std::make_shared<const AuraLook>(choice.background);
        case RingStyle::Orbit:
            return std::make_shared<const OrbitLook>(choice.dark);
        case RingStyle::Outline:
            return std::make_shared<const OutlineLook>(choice.dark, choice.accent);
    }
    return std::make_shared<const QuibLook>(choice.background);
}

}  // namespace tandri
