#include "core/Workspace.h"
#include "core/FileAccess.h"
#include "core/Hao.h"
#include "core/VexelError.h"
#include "core/VexelRegMgr.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>

#include <new>

namespace Workspace {

namespace {

void ReadSections(QIODevice &device, const SectionReader &readChart, TVexelRegMgr &patterns,
                  const Progress &progress = {})
{
    QDataStream stream(&device);
    stream.setByteOrder(QDataStream::LittleEndian);
    const double size = double(qMax<qint64>(1, device.size()));
    const auto tick = [&] {
        if (progress)
            progress(double(device.pos()) / size);
    };
    readChart(stream);
    tick();
    patterns.LoadFromStream(stream, tick);
}

// Load, but running out of memory raises std::bad_alloc.
bool LoadFile(const QString &path, const SectionReader &readChart, TVexelRegMgr &patterns, const Progress &progress)
{
    QFile file(path);
    QString error;
    if (!FileAccess::OpenRegular(file, error))
        throw EVexelError(QStringLiteral("Cannot open file \"%1\": %2").arg(path, error));
    if (file.size() == 0)
        return false;
    // Read straight from the file: a copy of it in memory would double what
    // a large file needs.
    ReadSections(file, readChart, patterns, progress);
    if (file.error() != QFileDevice::NoError)
        throw EVexelError(QStringLiteral("Cannot read file \"%1\": %2").arg(path, file.errorString()));
    return true;
}

} // namespace

QByteArray Build(const SectionWriter &writeChart, const TVexelRegMgr &patterns)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    writeChart(stream);
    patterns.SaveToStream(stream);
    return bytes;
}

QByteArray Build(const TCodes &chartDraws, const TVexelRegMgr &patterns)
{
    return Build([&](QDataStream &s) { chartDraws.SaveToStream(s); }, patterns);
}

void Save(const QString &path, const SectionWriter &writeChart, const TVexelRegMgr &patterns)
{
    QString error;
    if (!Save(path, writeChart, patterns, error))
        throw EVexelError(QStringLiteral("Cannot write file \"%1\": %2").arg(path, error));
}

bool Save(const QString &path, const SectionWriter &writeChart, const TVexelRegMgr &patterns, QString &error,
          const Progress &progress)
{
    const auto write = [&](QDataStream &stream) {
        stream.setByteOrder(QDataStream::LittleEndian);
        writeChart(stream);
        // Once the chart is out, the size of the rest is known.
        QIODevice *device = stream.device();
        const double total = double(qMax<qint64>(1, device->pos() + (progress ? patterns.StreamSize() : 0)));
        const auto tick = [&] {
            if (progress)
                progress(double(device->pos()) / total);
        };
        tick();
        patterns.SaveToStream(stream, tick);
    };
    return FileAccess::WriteAtomically(path, write, error);
}

void Save(const QString &path, const TCodes &chartDraws, const TVexelRegMgr &patterns)
{
    Save(path, [&](QDataStream &s) { chartDraws.SaveToStream(s); }, patterns);
}

bool Load(const QString &path, const SectionReader &readChart, TVexelRegMgr &patterns)
{
    // One larger than the memory left fails this reading, not the program.
    try {
        return LoadFile(path, readChart, patterns, {});
    } catch (const std::bad_alloc &) {
        throw EVexelError(QStringLiteral("Cannot read file \"%1\": out of memory").arg(path));
    }
}

TReadResult ReadInto(const QString &path, TContent &content, QString &error, const Progress &progress)
{
    try {
        return LoadFile(path, [&](QDataStream &s) { content.chart.LoadFromStream(s); }, content.patterns, progress)
            ? TReadResult::Whole : TReadResult::Empty;
    } catch (const EVexelError &e) {
        error = e.message();
        return TReadResult::Failed;
    } catch (const std::bad_alloc &) {
        // What was read would leave the program without the memory to go on.
        content.patterns.Clear();
        content.patterns.Draws() = TCodes();
        content.chart = TCodes();
        error = QStringLiteral("Cannot read file \"%1\": out of memory").arg(path);
        return TReadResult::TooLarge;
    }
}

bool Load(const QString &path, TCodes &chartDraws, TVexelRegMgr &patterns)
{
    return Load(path, [&](QDataStream &s) { chartDraws.LoadFromStream(s); }, patterns);
}

bool Read(const QByteArray &bytes, const SectionReader &readChart, TVexelRegMgr &patterns)
{
    if (bytes.isEmpty())
        return false;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ReadSections(buffer, readChart, patterns);
    return true;
}

bool Read(const QByteArray &bytes, TCodes &chartDraws, TVexelRegMgr &patterns)
{
    return Read(bytes, [&](QDataStream &s) { chartDraws.LoadFromStream(s); }, patterns);
}

} // namespace Workspace
