#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QDataStream;
class QFile;

// How the user's files are opened for reading and replaced on writing.
namespace FileAccess {

// Opens `file` (its name already set) read-only, but only when the name
// stands for a regular file: a FIFO named like a user file would block the
// opening or the reading until some writer appears, and a device or a
// directory is no file of ours either. Returns false with the reason in
// `error` when the file cannot be opened or is not a regular file.
bool OpenRegular(QFile &file, QString &error);

// Replaces the file at `path` by `bytes` atomically: on any failure the
// previous file stays whole and false comes back with the reason in `error`
// (a full disk says so, never "Unknown error").
bool WriteAtomically(const QString &path, const QByteArray &bytes, QString &error);
// The same for content that `write` puts into a stream, passed on to the
// file a megabyte at a time: a workspace of millions of patterns never sits
// in memory whole.
bool WriteAtomically(const QString &path, const std::function<void(QDataStream &)> &write, QString &error);

} // namespace FileAccess
