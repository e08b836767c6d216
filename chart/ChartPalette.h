#pragma once

// The chart's look in one place: its cell, line and text colours, the
// colours of a pattern's steps and its Song (Ming) style face. The draw
// chart paints with them, and so do the program's other painted charts and
// the main window's face, so that every window reads as one program.

#include <QColor>
#include <QFont>
#include <QStringList>

namespace ChartPalette {

// Cell backgrounds.
inline const QColor HeaderCell{212, 212, 212};
inline const QColor IssueCell{245, 222, 229};
inline const QColor ValueCell{253, 238, 238};
inline const QColor DigitCell{253, 255, 238};
inline const QColor TailDigitCell{238, 254, 245};    // digits E to G with 10 columns
inline const QColor NoteCell{238, 240, 255};
inline const QColor CommentLabelCell{224, 238, 217}; // the description block's first column
inline const QColor CommentCell{244, 255, 218};      // the rest of the description block

inline const QColor GridLine{170, 170, 170};

// Texts.
inline const QColor DigitText{102, 0, 51};           // digits A to D
inline const QColor TailDigitText{153, 153, 153};    // digits E to G
inline const QColor CommentText{153, 51, 0};         // the description block

// Pen colour of step i of a pattern: entry i mod StepColorCount.
constexpr int StepColorCount = 10;
QColor StepColor(int step);

// The face's families, the first installed one wins: the Song face by its
// Chinese and its Latin name, then the free CJK serif and sans faces.
QStringList FontFamilies();
// The face at a pixel size.
QFont Font(int pixels, bool bold = false);

} // namespace ChartPalette
