#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// Drawing helpers of the program's painted charts besides the draw chart,
// in the draw chart's colours and face (chart/ChartPalette.h), so that the
// statistics and backtest charts read as parts of one program.
namespace ChartStyle {

// Draws `text` centred in `rect` in the chart's face; returns its width.
int DrawCentred(QPainter &p, const QRect &rect, const QString &text, const QFont &font, const QColor &colour);

// Room left and right of a title in its strip.
constexpr int TitleMargin = 8;

// The title strip of a painted chart: the description block's colours.
void DrawTitleStrip(QPainter &p, const QRect &strip, const QString &title, const QFont &font);

// A round upper end for an axis that shows `top`, with about `ticks` steps
// of 1, 2 or 5 times a power of ten; `step` receives the step.
double NiceAxisTop(double top, int ticks, double &step);

} // namespace ChartStyle
