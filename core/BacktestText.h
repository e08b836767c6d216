#pragma once

#include "core/Backtest.h"

#include <QString>

// The plain-Chinese explanation of a backtest's hit rate, shared by the
// backtest window and vexel-backtest so that both say the same.

// A rate as a percentage with two decimals: 0.1234 gives "12.34%".
QString PercentText(double rate);

// The chance band of a rate, "7.60% 至 12.40%"; "-" when there is none.
QString BandText(const TRateInterval &interval);

// What the 95 % interval is and why it counts draws rather than patterns;
// with a warning when too few draws were tested.
QString IntervalExplanation(const TRateInterval &interval);

// The band that luck alone gives, and where the measured rate lies against it.
QString ChanceExplanation(const TRateInterval &interval);

// That `units` draws are too few for a rate to say anything.
QString FewDrawsWarning(int units);

// That among many rows (targets, step counts, settings tried) some fall
// outside their band by chance alone.
QString ManyRowsCaution();
