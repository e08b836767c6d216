#include "app/ChartStyle.h"
#include "chart/ChartPalette.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace ChartStyle {

int DrawCentred(QPainter &p, const QRect &rect, const QString &text, const QFont &font, const QColor &colour)
{
    p.setFont(font);
    p.setPen(colour);
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    return QFontMetrics(font).horizontalAdvance(text);
}

void DrawTitleStrip(QPainter &p, const QRect &strip, const QString &title, const QFont &font)
{
    p.fillRect(strip, ChartPalette::CommentCell);
    p.setPen(ChartPalette::GridLine);
    p.drawLine(strip.bottomLeft(), strip.bottomRight());
    p.setFont(font);
    p.setPen(ChartPalette::CommentText);
    p.drawText(strip.adjusted(TitleMargin, 0, -TitleMargin, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               QFontMetrics(font).elidedText(title, Qt::ElideRight, strip.width() - 2 * TitleMargin));
}

double NiceAxisTop(double top, int ticks, double &step)
{
    if (!(top > 0)) {
        step = 1;
        return 1;
    }
    const double raw = top / qMax(1, ticks);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    step = (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10) * power;
    return std::ceil(top / step - 1e-9) * step;
}

} // namespace ChartStyle
