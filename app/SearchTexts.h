#pragma once

#include <QString>
#include <QtGlobal>

struct TSearchOutcome;

// What the window says of a search: the state text of status panel 2 while
// it runs and when it ends, and the message for a search that did not end
// as asked.
namespace SearchTexts {

// While a search runs (`busy`): the combinations in ten-thousands, the
// patterns, the time and the speed, ending in four dots; otherwise the end
// text of a search that completed or was stopped.
QString Progress(qint64 combinations, int patterns, qint64 elapsedSeconds, bool busy);
// The end text for a search that ended this way.
QString End(const TSearchOutcome &outcome, int patterns, qint64 elapsedSeconds);
// The message for a search that ended this way; none for one that completed
// or was stopped.
QString EndMessage(const TSearchOutcome &outcome, int patterns, qint64 limit);

} // namespace SearchTexts
