#pragma once
// Draw histories written out as seven-digit numbers, for tests.

#include "Hao.h"

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
