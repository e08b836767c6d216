#pragma once

class QWidget;

// A ring in the highlight colour along the inside of a widget's edges while
// the widget has the keyboard focus, so the user sees at a glance where the
// keys go: the chart (typed draws) or the pattern list. The ring lies over
// the widget's own painting and takes no clicks; it goes with the widget.
namespace FocusRing {

void Attach(QWidget &widget);

} // namespace FocusRing
