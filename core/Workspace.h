#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QDataStream;
class TCodes;
class TVexelRegMgr;

// The workspace file: the chart's draws, then the collection (pattern count,
// the patterns, the draws the last search ran on), little-endian, no header.
namespace Workspace {

using SectionWriter = std::function<void(QDataStream &)>;
using SectionReader = std::function<void(QDataStream &)>;

QByteArray Build(const SectionWriter &writeChart, const TVexelRegMgr &patterns);
QByteArray Build(const TCodes &chartDraws, const TVexelRegMgr &patterns);

// Writes the file atomically: on any failure the previous file stays whole.
// Raises EVexelError with the reason when it fails.
void Save(const QString &path, const SectionWriter &writeChart, const TVexelRegMgr &patterns);
void Save(const QString &path, const TCodes &chartDraws, const TVexelRegMgr &patterns);

// Returns false for an empty file (nothing is loaded). Raises EVexelError
// when the file cannot be read, is no regular file, holds more than the
// memory left, or its content is malformed; what was read before the
// failure is kept. Reads from the file as it goes, holding no copy of it.
bool Load(const QString &path, const SectionReader &readChart, TVexelRegMgr &patterns);
bool Load(const QString &path, TCodes &chartDraws, TVexelRegMgr &patterns);

// Load on the bytes of a file already in memory.
bool Read(const QByteArray &bytes, const SectionReader &readChart, TVexelRegMgr &patterns);
bool Read(const QByteArray &bytes, TCodes &chartDraws, TVexelRegMgr &patterns);

} // namespace Workspace
