// Shrinking a font until its texts fit a fixed box.
#include "fit_font.h"

#include <QFontMetricsF>

namespace {

// Below this a text is unreadable anyway; it is then clipped instead.
constexpr double SmallestPointSize = 5.0;
constexpr double PointStep = 0.25;

bool Fits(const QFont& font, const QStringList& lines, QSize room)
{
    const QFontMetricsF metrics(font);
    if (metrics.height() + metrics.lineSpacing() * (lines.size() - 1) > room.height() + 0.5)
        return false;
    for (const QString& line : lines)
        if (metrics.horizontalAdvance(line) > room.width())
            return false;
    return true;
}

}  // namespace

QFont FontToFit(QFont font, const QStringList& lines, QSize room)
{
    while (!Fits(font, lines, room) && font.pointSizeF() - PointStep >= SmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - PointStep);
    return font;
}
