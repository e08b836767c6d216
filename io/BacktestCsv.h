#pragma once

#include "core/Backtest.h"

#include <QList>
#include <QStringList>

// The per-draw table of a backtest for CsvBytes / WriteCsvFile: a title row,
// then one row per tested draw: its number (counted from 1), the patterns
// found before it, their hits and the hit rate (empty without patterns).
QList<QStringList> BacktestCsvRows(const TBacktestResult &result);
