#include "core/PatternStats.h"
#include "core/SearchEngine.h"
#include "core/VexelReg.h"

#include <algorithm>
#include <map>

int TTargetCount::Consensus() const
{
    const auto best = std::max_element(forecasts.begin(), forecasts.end()); // the first of equals
    return *best > 0 ? int(best - forecasts.begin()) : -1;
}

namespace {

// The search only sets bits 1 to 4, so the counts of those masks sit in a
// table; any other mask (read from a damaged file) goes to a map.
constexpr int TableMasks = 32;

void CountOne(TTargetCount &count, const TVexelReg &pattern)
{
    ++count.patterns;
    if (pattern.StepCount() <= 0)
        return;
    const qint32 forecast = pattern.Value(0, 0);
    if (forecast >= 0 && forecast <= 9)
        ++count.forecasts[size_t(forecast)];
}

} // namespace

TPatternStats CountPatterns(const std::vector<const TVexelReg *> &patterns)
{
    std::array<TTargetCount, TableMasks> table{};
    std::map<quint16, TTargetCount> others;
    // Each pattern and its values live apart on the heap; a million of them
    // spend their time in cache misses unless both are fetched ahead.
    const size_t n = patterns.size();
    for (size_t i = 0; i < n; ++i) {
        if (i + 16 < n)
            __builtin_prefetch(patterns[i + 16]);
        if (i + 8 < n && patterns[i + 8]->StepData())
            __builtin_prefetch(patterns[i + 8]->StepData());
        const TVexelReg &p = *patterns[i];
        const quint16 mask = p.TargetMask();
        CountOne(mask < TableMasks ? table[mask] : others[mask], p);
    }

    TPatternStats stats;
    stats.patterns = qint64(patterns.size());
    std::array<bool, TableMasks> listed{};
    for (qint32 group = 0; group <= 2; ++group)
        for (quint16 mask : TargetMasks(group)) {
            listed[mask] = true;
            stats.targets.push_back(table[mask]);
            stats.targets.back().mask = mask;
        }
    for (quint16 mask = 0; mask < TableMasks; ++mask)
        if (!listed[mask] && table[mask].patterns > 0) {
            stats.targets.push_back(table[mask]);
            stats.targets.back().mask = mask;
        }
    for (auto &[mask, count] : others) {
        stats.targets.push_back(count);
        stats.targets.back().mask = mask;
    }
    return stats;
}
