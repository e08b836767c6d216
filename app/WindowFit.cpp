#include "app/WindowFit.h"

#include <QRect>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

namespace WindowFit {

namespace {

// A title bar and a thin border, for a window whose frame is not known yet.
constexpr QSize UsualFrame(16, 40);

QSize FrameOf(const QWidget &window)
{
    for (const QWidget *w = &window; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        const QSize frame = w->frameGeometry().size() - w->geometry().size();
        if (w->isVisible() && !frame.isNull())
            return frame;
    }
    return UsualFrame;
}

} // namespace

QSize FittedSize(QSize wanted, QSize available, QSize frame)
{
    return wanted.boundedTo(available - frame).expandedTo(QSize(1, 1));
}

void FitToScreen(QWidget &window, QSize wanted)
{
    const QScreen *screen = window.screen();
    if (!screen) {
        window.resize(wanted);
        return;
    }
    window.resize(FittedSize(wanted, screen->availableGeometry().size(), FrameOf(window)));
    KeepOnScreen(window);
}

void KeepOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen();
    if (!screen || !window.testAttribute(Qt::WA_Moved))
        return;
    const QRect room = screen->availableGeometry();
    const QSize outer = window.size() + FrameOf(window);
    const int x = qBound(room.left(), window.x(), qMax(room.left(), room.right() + 1 - outer.width()));
    const int y = qBound(room.top(), window.y(), qMax(room.top(), room.bottom() + 1 - outer.height()));
    window.move(x, y);
}

void SetScrollingContent(QWidget &window, QWidget *content)
{
    auto *area = new QScrollArea(&window);
    area->setObjectName(QStringLiteral("ContentArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
}

} // namespace WindowFit
