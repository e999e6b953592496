#pragma once

#include <QColor>

namespace zelvora {

// The colour of a warning drawn on `background`: a red that keeps a contrast
// ratio of at least 4.5:1 against it (WCAG 2.1, success criterion 1.4.3), so
// it stays legible on dark palettes as on light ones. The red is made
// lighter or darker only as far as that needs.
QColor WarningColour(const QColor& background);

// The contrast ratio of two colours as WCAG 2.1 defines it, from 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

}  // namespace zelvora
