#include "io/CsvFile.h"

#include "core/FileAccess.h"
#include "core/VexelError.h"

#include <QDir>

namespace {

QString CsvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QByteArray CsvBytes(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &field : row)
            fields << CsvField(field);
        text += fields.join(QLatin1Char(',')) + QLatin1String("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

void WriteCsvFile(const QString &path, const QList<QStringList> &rows)
{
    // Flushed and checked before the old file is replaced: a full disk
    // must not leave a cut-off table reported as written.
    QString cause;
    if (!FileAccess::WriteAtomically(path, CsvBytes(rows), cause))
        throw EVexelError(QStringLiteral("无法导出到文件“%1”：%2").arg(QDir::toNativeSeparators(path), cause));
}
