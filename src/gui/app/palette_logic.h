// Colours that stay readable on the desktop's palette, light or dark: the
// document window's green background and the label colours of entry titles.
#pragma once

#include <QColor>

// True when the palette shows light text on dark backgrounds.
[[nodiscard]] bool KdxIsDarkBackground(const QColor& background);

// WCAG contrast ratio of two colours, 1 to 21.
[[nodiscard]] double KdxContrastRatio(const QColor& a, const QColor& b);

// The document window's background: its light green, or a dark green of the
// same hue when the desktop's windows are dark (their text is light then).
[[nodiscard]] QColor KdxDocumentBackground(const QColor& systemWindow);

// A label colour as text on base. On a light base the stored colour is shown
// as it is; on a dark one it is lightened, keeping its hue, until it reads
// (contrast 4.5:1), so that a black or dark blue label does not vanish.
[[nodiscard]] QColor KdxLabelTextColor(const QColor& label, const QColor& base);
