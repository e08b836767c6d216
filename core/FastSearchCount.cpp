#include "core/FastSearchCount.h"

#include <vector>

namespace FastSearchImpl {

namespace {

qint64 BinomialSlow(qint64 a, qint64 b)
{
    b = std::min(b, a - b);
    unsigned __int128 r = 1;
    for (qint64 i = 0; i < b; ++i) {
        r = r * static_cast<unsigned __int128>(a - i) / static_cast<unsigned __int128>(i + 1);
        if (r > static_cast<unsigned __int128>(Saturated))
            return Saturated;
    }
    return qint64(r);
}

// Pascal's triangle for the sizes every real search has.
constexpr int BinomialRows = 256;

struct TBinomialTable
{
    std::vector<qint64> cells = std::vector<qint64>(size_t(BinomialRows) * BinomialRows, 0);
    TBinomialTable()
    {
        for (int a = 0; a < BinomialRows; ++a) {
            cells[size_t(a) * BinomialRows] = 1;
            for (int b = 1; b <= a; ++b)
                cells[size_t(a) * BinomialRows + size_t(b)] =
                    SatAdd(cells[size_t(a - 1) * BinomialRows + size_t(b - 1)],
                           cells[size_t(a - 1) * BinomialRows + size_t(b)]);
        }
    }
};

} // namespace

qint64 Binomial(qint64 a, qint64 b)
{
    if (a < 0 || b < 0 || b > a)
        return 0;
    if (a < BinomialRows) {
        static const TBinomialTable table;
        return table.cells[size_t(a) * BinomialRows + size_t(b)];
    }
    return BinomialSlow(a, b);
}

qint64 Rank(const int *idx, int k, qint64 n)
{
    qint64 rank = 0;
    int prev = -1;
    for (int l = 0; l < k; ++l) {
        const qint64 all = Binomial(n - 1 - prev, k - l);
        if (all == Saturated)
            return Saturated;
        rank = SatAdd(rank, all - Binomial(n - idx[l], k - l));
        prev = idx[l];
    }
    return rank;
}

} // namespace FastSearchImpl
