#pragma once

#include <QString>
#include <functional>

class QWidget;

// Long work on the window's data, done on a thread of its own. The
// interface thread waits for it in an event loop of its own, which keeps
// every window painting and the timers running but lets no input through
// (it waits until the work is done); the pointer shows that it is busy, and
// a moment after the start a dialog says what is being done and how far it
// got.
// Whatever else would change the data meanwhile the window holds back (see
// TMainForm::RunWork).
namespace BackgroundWork {

// Tells the share done, 0 to 1, from the work's thread, as often as it likes.
using Progress = std::function<void(double share)>;

// How long the work runs before its dialog shows.
constexpr int DialogAfterMs = 400;

// Runs `work` and returns once it has ended; what it raised is raised here.
// When no thread can be started (the memory is exhausted), `work` runs on
// the calling thread, the window waiting for it.
void Run(QWidget *window, const QString &text, const std::function<void(const Progress &)> &work);

} // namespace BackgroundWork
