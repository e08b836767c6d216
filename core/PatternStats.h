#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

class TVexelReg;

// How a set of patterns spreads over the targets, and which digits the
// patterns of each target forecast.
struct TTargetCount
{
    quint16 mask = 0;
    qint64 patterns = 0;
    // Patterns forecasting each digit. A pattern without steps forecasts
    // nothing, nor does one whose stored forecast is not a digit (a damaged
    // workspace file); both still count in `patterns`.
    std::array<qint64, 10> forecasts{};

    // The digit most of the patterns forecast, the smaller one on a tie;
    // -1 when none forecasts a digit.
    int Consensus() const;
};

struct TPatternStats
{
    qint64 patterns = 0;
    // Every two-, three- and four-position target of the first four digits,
    // in the order they are listed (AB, AC, ..., ABCD), patterns or not; then
    // any other target the patterns have, by mask.
    std::vector<TTargetCount> targets;
};

// One pass over the patterns; nothing of them is kept.
TPatternStats CountPatterns(const std::vector<const TVexelReg *> &patterns);
