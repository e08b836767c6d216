#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QDataStream;
class QFile;
class QIODevice;

// How the user's files are opened for reading and replaced on writing. Every
// failure comes back with its cause in the user's words, in Chinese: a full
// disk, a missing permission, a symbolic link loop, never "Unknown error".
namespace FileAccess {

// Opens `file` (its name already set) read-only, but only when the name
// stands for a regular file: a FIFO named like a user file would block the
// opening or the reading until some writer appears, and a device or a
// directory is no file of ours either. Returns false with the cause in
// `error` when the file cannot be opened or is not a regular file.
bool OpenRegular(QFile &file, QString &error);

// Reads the whole regular file at `path` when it holds at most `maxBytes`
// bytes; a larger one is refused before any of it is read, so a huge file
// never fills the memory.
bool ReadRegular(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &error);

// Replaces the file at `path` by `bytes` atomically: on any failure the
// previous file stays whole and false comes back with the cause in `error`.
// A target that exists and is not a regular file (a device, a FIFO, a
// directory) is refused: renaming the new file over it would replace it.
bool WriteAtomically(const QString &path, const QByteArray &bytes, QString &error);
// The same for content that `write` puts into a stream, passed on to the
// file a megabyte at a time: a workspace of millions of patterns never sits
// in memory whole.
bool WriteAtomically(const QString &path, const std::function<void(QDataStream &)> &write, QString &error);
// The same for a writer that needs a device (a picture or a PDF encoder).
// When `write` returns false while every byte it wrote went out, the file is
// not replaced and `error` is left empty for the caller's own reason.
bool WriteDeviceAtomically(const QString &path, const std::function<bool(QIODevice &)> &write, QString &error);

// The cause of a failed file operation for the C library's error number, in
// the user's words; `writing` tells a failed write from a failed read.
QString CauseText(int errorNumber, bool writing);

} // namespace FileAccess
