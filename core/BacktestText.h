#pragma once

#include "core/Backtest.h"

#include <QString>

// The plain-Chinese explanation of a backtest's hit rate, shared by the
// backtest window and vexel-backtest so that both say the same.

// A rate as a percentage with two decimals: 0.1234 gives "12.34%".
QString PercentText(double rate);

// What the 95 % interval is and why it counts draws rather than patterns.
QString IntervalExplanation(const TRateInterval &interval);

// The band that luck alone gives, and where the measured rate lies against it.
QString ChanceExplanation(const TRateInterval &interval);
