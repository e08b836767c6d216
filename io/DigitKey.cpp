#include "io/DigitKey.h"

#include "io/ProductInfo.h"
#include "core/VexelError.h"

#include <limits>

#ifndef VEXEL_DIGIT_KEY_K
#error "VEXEL_DIGIT_KEY_K must be defined by the build"
#endif

namespace {

constexpr int DrawDigits = 7;

// Keeps every dividend of the unscramble positive: with keys built by
// BuildDigitKey the subtracted terms stay below 7 * 62 + 9 * 9 + 9.
constexpr int DividendOffset = 2000;

EVexelError ConversionError(const QString &text)
{
    return EVexelError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

} // namespace

int DigitKeyConstant()
{
    return VEXEL_DIGIT_KEY_K;
}

TDigitKey BuildDigitKey(const QString &productId, int constant)
{
    const QString upper = productId.toUpper();
    if (upper.size() < DrawDigits)
        throw EVexelError(QStringLiteral("BuildDigitKey: '%1' has fewer than seven characters").arg(productId));
    if (constant < 1)
        throw EVexelError(QStringLiteral("BuildDigitKey: %1 is not a positive constant").arg(constant));
    TDigitKey key{};
    int sum = 0;
    for (int k = 1; k <= DrawDigits; ++k) {
        key[size_t(k)] = int(upper.at(k - 1).unicode()) % 10;
        sum += key[size_t(k)];
    }
    if (sum == 0)
        throw EVexelError(QStringLiteral("BuildDigitKey: '%1' gives no key").arg(productId));
    key[0] = constant % sum;
    return key;
}

TDigitKey BuildDigitKey()
{
    return BuildDigitKey(QLatin1String(ProductIdentifier), DigitKeyConstant());
}

const TDigitKey &DigitKey()
{
    static const TDigitKey key = BuildDigitKey();
    return key;
}

qint32 ReadInteger(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-'))) {
        negative = text.at(0) == QLatin1Char('-');
        i = 1;
    }
    if (i == text.size())
        throw ConversionError(text);
    // Accumulate as a negative number so that the smallest value fits.
    constexpr qint64 Min = std::numeric_limits<qint32>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            throw ConversionError(text);
        value = value * 10 - (c - u'0');
        if (value < Min)
            throw ConversionError(text);
    }
    if (!negative) {
        value = -value;
        if (value > std::numeric_limits<qint32>::max())
            throw ConversionError(text);
    }
    return qint32(value);
}

QString DecodeDrawDigits(const QString &issueText, const QString &digitText)
{
    return DecodeDrawDigits(issueText, digitText, DigitKey());
}

QString DecodeDrawDigits(const QString &issueText, const QString &digitText, const TDigitKey &key)
{
    const qint32 issue = ReadInteger(issueText);
    if (digitText.size() < DrawDigits)
        throw ConversionError(digitText);
    // C++ '%' is the remainder with the sign of the dividend.
    const int issueDigit = issue % 10;
    QString digits;
    digits.reserve(DrawDigits);
    for (int k = 1; k <= DrawDigits; ++k) {
        int d = (int(digitText.at(k - 1).unicode()) - 48) % 10;
        d = (d - k * key[0] - issueDigit * key[size_t(k)] + DividendOffset) % 10;
        digits.append(QChar(u'0' + d));
    }
    return digits;
}

QString EncodeDrawDigits(const QString &issueText, const QString &drawDigits)
{
    return EncodeDrawDigits(issueText, drawDigits, DigitKey());
}

QString EncodeDrawDigits(const QString &issueText, const QString &drawDigits, const TDigitKey &key)
{
    const qint32 issue = ReadInteger(issueText);
    bool digitsOnly = drawDigits.size() == DrawDigits;
    for (qsizetype i = 0; digitsOnly && i < drawDigits.size(); ++i)
        digitsOnly = drawDigits.at(i) >= QLatin1Char('0') && drawDigits.at(i) <= QLatin1Char('9');
    if (!digitsOnly)
        throw EVexelError(QStringLiteral("EncodeDrawDigits: '%1' is not seven digits").arg(drawDigits));
    const int issueDigit = issue % 10;
    QString scrambled;
    scrambled.reserve(DrawDigits);
    for (int k = 1; k <= DrawDigits; ++k) {
        const int t = drawDigits.at(k - 1).unicode() - u'0';
        const int s = (t + k * key[0] + issueDigit * key[size_t(k)]) % 10;
        scrambled.append(QChar(u'0' + (s + 10) % 10));
    }
    return scrambled;
}
