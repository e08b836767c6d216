#include "Workspace.h"
#include "Hao.h"
#include "VexelError.h"
#include "VexelRegMgr.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QSaveFile>

namespace Workspace {

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
    const QByteArray bytes = Build(writeChart, patterns);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EVexelError(QStringLiteral("Cannot create file \"%1\": %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EVexelError(QStringLiteral("Cannot write file \"%1\": %2").arg(path, file.errorString()));
}

void Save(const QString &path, const TCodes &chartDraws, const TVexelRegMgr &patterns)
{
    Save(path, [&](QDataStream &s) { chartDraws.SaveToStream(s); }, patterns);
}

bool Load(const QString &path, const SectionReader &readChart, TVexelRegMgr &patterns)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EVexelError(QStringLiteral("Cannot open file \"%1\": %2").arg(path, file.errorString()));
    if (file.size() == 0)
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EVexelError(QStringLiteral("Cannot read file \"%1\": %2").arg(path, file.errorString()));
    return Read(bytes, readChart, patterns);
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
    QDataStream stream(&buffer);
    stream.setByteOrder(QDataStream::LittleEndian);
    readChart(stream);
    patterns.LoadFromStream(stream);
    return true;
}

bool Read(const QByteArray &bytes, TCodes &chartDraws, TVexelRegMgr &patterns)
{
    return Read(bytes, [&](QDataStream &s) { chartDraws.LoadFromStream(s); }, patterns);
}

} // namespace Workspace
