#pragma once
// The viewer's windows were laid out for a 9.75-point MS Sans Serif, which a
// Linux desktop does not have; the system's sans-serif at that size fits the
// same control sizes.

#include <QFont>

namespace rastella {

inline constexpr qreal kViewerFontPoints = 9.75;

inline QFont ViewerFont(bool bold, qreal points = kViewerFontPoints) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace rastella
