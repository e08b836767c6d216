#include "chart/ChartPalette.h"

namespace ChartPalette {

QColor StepColor(int step)
{
    static constexpr QRgb Colors[StepColorCount] = {
        qRgb(0, 102, 255),   qRgb(204, 153, 51), qRgb(87, 3, 159),   qRgb(96, 102, 63),   qRgb(48, 151, 85),
        qRgb(204, 153, 153), qRgb(153, 51, 204), qRgb(64, 22, 144), qRgb(48, 167, 149), qRgb(103, 99, 143),
    };
    return QColor(Colors[((step % StepColorCount) + StepColorCount) % StepColorCount]);
}

QStringList FontFamilies()
{
    return {
        QStringLiteral("宋体"),
        QStringLiteral("SimSun"),
        QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("AR PL UMing CN"),
        QStringLiteral("Noto Sans CJK SC"),
    };
}

QFont Font(int pixels, bool bold)
{
    QFont font;
    font.setFamilies(FontFamilies());
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(qMax(1, pixels));
    font.setBold(bold);
    return font;
}

} // namespace ChartPalette
