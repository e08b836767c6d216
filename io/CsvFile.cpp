#include "io/CsvFile.h"
#include "core/VexelError.h"

#include <QSaveFile>

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
    const QByteArray bytes = CsvBytes(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EVexelError(QStringLiteral("Cannot create file \"%1\": %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EVexelError(QStringLiteral("Cannot write file \"%1\": %2").arg(path, file.errorString()));
}
