#pragma once

// Counting combinations: the search's counters are ranks in the
// lexicographic order of the k-subsets of the candidates. Internal to the
// search engine.

#include <QtGlobal>
#include <algorithm>
#include <limits>

namespace FastSearchImpl {

constexpr qint64 Saturated = std::numeric_limits<qint64>::max();

// Counters of absurd hand-edited searches could pass 2^63; they stick there.
inline qint64 SatAdd(qint64 a, qint64 b)
{
    return a > Saturated - b ? Saturated : a + b;
}

// a choose b, saturated; 0 outside 0 <= b <= a.
qint64 Binomial(qint64 a, qint64 b);

// Combinations before `idx` among the k-subsets of n, in lexicographic order.
qint64 Rank(const int *idx, int k, qint64 n);

} // namespace FastSearchImpl
