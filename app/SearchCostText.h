#pragma once

#include "core/SearchEstimate.h"

#include <QString>
#include <optional>

// What the settings dialog says a search will cost: the combinations
// exactly, the patterns and the time as the estimates they are, and a
// warning when the patterns would pass the pattern limit.
struct TSearchCostTexts
{
    QString estimate;
    QString warning; // empty when the limit is not in sight
};

// `seconds` is empty while this machine's speed is still being measured.
TSearchCostTexts SearchCostTexts(const TSearchEstimate &estimate, std::optional<double> seconds,
                                 qint64 patternsHeld, qint64 patternLimit);
