#pragma once

#include "core/Backtest.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TCodes;

// What vexel-backtest prints: one tab-separated line per tested draw, then
// summary lines starting with "#":
//
//   N  PATTERNS  HITS  TARGETS  STEPS       one per tested draw (N from 1):
//        TARGETS  "AB:P:H:C ..." per target: its patterns, hits and whether
//                 its consensus came true (0 or 1); "-" when none
//        STEPS    "S:P:H ..." per step count; "-" when none
//   # draws      FIRST-LAST  COUNT          the draw numbers tested
//   # history    DRAWS  FINGERPRINT         the history and search settings
//   # total      PATTERNS  HITS  RATE
//   # target     AB  PATTERNS  HITS  RATE  BAND   one per target with patterns
//   # steps      S  PATTERNS  HITS  RATE  BAND    one per step count with patterns
//   # consensus  AB  TESTS  HITS  RATE  BAND      one per target with patterns
//   # consensus  all  TESTS  HITS  RATE  BAND
//        BAND     "chance LOW HIGH draws M": the part's own chance band and
//                 the draws it rests on; "chance -" below two draws
//   # interval   LOW  HIGH  chance  LOW  HIGH  draws  M   (or "-" alone)
//   # 说明       the explanation of the interval, then of the chance band,
//                then the caution about many rows
//   # digest     a digest of every line above
//
// Every summary line but the history follows from the draw lines, and the
// digest covers the history too: a report proves itself line by line, so a
// slice that was cut short or changed is refused when slices are merged.
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

// Reads a whole report back, checking every line against what its draw
// lines give; raises EVexelError naming `name`, the line and what is wrong.
TBacktestReport ReadReport(const QString &name, const QByteArray &bytes);

// Combines the reports of slices of one run into the whole run's report.
// Slices may come in any order; they must be whole reports of the same
// history and settings whose draws join without gap or overlap. Raises
// EVexelError naming the slice and the fault otherwise.
TBacktestReport MergeReports(const QList<QPair<QString, QByteArray>> &slices);
