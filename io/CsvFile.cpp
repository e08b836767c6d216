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
    QString error;
    if (!FileAccess::WriteAtomically(path, CsvBytes(rows), error))
        throw EVexelError(QStringLiteral("Cannot write file \"%1\": %2").arg(path, error));
}

QString CsvExportFailureText(const QString &path)
{
    return QStringLiteral("无法导出到文件“%1”。\n请确认文件夹存在并且可以写入，"
                          "文件没有被其他程序（例如表格软件）打开，磁盘也没有写满。")
        .arg(QDir::toNativeSeparators(path));
}
