// A reply of the data service, as the download reads it: GBK text split into
// lines, the hand-over lines built from it, and their conversion into draw
// numbers for the draw list rebuild. The conversion also runs on the reply's
// lines as they stand, since the hand-over lines reach it through a signal.
// What must hold: a refused reply or a line that does not convert leaves the
// draw list as it was; a hand-over line is the issue, "#" and the digit text;
// a decoded draw is seven digits and scrambles back to the digit text.
#include "fuzz/targets/FuzzTargets.h"

#include "io/DataDown.h"
#include "io/DigitKey.h"
#include "io/DrawText.h"
#include "io/Gbk.h"
#include "core/Hao.h"
#include "core/VexelError.h"

namespace VexelFuzz {

namespace {

const char *const Target = "download";

TCodes PriorDraws()
{
    TCodes draws;
    for (int i = 0; i < 2; ++i) {
        draws.Add();
        for (int p = 1; p <= 7; ++p)
            draws.SetNum(p, i, (p + 3 * i) % 10);
    }
    return draws;
}

bool SameDraws(const TCodes &a, const TCodes &b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.GetCode(i) != b.GetCode(i))
            return false;
    return true;
}

bool SevenDigits(const QString &text)
{
    if (text.size() != 7)
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// LoadDownloadedDraws: convert every line, then rebuild; a failure before
// the rebuild leaves the draw list alone.
void Load(const QStringList &handOver)
{
    const TCodes before = PriorDraws();
    TCodes draws = before;
    QList<qint32> numbers;
    try {
        numbers = ConvertDownloadedDraws(handOver);
    } catch (const EVexelError &e) {
        FUZZ_CHECK(Target, e.message().endsWith(QStringLiteral("' is not a valid integer value")),
                   QStringLiteral("unexpected conversion message: %1").arg(e.message()));
        FUZZ_CHECK(Target, SameDraws(draws, before), QStringLiteral("a failed conversion changed the draw list"));
        return;
    }
    FUZZ_CHECK(Target, numbers.size() == handOver.size(),
               QStringLiteral("%1 lines converted into %2 numbers").arg(handOver.size()).arg(numbers.size()));
    for (qsizetype i = 0; i < handOver.size(); ++i) {
        const QStringList pieces = SplitText(QStringLiteral("#"), TrimText(handOver[i]));
        const QString issue = pieces.value(0);
        const QString digits = pieces.value(1);
        const QString decoded = DecodeDrawDigits(issue, digits);
        FUZZ_CHECK(Target, SevenDigits(decoded), QStringLiteral("line %1 decodes to '%2'").arg(i).arg(decoded));
        FUZZ_CHECK(Target, numbers[i] == decoded.toInt(),
                   QStringLiteral("line %1 gives %2, not its decoded digits %3").arg(i).arg(numbers[i]).arg(decoded));
        const QString scrambled = digits.left(7);
        if (SevenDigits(scrambled))
            FUZZ_CHECK(Target, EncodeDrawDigits(issue, decoded) == scrambled,
                       QStringLiteral("line %1: '%2' does not scramble back to '%3'").arg(i).arg(decoded, scrambled));
    }
    try {
        RebuildDrawList(draws, numbers);
    } catch (const EVexelError &e) {
        Fail(Target, QStringLiteral("the rebuild refused converted numbers: %1").arg(e.message()));
    }
    FUZZ_CHECK(Target, draws.Count() == numbers.size(), QStringLiteral("the rebuild lost draws"));
}

} // namespace

void Download(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList reply = SplitLines(DecodeGbk(bytes));

    QStringList handOver;
    bool accepted = false;
    try {
        handOver = BuildHandOver(reply);
        accepted = true;
    } catch (const EVexelError &) {
        // A refused reply: the worker reports the failure and hands nothing over.
    }
    if (accepted) {
        FUZZ_CHECK(Target, reply.size() >= 2 && reply.first().contains(QStringLiteral("成功")),
                   QStringLiteral("a reply without success status was accepted"));
        qsizetype drawLines = 0;
        for (qsizetype i = 1; i < reply.size(); ++i)
            drawLines += TrimText(reply[i]).isEmpty() ? 0 : 1;
        FUZZ_CHECK(Target, handOver.size() == drawLines,
                   QStringLiteral("%1 draw lines gave %2 hand-over lines").arg(drawLines).arg(handOver.size()));
        for (const QString &line : handOver) {
            FUZZ_CHECK(Target, line.count(QLatin1Char('#')) == 1,
                       QStringLiteral("hand-over line '%1' is not issue#digits").arg(line));
            FUZZ_CHECK(Target, TrimText(line) == line, QStringLiteral("hand-over line '%1' is not trimmed").arg(line));
        }
        Load(handOver);
    }
    Load(reply.mid(1));
}

} // namespace VexelFuzz
