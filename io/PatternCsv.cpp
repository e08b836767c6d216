#include "io/PatternCsv.h"

#include "core/RegColumnText.h"
#include "core/VexelReg.h"

QList<QStringList> PatternCsvRows(const std::vector<TVexelReg *> &patterns)
{
    QList<QStringList> rows;
    rows.reserve(qsizetype(patterns.size()) + 1);
    QStringList titles;
    for (int c = 0; c < RegColumnText::ColumnCount; ++c)
        titles << RegColumnText::Title(c);
    rows << (titles << QStringLiteral("点坐标"));
    for (const TVexelReg *p : patterns)
        rows << (RegColumnText::Row(*p) << RegColumnText::PointPairs(*p));
    return rows;
}
