// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

namespace tandri {

/// The colours of the window-title rows.
struct ColumnColors {
    QColor fill;
    QColor selectedFill;
    QColor text;
    QColor selectedText;
    QColor stroke;
};

}  // namespace tandri
