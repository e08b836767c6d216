#pragma once

#include <QSize>

class QWidget;

// Windows that open within the screen, whatever its size: a window asks for
// the size it would like and gets at most what the screen's available area
// leaves once the window manager's frame is counted; its content scrolls
// where the window is smaller than the content needs.
namespace WindowFit {

// The largest size up to `wanted` that, with a frame of `frame` (the room
// the frame takes across and down), fits an available area of `available`.
QSize FittedSize(QSize wanted, QSize available, QSize frame);

// Resizes a top-level window to `wanted` or to what its screen has room for.
// The frame is taken from the window itself once shown, else from its
// parent window's, else a usual title bar and border are allowed for.
void FitToScreen(QWidget &window, QSize wanted);

// Moves a top-level window placed by the program (not by the window
// manager) so that it lies within its screen's available area.
void KeepOnScreen(QWidget &window);

// Puts `content` into a frameless scroll area that fills `window`: the
// content is laid out at its minimum size or more, and scroll bars appear
// where the window is smaller than that.
void SetScrollingContent(QWidget &window, QWidget *content);

} // namespace WindowFit
