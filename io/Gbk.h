#pragma once

#include <QByteArray>
#include <QString>

// The program's Chinese code page. Draw texts and the data service's replies
// are GBK; bytes that are not valid GBK decode to U+FFFD.
QString DecodeGbk(const QByteArray &bytes);
QByteArray EncodeGbk(const QString &text);

// GB18030 for the member name and password kept in the settings file. It
// encodes every GBK character with the same bytes (the one exception being
// the euro sign, single byte 0x80 in GBK) and also covers the rest of
// Unicode, so a name the user types is never lost to '?' on save and load.
QString DecodeGb18030(const QByteArray &bytes);
QByteArray EncodeGb18030(const QString &text);
