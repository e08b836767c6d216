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
// table is written. On failure raises EVexelError with what the user reads:
// the file and the cause, in Chinese ("磁盘空间不足", "没有写入权限").
void WriteCsvFile(const QString &path, const QList<QStringList> &rows);
