#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Comma-separated tables for spreadsheet programs: UTF-8 with a byte-order
// mark (without it they take Chinese titles for the local code page), lines
// ending in CR LF, a field quoted when it holds a comma, a quote or a line
// break, its quotes doubled.
QByteArray CsvBytes(const QList<QStringList> &rows);

// Writes CsvBytes(rows) to `path`, replacing the file only once the whole
// table is written; raises EVexelError naming the file on failure.
void WriteCsvFile(const QString &path, const QList<QStringList> &rows);

// What the user reads when a table could not be exported to `path`.
QString CsvExportFailureText(const QString &path);
