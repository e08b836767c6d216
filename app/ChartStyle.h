#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// The look of the draw chart, shared by the program's other painted charts:
// its cell and line colours, its text colours and its Song-style face, so
// that the statistics and backtest charts read as parts of one program.
namespace ChartStyle {

inline const QColor HeaderCell{212, 212, 212};
inline const QColor DigitCell{253, 255, 238};
inline const QColor NoteCell{238, 240, 255};
inline const QColor CommentLabelCell{224, 238, 217};
inline const QColor CommentCell{244, 255, 218};
inline const QColor GridLine{170, 170, 170};
inline const QColor DigitText{102, 0, 51};
inline const QColor CommentText{153, 51, 0};
// The first two colours of the pattern's steps.
inline const QColor FirstStep{0, 102, 255};
inline const QColor SecondStep{204, 153, 51};

// The chart's face at a pixel size.
QFont Font(int pixels, bool bold = false);

// Draws `text` centred in `rect` in the chart's face; returns its width.
int DrawCentred(QPainter &p, const QRect &rect, const QString &text, const QFont &font, const QColor &colour);

// The title strip of a painted chart: the description block's colours.
void DrawTitleStrip(QPainter &p, const QRect &strip, const QString &title, const QFont &font);

// A round upper end for an axis that shows `top`, with about `ticks` steps
// of 1, 2 or 5 times a power of ten; `step` receives the step.
double NiceAxisTop(double top, int ticks, double &step);

} // namespace ChartStyle
