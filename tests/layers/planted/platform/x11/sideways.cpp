// One backend reaching into another.
#include "platform/sim/simstate.h"
#include "platform/common/regularfile.h"
