#pragma once
// Draw histories for tests and the benchmark: written out as seven-digit
// numbers, or random digits from a seed.

#include "core/Hao.h"

#include <QRandomGenerator>
#include <QStringList>

inline TCodes drawsOf(const QStringList &numbers)
{
    TCodes draws;
    for (const QString &n : numbers) {
        const int i = draws.Add();
        for (int p = 1; p <= 7; ++p)
            draws.SetNum(p, i, n[p - 1].digitValue());
    }
    return draws;
}

inline TCodes randomDraws(int count, quint32 seed)
{
    QRandomGenerator rng(seed);
    TCodes draws;
    for (int i = 0; i < count; ++i) {
        const int index = draws.Add();
        for (int p = 1; p <= 7; ++p)
            draws.SetNum(p, index, int(rng.bounded(10)));
    }
    return draws;
}
