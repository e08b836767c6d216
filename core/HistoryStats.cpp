#include "core/HistoryStats.h"

#include "core/Hao.h"
#include "core/Probability.h"

#include <algorithm>

namespace {

void CountWindow(const TCodes &draws, int first, TPositionFigures &figures)
{
    for (int i = first; i < draws.Count(); ++i) {
        const qint32 v = draws.At(figures.position, i);
        if (TCodes::DigitValid(v)) {
            ++figures.digits[size_t(v)].count;
            ++figures.counted;
        }
    }
    if (figures.counted == 0)
        return;
    const double expected = figures.counted / 10.0;
    double chi = 0;
    for (const TDigitFigures &d : figures.digits)
        chi += (d.count - expected) * (d.count - expected) / expected;
    figures.chiSquare = chi;
    figures.pValue = Probability::ChiSquareUpperTail(chi, HistoryTestDegrees);
}

// One pass over the whole history: each digit's gaps between its comings.
void MeasureOmissions(const TCodes &draws, TPositionFigures &figures)
{
    std::array<int, 10> lastSeen;
    lastSeen.fill(-1);
    const int n = draws.Count();
    for (int i = 0; i < n; ++i) {
        const qint32 v = draws.At(figures.position, i);
        if (!TCodes::DigitValid(v))
            continue;
        TDigitFigures &d = figures.digits[size_t(v)];
        d.longest = std::max(d.longest, i - lastSeen[size_t(v)] - 1);
        lastSeen[size_t(v)] = i;
    }
    for (size_t v = 0; v < 10; ++v) {
        TDigitFigures &d = figures.digits[v];
        d.omission = n - 1 - lastSeen[v];
        d.longest = std::max(d.longest, d.omission);
    }
}

} // namespace

THistoryFigures ComputeHistoryFigures(const TCodes &draws, int window)
{
    THistoryFigures out;
    out.draws = draws.Count();
    out.window = window <= 0 || window > out.draws ? out.draws : window;
    for (int p = 1; p <= 7; ++p) {
        TPositionFigures &figures = out.positions[size_t(p - 1)];
        figures.position = p;
        CountWindow(draws, out.draws - out.window, figures);
        MeasureOmissions(draws, figures);
    }
    return out;
}

char PositionLetter(int position)
{
    return char('A' + (position - 1));
}
