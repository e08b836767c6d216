#include "app/FocusRing.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace {

constexpr int RingWidth = 2;

class TRing : public QWidget
{
public:
    explicit TRing(QWidget &watched) : QWidget(&watched), m_watched(watched)
    {
        setObjectName(QStringLiteral("FocusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        watched.installEventFilter(this);
        Follow();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched == &m_watched) {
            switch (e->type()) {
            case QEvent::FocusIn:
            case QEvent::FocusOut:
            case QEvent::Resize:
            case QEvent::ChildAdded: // a scroll bar placed later must stay below
                Follow();
                break;
            default:
                break;
            }
        }
        return QWidget::eventFilter(watched, e);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_watched.palette().color(QPalette::Active, QPalette::Highlight));
    }

private:
    void Follow()
    {
        const QRect whole = m_watched.rect();
        if (geometry() != whole) {
            setGeometry(whole);
            // Only the ring is this widget's: inside it the watched widget
            // shows, and repaints, as if the ring were not there.
            setMask(QRegion(whole).subtracted(QRegion(whole.adjusted(RingWidth, RingWidth, -RingWidth, -RingWidth))));
        }
        setVisible(m_watched.hasFocus());
        raise();
    }

    QWidget &m_watched;
};

} // namespace

namespace FocusRing {

void Attach(QWidget &widget)
{
    new TRing(widget);
}

} // namespace FocusRing
