// SPDX-License-Identifier: MIT
#include "settings/permissionwatch.h"

#include <algorithm>
#include <iterator>

#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/screencapture.h"
#include "platform/windowlist.h"
#include "windows/windowsource.h"

namespace tandri {

PermissionWatch::PermissionWatch(Platform& platform) : platform_(platform) {
    read();
    timer_ = platform.clock.repeat(interval, [this] {
        const bool before[] = {accessibility_, screenCapture_, reported_};
        read();
        const bool after[] = {accessibility_, screenCapture_, reported_};
        if (!std::equal(std::begin(before), std::end(before), std::begin(after)) && changed)
            changed();
    });
}

PermissionWatch::~PermissionWatch() = default;

void PermissionWatch::read() {
    accessibility_ = WindowSource::isTrusted(platform_.accessibility);
    screenCapture_ = platform_.screenCapture.hasPermission();
    reported_ = platform_.windowList.screenCaptureAllowed();
}

}  // namespace tandri
