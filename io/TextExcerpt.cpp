#include "io/TextExcerpt.h"

#include <QChar>

namespace {

// Characters that would break a message's layout or direction, or hide in it.
bool ShownAsBlank(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

void DropLastCodePoint(QString &text)
{
    const qsizetype n = text.size();
    const bool pair = n >= 2 && text.at(n - 1).isLowSurrogate() && text.at(n - 2).isHighSurrogate();
    text.chop(pair ? 2 : 1);
}

} // namespace

QString TextExcerpt(QStringView text)
{
    QString excerpt;
    int chars = 0;
    bool blankPending = false;
    bool cut = false;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            units = 2;
        } else if (QChar::isSurrogate(c)) {
            c = QChar::ReplacementCharacter;
        }
        i += units;
        if (ShownAsBlank(c)) {
            blankPending = !excerpt.isEmpty();
            continue;
        }
        if (chars + (blankPending ? 1 : 0) + 1 > MaxExcerptChars) {
            cut = true;
            break;
        }
        if (blankPending) {
            excerpt += QLatin1Char(' ');
            ++chars;
            blankPending = false;
        }
        excerpt += QChar::fromUcs4(c);
        ++chars;
    }
    if (cut) {
        // Room for the ellipsis.
        DropLastCodePoint(excerpt);
        while (excerpt.endsWith(QLatin1Char(' ')))
            excerpt.chop(1);
        excerpt += QChar(0x2026);
    }
    return excerpt;
}
