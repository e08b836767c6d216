#pragma once

#include "core/Backtest.h"

#include <QtGlobal>
#include <vector>

class TVexelReg;

// Whether a pattern's forecast has come true, once the draw it forecast is
// known. A pattern remembers only the number N of draws it was searched on;
// its forecast is judged against draw N + 1 of the current list, and only
// when that list continues the history of the last search (the collection's
// snapshot) through those N draws: after an import of another history, or
// edits of those draws, nothing is judged.
class TForecastCheck
{
public:
    enum Outcome { Unknown, Hit, Miss };

    TForecastCheck(const TCodes &current, const TCodes &searched);

    Outcome Of(const TVexelReg &pattern) const;
    // The draw a pattern searched on `drawCount` draws forecast is known and
    // follows the history it was searched on.
    bool Known(qint64 drawCount) const { return drawCount >= 0 && drawCount < m_drawsKnown; }
    const TCodes &Draws() const { return m_current; }

private:
    const TCodes &m_current;
    // Forecasts of patterns searched on fewer draws than this are judged:
    // the current list holds their next draw, and its draws before that
    // equal the searched history's.
    qint64 m_drawsKnown = 0;
};

// The forecasts among `patterns` that can now be judged, scored as the
// backtest scores its draws: one tested draw per forecast draw (patterns of
// one search all forecast the same draw, and hit or miss together), so the
// same interval and chance band apply.
TBacktestResult JudgeForecasts(const TForecastCheck &check, const std::vector<const TVexelReg *> &patterns);
