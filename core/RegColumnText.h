#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <compare>

class TVexelReg;

// The seven texts of a pattern as the pattern list shows them, and as the
// command-line search and the list's CSV export write them. The list
// computes them from the pattern when they are needed: rows keep no texts. A pattern read from a damaged file
// may claim millions of steps, so its steps text is read a character at a
// time wherever a whole text is not required: to show it, cut short, and to
// order rows by it.
namespace RegColumnText {

// The longest text a cell shows; a longer one is cut there and ends in "…".
constexpr int MaxShownLength = 512;

constexpr int ColumnCount = 7;

// Column 0 points, 1 steps, 2 interval, 3 distance, 4 step values
// (oldest first), 5 target positions, 6 result.
QString Title(int column);
QString Full(const TVexelReg &pattern, int column);
QString Shown(const TVexelReg &pattern, int column);
// The seven whole texts in column order.
QStringList Row(const TVexelReg &pattern);
// The points of the pattern's line as "column,row" pairs separated by spaces.
QString PointPairs(const TVexelReg &pattern);

// The characters of one column's text in order; every one of them is ASCII.
class TReader
{
public:
    TReader(const TVexelReg &pattern, int column);
    // The next character, or 0 after the last one.
    char Next();

private:
    bool NextStep();

    const TVexelReg &m_pattern;
    int m_step = -1;        // the next step of the steps text, counting down
    char m_text[48];
    int m_length = 0;
    int m_at = 0;
};

// The first 15 characters of a text (a to z as A to Z), then whether more
// follow. Keys order texts as the list's column sort does, except that two
// texts longer than 15 characters with equal keys need Compare.
struct TSortKey
{
    quint64 head = 0;
    quint64 tail = 0;

    auto operator<=>(const TSortKey &) const = default;
    bool Cut() const { return (tail & 0xFF) != 0; }
};

TSortKey SortKey(const TVexelReg &pattern, int column);
// The list's column comparison on the whole texts: ordinal, a to z compared
// as A to Z; negative, 0 or positive.
int Compare(const TVexelReg &a, const TVexelReg &b, int column);

} // namespace RegColumnText
