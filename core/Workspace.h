#pragma once

#include "core/Hao.h"
#include "core/VexelRegMgr.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QDataStream;

// The workspace file: the chart's draws, then the collection (pattern count,
// the patterns, the draws the last search ran on), little-endian, no header.
namespace Workspace {

using SectionWriter = std::function<void(QDataStream &)>;
using SectionReader = std::function<void(QDataStream &)>;
// Hears now and then the share of the work done, 0 to 1, on the thread
// that does it.
using Progress = std::function<void(double share)>;

QByteArray Build(const SectionWriter &writeChart, const TVexelRegMgr &patterns);
QByteArray Build(const TCodes &chartDraws, const TVexelRegMgr &patterns);

// Writes the file atomically: on any failure the previous file stays whole.
// Raises EVexelError with the reason when it fails.
void Save(const QString &path, const SectionWriter &writeChart, const TVexelRegMgr &patterns);
void Save(const QString &path, const TCodes &chartDraws, const TVexelRegMgr &patterns);
// The same, with the reason of a failure in `error` instead of an exception.
bool Save(const QString &path, const SectionWriter &writeChart, const TVexelRegMgr &patterns, QString &error,
          const Progress &progress = {});

// Returns false for an empty file (nothing is loaded). Raises EVexelError
// when the file cannot be read, is no regular file, holds more than the
// memory left, or its content is malformed; what was read before the
// failure is kept. Reads from the file as it goes, holding no copy of it.
bool Load(const QString &path, const SectionReader &readChart, TVexelRegMgr &patterns);
bool Load(const QString &path, TCodes &chartDraws, TVexelRegMgr &patterns);

// A workspace read on a thread of its own, to be moved into the window's
// chart and collection afterwards.
struct TContent
{
    TCodes chart;
    TVexelRegMgr patterns{nullptr};
};

enum class TReadResult {
    Empty,    // a file of 0 bytes: nothing was read
    Whole,    // every section was read
    Failed,   // the file cannot be opened or read, or is malformed; what was read before is kept
    TooLarge, // the memory ran out: nothing is kept, the program goes on with the memory it had
};

// Load into `content`, never raising; `error` tells why it failed.
TReadResult ReadInto(const QString &path, TContent &content, QString &error, const Progress &progress = {});

// Load on the bytes of a file already in memory.
bool Read(const QByteArray &bytes, const SectionReader &readChart, TVexelRegMgr &patterns);
bool Read(const QByteArray &bytes, TCodes &chartDraws, TVexelRegMgr &patterns);

} // namespace Workspace
