// SPDX-License-Identifier: MIT
// An include that points up.
#include "app/appdelegate.h"
#include "prefs/settings.h"
