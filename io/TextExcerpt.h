#pragma once

#include <QString>
#include <QStringView>

// The longest excerpt of a text from outside that a message quotes.
inline constexpr int MaxExcerptChars = 40;

// The start of a text that came from outside (a file's line, a server's
// reply), fit to quote in a message: at most MaxExcerptChars characters,
// control and layout characters shown as blanks, runs of blanks as one, ends
// trimmed, "…" ending a cut text. Reads only as much of `text` as it needs,
// however long that is.
QString TextExcerpt(QStringView text);
