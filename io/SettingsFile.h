#pragma once

#include "core/RegOptions.h"

#include <QByteArray>
#include <QString>

// The settings file "vmkrosd.ini" in the program folder. A separator is put
// between folder and name only when the folder does not end in one.
QString SettingsFilePath(const QString &programFolder);

// The member name and password are stored scrambled, byte by byte:
// s[i] = (t[i] + k0 + i * k1) mod 256. The length never changes.
QByteArray ScrambleText(const QByteArray &plain);
QByteArray UnscrambleText(const QByteArray &stored);

// Reads section [TRegOptions]. A missing or unusable file, a missing key or
// a value that does not read as a 32-bit integer gives the start default;
// never raises. RefWidthSe is not stored and is always 0 after loading. A
// file that is there but cannot be used (unreadable, no regular file, over
// the size limit) sets `problem` to what the user is told about it.
TRegOptions LoadOptions(const QString &iniPath, QString *problem = nullptr);
// LoadOptions for a file named on purpose: a settings file that is missing,
// unreadable, no regular file or over the size limit raises EVexelError
// instead of giving the start defaults.
TRegOptions ReadOptionsFile(const QString &iniPath);
// LoadOptions on the bytes of a settings file already in memory.
TRegOptions LoadOptionsFromBytes(const QByteArray &bytes);

// Writes section [TRegOptions] with its 17 keys, replacing that section and
// keeping the rest of an existing file byte for byte. The file is replaced
// atomically; on any failure EVexelError is raised and the old file stays.
// An existing file over the size limit is no settings file of ours: it is
// kept under the name with ".bak" added (".bak2" ... when that is taken)
// and a new file is written.
void SaveOptions(const QString &iniPath, const TRegOptions &options);
// What SaveOptions writes over a file whose bytes are `existing`.
QByteArray OptionsFileBytes(const QByteArray &existing, const TRegOptions &options);
