#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The eight integers that scramble the digits of a draw in the data
// service's reply: key[0] grows with the digit's position, key[1]..key[7]
// weigh the issue's last digit.
using TDigitKey = std::array<int, 8>;

// The constant K shared with the data service, fixed at build time
// (VEXEL_DIGIT_KEY_K): a positive integer of three decimal digits.
int DigitKeyConstant();

// key[k] = (character code of the k-th character of the upper-cased
// identifier) rem 10 for k = 1..7, key[0] = constant rem (key[1] + ... +
// key[7]). An identifier shorter than seven characters, one whose seven
// remainders sum to 0, or a constant below 1 raises EVexelError.
TDigitKey BuildDigitKey(const QString &productId, int constant);

// The program's key: the product identifier and the build's K.
TDigitKey BuildDigitKey();

// The program's key, built once on first use and kept in memory only.
const TDigitKey &DigitKey();

// Reads a 32-bit decimal integer: an optional sign and one or more ASCII
// digits, nothing else. Anything else, or a value out of range, raises
// EVexelError "'<text>' is not a valid integer value".
qint32 ReadInteger(const QString &text);

// The seven digits of a draw from the issue text and the scrambled digit
// text of a reply line. The whole issue text must be an integer; only its
// last digit counts. The first seven characters of the digit text are used;
// a shorter digit text raises the conversion error naming it.
QString DecodeDrawDigits(const QString &issueText, const QString &digitText);
QString DecodeDrawDigits(const QString &issueText, const QString &digitText, const TDigitKey &key);

// The inverse for the serving side: the scrambled digit text under which
// DecodeDrawDigits gives `drawDigits` (seven characters '0'..'9', else
// EVexelError) back for the same issue text.
QString EncodeDrawDigits(const QString &issueText, const QString &drawDigits);
QString EncodeDrawDigits(const QString &issueText, const QString &drawDigits, const TDigitKey &key);
