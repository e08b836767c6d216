#include "core/PatternRoom.h"

bool TPatternRoom::TryTake()
{
    // Several workers (a stopped one still finishing, the current one) may
    // take at once; none may take the last place twice.
    qint64 held = m_held.load();
    do {
        if (held >= m_limit.load())
            return false;
    } while (!m_held.compare_exchange_weak(held, held + 1));
    return true;
}
