#pragma once

#include <QString>
#include <QtGlobal>

// How long something took or will take, in the one form the program shows
// a duration: "0分56秒" under an hour, "2时46分" from an hour on, "3天4时"
// from a day on, the last unit shown cut down to whole units; "不到1秒" for
// a moment shorter than a second.
QString DurationText(qint64 milliseconds);
