#include "app/BarChart.h"
#include "app/ChartStyle.h"
#include "core/CountText.h"
#include "chart/ChartPalette.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace S = ChartStyle;
namespace P = ChartPalette;

namespace {

// An axis mark's value, a whole count.
QString MarkText(double v)
{
    return CountText(qint64(std::llround(v)));
}

} // namespace

TBarChart::TBarChart(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TBarChart::SetTitle(const QString &title, const QString &shortTitle)
{
    m_title = title;
    m_shortTitle = shortTitle;
    updateGeometry();
    update();
}

QString TBarChart::ShownTitle() const
{
    const QFontMetrics metrics(P::Font(m_textSize, true));
    const int room = width() - 2 * S::TitleMargin;
    if (metrics.horizontalAdvance(m_title) <= room || m_shortTitle.isEmpty())
        return metrics.elidedText(m_title, Qt::ElideRight, room);
    return metrics.elidedText(m_shortTitle, Qt::ElideRight, room);
}

void TBarChart::SetBars(std::vector<TBar> bars, int marked)
{
    m_bars = std::move(bars);
    m_marked = marked >= 0 && marked < int(m_bars.size()) ? marked : -1;
    update();
}

void TBarChart::SetTextSize(int pixels)
{
    m_textSize = qMax(8, pixels);
    updateGeometry();
    update();
}

QSize TBarChart::sizeHint() const
{
    return QSize(qMax(200, int(m_bars.size()) * 3 * m_textSize), 12 * m_textSize);
}

QSize TBarChart::minimumSizeHint() const
{
    const int bars = int(m_bars.size()) * (m_textSize * 3 / 4) + 4 * m_textSize;
    const int title = m_shortTitle.isEmpty()
                          ? 0
                          : QFontMetrics(P::Font(m_textSize, true)).horizontalAdvance(m_shortTitle) + 2 * S::TitleMargin;
    return QSize(qMax(bars, title), 8 * m_textSize);
}

TBarChart::TLayout TBarChart::Layout() const
{
    TLayout l;
    const QFontMetrics text(P::Font(m_textSize));
    const int line = text.height();
    l.title = QRect(0, 0, width(), line + 8);

    qint64 most = 0;
    for (const TBar &b : m_bars)
        most = qMax(most, b.value);
    l.top = S::NiceAxisTop(double(most), 4, l.step);
    // Counts are whole: never a tick between two of them.
    if (l.step < 1) {
        l.step = 1;
        l.top = qMax<double>(1, double(most));
    }
    const int axisWidth = text.horizontalAdvance(MarkText(l.top)) + 10;
    const int left = axisWidth;
    const int top = l.title.bottom() + 1 + line + 4; // room for the count above the tallest bar
    const int bottom = height() - (line + 10);       // room for the labels
    l.plot = QRect(QPoint(left, top), QPoint(width() - 8, bottom - 1));
    return l;
}

QRect TBarChart::SlotRect(const TLayout &l, int index) const
{
    const int n = qMax(1, int(m_bars.size()));
    const int x0 = l.plot.left() + int(std::lround(double(l.plot.width()) * index / n));
    const int x1 = l.plot.left() + int(std::lround(double(l.plot.width()) * (index + 1) / n));
    return QRect(x0, l.plot.top(), x1 - x0, l.plot.height());
}

int TBarChart::BarHeight(const TLayout &l, qint64 value) const
{
    if (value <= 0 || l.plot.height() <= 0)
        return 0;
    // A count above zero always shows as at least one pixel.
    return qMax(1, int(std::lround(double(value) / l.top * l.plot.height())));
}

QRect TBarChart::BarRect(int index) const
{
    if (index < 0 || index >= int(m_bars.size()))
        return {};
    const TLayout l = Layout();
    const QRect slot = SlotRect(l, index);
    const int barWidth = qMax(1, slot.width() * 3 / 5);
    const int h = BarHeight(l, m_bars[size_t(index)].value);
    return QRect(slot.left() + (slot.width() - barWidth) / 2, l.plot.bottom() + 1 - h, barWidth, h);
}

void TBarChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const TLayout l = Layout();
    const QFont text = P::Font(m_textSize);
    const QFont bold = P::Font(m_textSize, true);
    const int line = QFontMetrics(text).height();

    S::DrawTitleStrip(p, l.title, ShownTitle(), bold);
    if (l.plot.width() <= 0 || l.plot.height() <= 0)
        return;

    // The plot area with the cells' colour and a count line at every tick.
    p.fillRect(l.plot, P::DigitCell);
    p.setFont(text);
    for (double v = 0; v <= l.top + 1e-9; v += l.step) {
        const int y = l.plot.bottom() - int(std::lround(v / l.top * l.plot.height()));
        p.setPen(P::GridLine);
        p.drawLine(l.plot.left(), y, l.plot.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - line / 2, l.plot.left() - 5, line), Qt::AlignRight | Qt::AlignVCenter,
                   MarkText(v));
    }
    p.setPen(P::GridLine);
    p.setBrush(Qt::NoBrush);
    p.drawRect(l.plot.adjusted(0, 0, -1, -1));

    // The counts above the bars: all of them when each fits its slot, else
    // none (the pointer on a bar still tells its count).
    bool countsFit = true;
    for (int i = 0; i < int(m_bars.size()); ++i)
        countsFit = countsFit
                    && QFontMetrics(text).horizontalAdvance(CountText(m_bars[size_t(i)].value)) + 4
                           <= SlotRect(l, i).width();
    const QFontMetrics boldMetrics(bold);
    for (int i = 0; i < int(m_bars.size()); ++i) {
        const TBar &b = m_bars[size_t(i)];
        const QRect slot = SlotRect(l, i);
        const QRect bar = BarRect(i);
        const bool marked = i == m_marked;
        if (!bar.isEmpty())
            p.fillRect(bar, marked ? P::StepColor(1) : P::StepColor(0));
        if (countsFit)
            S::DrawCentred(p, QRect(slot.left(), bar.top() - line - 2, slot.width(), line), CountText(b.value),
                           text, Qt::black);
        // The label below, boxed when marked.
        const QRect labelRect(slot.left(), l.plot.bottom() + 4, slot.width(), line + 4);
        S::DrawCentred(p, labelRect, b.label, bold, P::DigitText);
        if (marked) {
            const int w = boldMetrics.horizontalAdvance(b.label) + 8;
            const QRect box(labelRect.center().x() - w / 2, labelRect.top(), w, labelRect.height());
            p.setPen(QPen(P::CommentText, 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(1, 1, -1, -1));
        }
    }
}

bool TBarChart::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(e);
        const TLayout l = Layout();
        for (int i = 0; i < int(m_bars.size()); ++i)
            if (QRect(SlotRect(l, i).left(), 0, SlotRect(l, i).width(), height()).contains(help->pos())
                && !m_bars[size_t(i)].tip.isEmpty()) {
                QToolTip::showText(help->globalPos(), m_bars[size_t(i)].tip, this);
                return true;
            }
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    return QWidget::event(e);
}
