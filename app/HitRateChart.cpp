#include "app/HitRateChart.h"
#include "core/BacktestText.h"
#include "app/ChartStyle.h"
#include "chart/ChartPalette.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace S = ChartStyle;
namespace P = ChartPalette;

namespace {

constexpr int TextPixels = 13;

// Each draw's own rate: lighter than the running line drawn over it.
const QColor DrawRateColour(150, 190, 255);
// The band lies over the bars: see-through, in the fifth step colour.
QColor BandColour()
{
    QColor colour = ChartPalette::StepColor(4);
    colour.setAlpha(90);
    return colour;
}

} // namespace

THitRateChart::THitRateChart(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void THitRateChart::SetDraws(TDrawSpan span, std::vector<TBacktestDraw> draws)
{
    m_span = span;
    m_draws = std::move(draws);
    m_interval = HitRateInterval(m_draws);
    // Room for every draw's rate and the whole band, at least 20 %.
    double most = 0.2;
    for (const TBacktestDraw &d : m_draws)
        if (d.patterns > 0)
            most = qMax(most, double(d.hits) / double(d.patterns));
    if (m_interval.valid)
        most = qMax(most, m_interval.chanceHigh);
    m_top = qMin(1.0, S::NiceAxisTop(most, 5, m_step));
    update();
}

double THitRateChart::RateTop() const
{
    return m_top;
}

QRect THitRateChart::PlotRect() const
{
    const QFontMetrics text(P::Font(TextPixels));
    const int line = text.height();
    const int left = text.horizontalAdvance(QStringLiteral("100%")) + 12;
    const int top = (line + 8) + 8;
    return QRect(QPoint(left, top), QPoint(width() - 12, height() - line - 10));
}

int THitRateChart::XOfDraw(const QRect &plot, int index) const
{
    const int n = qMax(1, m_span.Count());
    // The middle of the draw's slot.
    return plot.left() + int(std::lround((double(index - m_span.first) + 0.5) * plot.width() / n));
}

int THitRateChart::YOfRate(const QRect &plot, double rate) const
{
    return plot.bottom() - int(std::lround(qBound(0.0, rate / m_top, 1.0) * plot.height()));
}

void THitRateChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QFont text = P::Font(TextPixels);
    const int line = QFontMetrics(text).height();
    const QRect strip(0, 0, width(), line + 8);
    S::DrawTitleStrip(p, strip, QString(), P::Font(TextPixels, true));
    PaintLegend(p, strip);

    const QRect plot = PlotRect();
    if (plot.width() <= 0 || plot.height() <= 0)
        return;
    p.fillRect(plot, P::DigitCell);

    // Rate lines and their labels.
    p.setFont(text);
    for (double v = 0; v <= m_top + 1e-9; v += m_step) {
        const int y = YOfRate(plot, v);
        p.setPen(P::GridLine);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - line / 2, plot.left() - 5, line), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1%").arg(qRound(v * 100)));
    }

    // Draw numbers along the bottom: the first, the last and round ones between.
    const int n = m_span.Count();
    if (n > 0) {
        const int labelWidth = QFontMetrics(text).horizontalAdvance(QString::number(m_span.last + 1)) + 16;
        const int fit = qMax(1, plot.width() / labelWidth);
        double every = 1;
        S::NiceAxisTop(double(n), fit, every);
        const int stride = qMax(1, int(every));
        std::vector<int> marks{m_span.first};
        for (int number = (m_span.first + 1) / stride * stride + stride; number < m_span.last + 1; number += stride)
            marks.push_back(number - 1);
        marks.push_back(m_span.last);
        int lastRight = -1000000;
        for (size_t i = 0; i < marks.size(); ++i) {
            const int x = XOfDraw(plot, marks[i]);
            // Labels at the ends stay inside the widget.
            QRect r(x - labelWidth / 2, plot.bottom() + 3, labelWidth, line + 4);
            r.moveLeft(qBound(0, r.left(), qMax(0, width() - labelWidth)));
            // The last label always shows; one that would crowd it gives way.
            const bool last = i + 1 == marks.size();
            if (r.left() < lastRight
                || (!last && r.right() > XOfDraw(plot, m_span.last) - labelWidth))
                continue;
            p.setPen(P::GridLine);
            p.drawLine(x, plot.bottom(), x, plot.bottom() + 3);
            S::DrawCentred(p, r, QString::number(marks[i] + 1), text, Qt::black);
            lastRight = r.right();
        }
    }

    // Each draw's rate, then the rate of all draws up to it.
    const int slot = qMax(1, plot.width() / qMax(1, n) - (plot.width() / qMax(1, n) > 3 ? 1 : 0));
    QPainterPath running;
    qint64 patterns = 0, hits = 0;
    for (const TBacktestDraw &d : m_draws) {
        if (d.patterns <= 0)
            continue;
        const int x = XOfDraw(plot, d.index);
        const int y = YOfRate(plot, double(d.hits) / double(d.patterns));
        p.fillRect(QRect(x - slot / 2, y, slot, plot.bottom() - y + 1), DrawRateColour);
        patterns += d.patterns;
        hits += d.hits;
        const QPointF point(x, YOfRate(plot, double(hits) / double(patterns)));
        if (running.elementCount() == 0)
            running.moveTo(point);
        else
            running.lineTo(point);
    }
    // The band luck alone gives, over the bars and under the lines.
    if (m_interval.valid) {
        const int yHigh = YOfRate(plot, m_interval.chanceHigh);
        const int yLow = YOfRate(plot, m_interval.chanceLow);
        p.fillRect(QRect(plot.left(), yHigh, plot.width(), qMax(1, yLow - yHigh + 1)), BandColour());
    }
    p.setPen(QPen(P::CommentText, 2, Qt::DashLine));
    const int yChance = YOfRate(plot, ChanceHitRate);
    p.drawLine(plot.left(), yChance, plot.right(), yChance);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(P::StepColor(0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(running);
    p.setRenderHint(QPainter::Antialiasing, false);

    p.setPen(P::GridLine);
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    // Between the top and the dashed line, clear of both.
    if (m_draws.empty())
        S::DrawCentred(p, QRect(plot.left(), plot.top(), plot.width(), yChance - plot.top()),
                       QStringLiteral("开始回测后，这里逐期画出命中率"), text, P::CommentText);
}

void THitRateChart::PaintLegend(QPainter &p, const QRect &strip) const
{
    const QFont bold = P::Font(TextPixels, true);
    const QFontMetrics metrics(bold);
    p.setFont(bold);
    int x = strip.left() + 8;
    const int cy = strip.center().y();
    auto entry = [&](const QString &label, auto drawKey) {
        drawKey(QRect(x, cy - 6, 22, 12));
        x += 28;
        p.setPen(P::CommentText);
        p.drawText(QRect(x, strip.top(), metrics.horizontalAdvance(label) + 2, strip.height()),
                   Qt::AlignVCenter | Qt::AlignLeft, label);
        x += metrics.horizontalAdvance(label) + 18;
    };
    entry(QStringLiteral("每期命中率"), [&](const QRect &r) { p.fillRect(r.adjusted(6, 0, -6, 0), DrawRateColour); });
    entry(QStringLiteral("累计命中率"), [&](const QRect &r) {
        p.setPen(QPen(P::StepColor(0), 2));
        p.drawLine(r.left(), r.center().y(), r.right(), r.center().y());
    });
    entry(QStringLiteral("随便猜的命中率 10%"), [&](const QRect &r) {
        p.setPen(QPen(P::CommentText, 2, Qt::DashLine));
        p.drawLine(r.left(), r.center().y(), r.right(), r.center().y());
    });
    entry(QStringLiteral("单凭运气的范围"), [&](const QRect &r) {
        p.fillRect(r, BandColour());
        p.setPen(P::GridLine);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    });
}
