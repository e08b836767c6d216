#include "io/BacktestCsv.h"
#include "core/BacktestText.h"

QList<QStringList> BacktestCsvRows(const TBacktestResult &result)
{
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("序号"), QStringLiteral("规律数"), QStringLiteral("命中数"),
                        QStringLiteral("命中率")};
    for (const TBacktestDraw &d : result.draws)
        rows << QStringList{QString::number(d.index + 1), QString::number(d.patterns),
                            QString::number(d.hits),
                            d.patterns > 0 ? PercentText(double(d.hits) / double(d.patterns)) : QString()};
    return rows;
}
