#include "io/DrawText.h"

#include "core/FileAccess.h"
#include "core/Hao.h"
#include "core/VexelError.h"

#include <QFile>
#include <QStringDecoder>

namespace {

constexpr int DrawDigits = 7;
constexpr qint32 MaxDrawNumber = 9999999;
// A draw history is a few hundred KiB; a file far beyond that is not one.
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

// Reads a draw text as it comes, a piece at a time, keeping of each line
// only what decides it: its length up to seven characters, the first seven
// characters after its leading blanks, and whether anything but blanks
// follows them. A line of any length thus costs the same, and the reading
// holds the numbers found and nothing of the text.
class TDrawTextReader
{
public:
    // Takes the next bytes of the text; everything after a NUL is ignored.
    void Feed(QByteArrayView bytes)
    {
        if (m_ended)
            return;
        // No GBK trail byte is 0x00, so cutting at the first NUL never
        // splits a character.
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0) {
            bytes = bytes.first(nul);
            m_ended = true;
        }
        TakeText(m_decoder.decode(bytes));
    }

    // The numbers of every draw line in order; raises the conversion error
    // of the first bad line.
    QList<qint32> Finish()
    {
        // A lead byte cut off by the end of the text, which the decoder
        // still holds, is dropped, as decoding the whole text at once does.
        m_ended = true;
        EndLine();
        if (m_bad)
            throw EVexelError(QStringLiteral("'%1' is not a valid integer value").arg(m_badSlice));
        return m_numbers;
    }

private:
    void TakeText(const QString &text)
    {
        for (const QChar c : text)
            TakeChar(c);
    }

    void TakeChar(QChar c)
    {
        const bool lf = c == QLatin1Char('\n');
        if (lf && m_afterCr) {
            m_afterCr = false; // the LF of a CR LF pair
            return;
        }
        m_afterCr = c == QLatin1Char('\r');
        if (lf || m_afterCr) {
            EndLine();
            return;
        }
        if (m_length < DrawDigits)
            ++m_length;
        if (m_slice.isEmpty() && IsTrimmed(c))
            return; // leading blanks
        if (m_slice.size() < DrawDigits)
            m_slice += c;
        else if (!IsTrimmed(c))
            m_textAfterSlice = true;
    }

    // The line is trimmed at both ends and its first seven characters are
    // read: the seven after the leading blanks, less trailing blanks when
    // nothing else follows them.
    void EndLine()
    {
        if (m_length >= DrawDigits && !m_bad) {
            const QString slice = m_textAfterSlice ? m_slice : TrimText(m_slice);
            qint32 value = 0;
            if (ReadDrawNumber(slice, value)) {
                m_numbers.append(value);
            } else {
                m_bad = true;
                m_badSlice = slice;
                m_numbers.clear();
            }
        }
        m_length = 0;
        m_slice.clear();
        m_textAfterSlice = false;
    }

    QStringDecoder m_decoder{"GBK"};
    bool m_ended = false;
    bool m_afterCr = false;
    int m_length = 0;              // characters of the line, counted up to seven
    QString m_slice;               // up to seven characters after the leading blanks
    bool m_textAfterSlice = false; // something other than blanks after them
    bool m_bad = false;            // a line was no number: nothing is returned
    QString m_badSlice;            // the slice of the first such line
    QList<qint32> m_numbers;
};

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
    TDrawTextReader reader;
    reader.Feed(bytes);
    return reader.Finish();
}

QList<qint32> ReadDrawFile(const QString &path)
{
    QFile file(path);
    QString error;
    if (!FileAccess::OpenRegular(file, error))
        throw EVexelError(QStringLiteral("无法打开开奖数据文件：%1\r\n%2").arg(path, error));
    // The text goes to the reader piece by piece, so memory follows the
    // draws it holds, not its bytes. The size limit still applies: a file
    // beyond it is refused whatever its lines hold.
    TDrawTextReader reader;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    while (total <= MaxDrawFileSize) {
        const qint64 got = file.read(chunk.data(), chunk.size());
        if (got <= 0)
            break;
        total += got;
        if (total <= MaxDrawFileSize)
            reader.Feed(QByteArrayView(chunk.constData(), got));
    }
    if (file.error() != QFileDevice::NoError)
        throw EVexelError(QStringLiteral("读取开奖数据文件时出错：%1\r\n%2").arg(path, file.errorString()));
    if (total > MaxDrawFileSize)
        throw EVexelError(QStringLiteral("开奖数据文件太大（超过%2 MiB），不像是开奖数据：%1")
                              .arg(path).arg(MaxDrawFileSize / (1024 * 1024)));
    return reader.Finish();
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
