// SPDX-License-Identifier: MIT
// Sideways between layers of one level.
#include "catalogue/ringapp.h"
