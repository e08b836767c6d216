#include "core/RegColumnText.h"
#include "core/VexelReg.h"

#include <charconv>

namespace RegColumnText {

namespace {

int Digits(char *out, qint64 v)
{
    return int(std::to_chars(out, out + 20, v).ptr - out);
}

char Folded(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

const char *const Titles[ColumnCount] = {"点", "步", "隔", "距", "Vexel合分", "位置", "结果"};

} // namespace

QString Title(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromUtf8(Titles[column]) : QString();
}

QStringList Row(const TVexelReg &p)
{
    QStringList texts;
    texts.reserve(ColumnCount);
    for (int c = 0; c < ColumnCount; ++c)
        texts << Full(p, c);
    return texts;
}

QString PointPairs(const TVexelReg &p)
{
    QStringList points;
    const TPointList &line = p.Line(0);
    for (int i = 0; i < line.Count(); ++i)
        points << QStringLiteral("%1,%2").arg(line.Get(i).x).arg(line.Get(i).y);
    return points.join(QLatin1Char(' '));
}

QString Full(const TVexelReg &p, int column)
{
    switch (column) {
    case 0:
        return p.PointsText();
    case 1:
        return QString::number(p.StepCount());
    case 2:
        return QString::number(p.Interval());
    case 3:
        return QString::number(-p.NearestRow());
    case 4:
        return p.StepsText();
    case 5:
        return p.PositionText();
    case 6:
        return p.ResultText();
    default:
        return QString();
    }
}

QString Shown(const TVexelReg &p, int column)
{
    TReader reader(p, column);
    QByteArray text;
    for (char c = reader.Next(); c; c = reader.Next()) {
        if (text.size() == MaxShownLength)
            return QString::fromLatin1(text) + QChar(0x2026);
        text += c;
    }
    return QString::fromLatin1(text);
}

TReader::TReader(const TVexelReg &p, int column)
    : m_pattern(p)
{
    switch (column) {
    case 0:
        m_length = Digits(m_text, p.Line(0).Count());
        break;
    case 1:
        m_length = Digits(m_text, p.StepCount());
        break;
    case 2:
        m_length = Digits(m_text, p.Interval());
        break;
    case 3:
        m_length = Digits(m_text, -qint64(p.NearestRow()));
        break;
    case 4:
        m_step = p.StepCount() - 1;
        break;
    case 5:
        for (int b = 0; b <= 4; ++b)
            if (p.TargetMask() & (1u << b))
                m_text[m_length++] = "HABCDEFG"[b];
        break;
    case 6:
        if (p.StepCount() > 0) {
            const qint32 v = p.Value(0, 0);
            if (p.Kind() != 2)
                m_length = Digits(m_text, v);
            if (p.Kind() != 1)
                m_length += Digits(m_text + m_length, TVexelReg::PairedDigit(v));
        }
        break;
    default:
        break;
    }
}

char TReader::Next()
{
    if (m_at == m_length && !NextStep())
        return 0;
    return m_text[m_at++];
}

// The steps text holds the values from the oldest step down to step 0,
// separated by commas.
bool TReader::NextStep()
{
    if (m_step < 0)
        return false;
    m_length = Digits(m_text, m_pattern.Value(m_step, 0));
    if (m_step > 0)
        m_text[m_length++] = ',';
    m_at = 0;
    --m_step;
    return true;
}

TSortKey SortKey(const TVexelReg &p, int column)
{
    TReader reader(p, column);
    unsigned char bytes[16] = {};
    int n = 0;
    char c = reader.Next();
    for (; c && n < 15; c = reader.Next())
        bytes[n++] = static_cast<unsigned char>(Folded(c));
    if (c)
        bytes[15] = 1;
    TSortKey key;
    for (int i = 0; i < 8; ++i) {
        key.head = key.head << 8 | bytes[i];
        key.tail = key.tail << 8 | bytes[8 + i];
    }
    return key;
}

int Compare(const TVexelReg &a, const TVexelReg &b, int column)
{
    TReader ra(a, column);
    TReader rb(b, column);
    for (;;) {
        const char x = Folded(ra.Next());
        const char y = Folded(rb.Next());
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        if (!x)
            return 0;
    }
}

} // namespace RegColumnText
