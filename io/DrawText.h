#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TCodes;

// Removes spaces and control characters (every code up to U+0020) at both ends.
QString TrimText(const QString &text);

// The seven-character text of a draw number: "%7d" with the spaces turned
// into "0", so 381295 gives "0381295". Only 0..9999999 give seven digits.
QString FormatDrawNumber(qint32 value);

// The pieces of `text` between occurrences of `separator`. The text is
// trimmed once; the pieces are not. Leading, trailing and repeated separators
// give no empty pieces. An empty separator gives the trimmed text as one piece.
QStringList SplitText(const QString &separator, const QString &text);

// The lines of a text whose lines end with CR, LF or CR LF, in any mix. A
// terminator at the very end does not open another line.
QStringList SplitLines(const QString &text);

// Reads a draw text: GBK, a NUL byte ends it, lines end with CR, LF or CR LF.
// Lines shorter than seven characters are skipped; every other line is
// trimmed and its first seven characters must be an optional '+' followed by
// decimal digits. Returns the numbers (0..9999999) in line order. Every line
// is checked first: on a bad one EVexelError is raised with BadDrawLineText
// for the first such line and nothing is returned.
QList<qint32> ParseDrawText(const QByteArray &bytes);

// What the user reads of a draw text whose line `line` (from 1, every line
// counted) is no draw: the file (none for a text that is no file), the line
// and its start as TextExcerpt quotes it, in Chinese.
QString BadDrawLineText(const QString &fileName, qint64 line, const QString &quote);

// ParseDrawText on the contents of a file, read a piece at a time, its
// message about a bad line naming the file: memory
// follows the draws it holds, not its size. A file that cannot be read, is
// no regular file (a FIFO would block the reading), or is unreasonably large
// for a draw history raises EVexelError naming it.
QList<qint32> ReadDrawFile(const QString &path);

// Replaces the draw list with one draw per number, in order. All numbers are
// checked before the list is touched; one outside 0..9999999 raises
// EVexelError and leaves the list as it was.
void RebuildDrawList(TCodes &draws, const QList<qint32> &numbers);
