#include "core/ForecastCheck.h"

#include "core/Backtest.h"
#include "core/Hao.h"
#include "core/VexelReg.h"

#include <map>

TForecastCheck::TForecastCheck(const TCodes &current, const TCodes &searched) : m_current(current)
{
    const int shared = std::min(current.Count(), searched.Count());
    int same = 0;
    while (same < shared && current.GetCode(same) == searched.GetCode(same))
        ++same;
    // A pattern searched on N <= same draws saw exactly these; its forecast
    // draw, index N, must exist in the current list.
    m_drawsKnown = std::min<qint64>(same + 1, current.Count());
}

TForecastCheck::Outcome TForecastCheck::Of(const TVexelReg &pattern) const
{
    if (!Known(pattern.DrawCount()) || pattern.StepCount() < 1)
        return Unknown;
    const qint32 forecast = pattern.Value(0, 0);
    if (!TCodes::DigitValid(forecast))
        return Unknown;
    const int index = int(pattern.DrawCount());
    return forecast == TargetSum(m_current, index, pattern.TargetMask()) ? Hit : Miss;
}

TBacktestResult JudgeForecasts(const TForecastCheck &check, const std::vector<const TVexelReg *> &patterns)
{
    std::map<int, TDrawScore> scores;
    for (const TVexelReg *p : patterns)
        if (check.Of(*p) != TForecastCheck::Unknown) {
            const int index = int(p->DrawCount());
            scores.try_emplace(index, check.Draws(), index).first->second.Add(*p);
        }
    std::vector<TBacktestDraw> draws;
    draws.reserve(scores.size());
    for (auto &[index, score] : scores)
        draws.push_back(score.Finish());
    return ResultOfDraws(std::move(draws));
}
