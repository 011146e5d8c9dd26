// SPDX-License-Identifier: MIT
// One backend reaching into another.
#include "platform/common/regularfile.h"
#include "platform/sim/simstate.h"
