#include "gui/app/palette_logic.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kReadableContrast = 4.5;

double Linear(double channel) {
  return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

}  // namespace

bool KdxIsDarkBackground(const QColor& background) { return Luminance(background) < 0.18; }

double KdxContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor KdxDocumentBackground(const QColor& systemWindow) {
  static const QColor kLight(172, 196, 184);
  static const QColor kDark(38, 56, 47);
  return KdxIsDarkBackground(systemWindow) ? kDark : kLight;
}

QColor KdxLabelTextColor(const QColor& label, const QColor& base) {
  if (!KdxIsDarkBackground(base)) return label;
  QColor shown = label.toHsl();
  // Lighten in small steps towards white; white itself always reads on a
  // dark base, so this ends.
  for (int lightness = shown.lightness(); lightness <= 255; lightness += 8) {
    shown.setHsl(shown.hslHue(), shown.hslSaturation(), std::min(lightness, 255));
    if (KdxContrastRatio(shown, base) >= kReadableContrast) return shown.toRgb();
  }
  return QColor(Qt::white);
}
