// Importing a draw text file over a draw list that already holds draws:
// either every line is read and the list becomes exactly those draws, or the
// import stops with the message about the first bad line and the list is as
// it was. What follows a NUL byte never matters, nor whether lines end in CR
// LF or LF.
#include "fuzz/targets/FuzzTargets.h"

#include "io/DrawText.h"
#include "io/TextExcerpt.h"
#include "core/Hao.h"
#include "core/VexelError.h"

#include <QRegularExpression>

namespace VexelFuzz {

namespace {

const char *const Target = "drawtext";

TCodes PriorDraws()
{
    TCodes draws;
    const char *const numbers[] = {"8558511", "4176936", "0381295"};
    for (const char *n : numbers) {
        const int i = draws.Add();
        for (int p = 1; p <= 7; ++p)
            draws.SetNum(p, i, n[p - 1] - '0');
    }
    return draws;
}

bool SameDraws(const TCodes &a, const TCodes &b)
{
    if (a.Count() != b.Count() || a.FirstNumber() != b.FirstNumber())
        return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.GetCode(i) != b.GetCode(i))
            return false;
    return true;
}

struct Outcome
{
    bool ok = false;
    QList<qint32> numbers;
    QString error;

    bool operator==(const Outcome &) const = default;
};

Outcome Parse(const QByteArray &bytes)
{
    Outcome out;
    try {
        out.numbers = ParseDrawText(bytes);
        out.ok = true;
    } catch (const EVexelError &e) {
        out.error = e.message();
    }
    return out;
}

Outcome WithoutLineNumber(Outcome outcome)
{
    static const QRegularExpression line(QStringLiteral("第\\d+行"));
    outcome.error.replace(line, QStringLiteral("第N行"));
    return outcome;
}

} // namespace

void DrawText(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TCodes before = PriorDraws();
    TCodes draws = before;

    const Outcome outcome = Parse(bytes);
    if (!outcome.ok) {
        // The message names a line of the text and quotes at most the
        // start of it.
        static const QRegularExpression message(
            QStringLiteral("^开奖数据的第(\\d+)行不是开奖号码：“(.*)”\r\n每行应以七位数字开头。$"),
            QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = message.match(outcome.error);
        FUZZ_CHECK(Target, m.hasMatch(), QStringLiteral("unexpected import message: %1").arg(outcome.error));
        FUZZ_CHECK(Target, m.captured(1).toLongLong() <= bytes.count('\n') + bytes.count('\r') + 1,
                   QStringLiteral("the message names a line beyond the text: %1").arg(outcome.error));
        FUZZ_CHECK(Target, m.captured(2).toUcs4().size() <= MaxExcerptChars + 1,
                   QStringLiteral("the message quotes too much: %1").arg(outcome.error));
        FUZZ_CHECK(Target, SameDraws(draws, before), QStringLiteral("a failed import changed the draw list"));
    } else {
        for (const qint32 n : outcome.numbers)
            FUZZ_CHECK(Target, n >= 0 && n <= 9999999, QStringLiteral("the import read the number %1").arg(n));
        try {
            RebuildDrawList(draws, outcome.numbers);
        } catch (const EVexelError &e) {
            Fail(Target, QStringLiteral("the draw list rebuild refused what the import read: %1").arg(e.message()));
        }
        FUZZ_CHECK(Target, draws.Count() == outcome.numbers.size(),
                   QStringLiteral("%1 numbers read, %2 draws listed").arg(outcome.numbers.size()).arg(draws.Count()));
        for (int i = 0; i < draws.Count(); ++i) {
            const QString digits = FormatDrawNumber(outcome.numbers[i]);
            const TCode code = draws.GetCode(i);
            for (int p = 1; p <= 7; ++p)
                FUZZ_CHECK(Target, code[size_t(p)] == digits.at(p - 1).digitValue(),
                           QStringLiteral("draw %1 does not hold the digits of %2").arg(i).arg(digits));
            FUZZ_CHECK(Target, code[0] == code[1] + code[2] + code[3] + code[4],
                       QStringLiteral("draw %1 has a wrong sum").arg(i));
        }
    }

    // A NUL byte ends the text.
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        FUZZ_CHECK(Target, Parse(bytes.left(nul)) == outcome, QStringLiteral("the bytes after a NUL changed the import"));
    // CR LF and LF end lines alike; neither byte is part of a GBK character.
    if (bytes.contains("\r\n")) {
        QByteArray lf = bytes;
        lf.replace("\r\n", "\n");
        // Only the line named may differ: a CR before a CR LF ends an empty
        // line that the replacing takes away.
        FUZZ_CHECK(Target, WithoutLineNumber(Parse(lf)) == WithoutLineNumber(outcome),
                   QStringLiteral("the import depends on CR LF against LF"));
    }
}

} // namespace VexelFuzz
