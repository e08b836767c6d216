#include "io/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

// Converters are created per call, which keeps the functions safe on any
// thread. Decoders are stateless so that a lead byte cut off at the end of
// the input comes out as U+FFFD instead of vanishing.

QString DecodeGbk(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray EncodeGbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString DecodeGb18030(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray EncodeGb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}
