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

void ReadSections(QIODevice &device, const SectionReader &readChart, TVexelRegMgr &patterns)
{
    QDataStream stream(&device);
    stream.setByteOrder(QDataStream::LittleEndian);
    readChart(stream);
    patterns.LoadFromStream(stream);
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
    const auto write = [&](QDataStream &stream) {
        stream.setByteOrder(QDataStream::LittleEndian);
        writeChart(stream);
        patterns.SaveToStream(stream);
    };
    if (!FileAccess::WriteAtomically(path, write, error))
        throw EVexelError(QStringLiteral("Cannot write file \"%1\": %2").arg(path, error));
}

void Save(const QString &path, const TCodes &chartDraws, const TVexelRegMgr &patterns)
{
    Save(path, [&](QDataStream &s) { chartDraws.SaveToStream(s); }, patterns);
}

bool Load(const QString &path, const SectionReader &readChart, TVexelRegMgr &patterns)
{
    QFile file(path);
    QString error;
    if (!FileAccess::OpenRegular(file, error))
        throw EVexelError(QStringLiteral("Cannot open file \"%1\": %2").arg(path, error));
    if (file.size() == 0)
        return false;
    // Read straight from the file: a copy of it in memory would double what
    // a large file needs, and one larger than the memory left would end the
    // program instead of failing this one reading.
    try {
        ReadSections(file, readChart, patterns);
    } catch (const std::bad_alloc &) {
        throw EVexelError(QStringLiteral("Cannot read file \"%1\": out of memory").arg(path));
    }
    if (file.error() != QFileDevice::NoError)
        throw EVexelError(QStringLiteral("Cannot read file \"%1\": %2").arg(path, file.errorString()));
    return true;
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
