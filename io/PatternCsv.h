#pragma once

#include <QList>
#include <QStringList>
#include <vector>

class TVexelReg;

// The pattern list as a table for CsvBytes / WriteCsvFile: a title row with
// the list's seven column titles and "点坐标", then one row per pattern in the
// given order: its seven whole list texts and the points of its line as
// "column,row" pairs.
QList<QStringList> PatternCsvRows(const std::vector<TVexelReg *> &patterns);
