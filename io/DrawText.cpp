#include "DrawText.h"

#include "Gbk.h"
#include "Hao.h"
#include "VexelError.h"

#include <QFile>

namespace {

constexpr int DrawDigits = 7;
constexpr qint32 MaxDrawNumber = 9999999;
// A draw history is a few hundred KiB; anything far beyond that is not one,
// and reading it whole would only exhaust memory.
constexpr qint64 MaxDrawFileSize = 64 * 1024 * 1024;

bool IsTrimmed(QChar c)
{
    return c.unicode() <= 0x20;
}

// An optional '+' and then one or more ASCII digits, nothing else. A slice
// has at most seven characters, so the value always fits.
bool ReadDrawNumber(const QString &slice, qint32 &value)
{
    qsizetype i = slice.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (i == slice.size())
        return false;
    qint32 result = 0;
    for (; i < slice.size(); ++i) {
        const char16_t c = slice.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        result = result * 10 + (c - u'0');
    }
    value = result;
    return true;
}

} // namespace

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString TrimText(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && IsTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString FormatDrawNumber(qint32 value)
{
    return QString::asprintf("%7d", value).replace(QLatin1Char(' '), QLatin1Char('0'));
}

QStringList SplitText(const QString &separator, const QString &text)
{
    QStringList pieces;
    const QString rest = TrimText(text);
    if (separator.isEmpty()) {
        // Searching for an empty separator would find it at every position
        // and never consume any text.
        if (!rest.isEmpty())
            pieces.append(rest);
        return pieces;
    }
    qsizetype pos = 0;
    while (pos < rest.size()) {
        const qsizetype found = rest.indexOf(separator, pos);
        if (found < 0) {
            pieces.append(rest.mid(pos));
            break;
        }
        if (found > pos)
            pieces.append(rest.mid(pos, found - pos));
        pos = found + separator.size();
    }
    return pieces;
}

QList<qint32> ParseDrawText(const QByteArray &bytes)
{
    // No GBK trail byte is 0x00, so cutting the bytes at the first NUL never
    // splits a character.
    const qsizetype nul = bytes.indexOf('\0');
    const QString text = DecodeGbk(nul < 0 ? bytes : bytes.left(nul));

    QList<qint32> numbers;
    for (const QString &line : SplitLines(text)) {
        if (line.size() < DrawDigits)
            continue;
        const QString slice = TrimText(line).left(DrawDigits);
        qint32 value = 0;
        if (!ReadDrawNumber(slice, value))
            throw EVexelError(QStringLiteral("'%1' is not a valid integer value").arg(slice));
        numbers.append(value);
    }
    return numbers;
}

QList<qint32> ReadDrawFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EVexelError(QStringLiteral("Cannot open draw file '%1': %2").arg(path, file.errorString()));
    // Read in chunks so that a huge file or an endless special file stops at
    // the limit instead of exhausting memory.
    QByteArray bytes;
    while (bytes.size() <= MaxDrawFileSize) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        throw EVexelError(QStringLiteral("Cannot read draw file '%1': %2").arg(path, file.errorString()));
    if (bytes.size() > MaxDrawFileSize)
        throw EVexelError(QStringLiteral("Draw file '%1' is too large: more than %2 MiB")
                              .arg(path).arg(MaxDrawFileSize / (1024 * 1024)));
    return ParseDrawText(bytes);
}

void RebuildDrawList(TCodes &draws, const QList<qint32> &numbers)
{
    for (const qint32 number : numbers) {
        if (number < 0 || number > MaxDrawNumber)
            throw EVexelError(QStringLiteral("RebuildDrawList: %1 is not a draw number").arg(number));
    }
    draws.Clear();
    for (const qint32 number : numbers) {
        const int index = draws.Add();
        const QString digits = FormatDrawNumber(number);
        for (int k = 1; k <= DrawDigits; ++k)
            draws.SetNum(k, index, digits.at(k - 1).digitValue());
    }
}
