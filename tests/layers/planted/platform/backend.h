// SPDX-License-Identifier: MIT
// An interface that knows a backend.
#include "platform/x11/x11desktop.h"
