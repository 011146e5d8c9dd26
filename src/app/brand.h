#pragma once

#include <QString>

#include "ring/ringstyle.h"

namespace tandri::Brand {

/// The product's name as users see it.
inline QString name() { return QStringLiteral("Tandri"); }
/// The look of a fresh installation.
inline constexpr RingStyle defaultStyle = RingStyle::Glass;

}  // namespace tandri::Brand
