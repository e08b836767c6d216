#pragma once

#include "core/Backtest.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TCodes;

// What vexel-backtest prints: one tab-separated line per tested draw (its
// number counted from 1, the patterns found before it, their hits), then
// summary lines starting with "#":
//
//   # draws      FIRST-LAST  COUNT          the draw numbers tested
//   # history    DRAWS  FINGERPRINT         the history and search settings
//   # total      PATTERNS  HITS  RATE
//   # target     AB  PATTERNS  HITS  RATE   one per target with patterns
//   # steps      S  PATTERNS  HITS  RATE    one per step count with patterns
//   # consensus  AB  TESTS  HITS  RATE      one per target with patterns
//   # consensus  all  TESTS  HITS  RATE
//   # interval   LOW  HIGH  chance  LOW  HIGH  draws  M   (or "-" alone)
//   # 说明       the explanation of the interval, then of the chance band
//
// Every count is additive over slices of draws and the interval follows
// from the per-draw lines, so slices merge into the whole run's report.
struct TBacktestReport
{
    TBacktestResult result;
    int historyDraws = 0;
    QString fingerprint;
};

// A short digest of the history and the search settings: slices of one run
// carry the same one.
QString RunFingerprint(const TCodes &draws, const TRegOptions &settings);

QByteArray ReportText(const TBacktestReport &report);

// Combines the reports of slices of one run into the whole run's report.
// Slices may come in any order; they must be whole reports of the same
// history and settings whose draws join without gap or overlap. Raises
// EVexelError naming the slice and the fault otherwise.
TBacktestReport MergeReports(const QList<QPair<QString, QByteArray>> &slices);
