#include "app/StatusBar.h"
#include "app/DurationText.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

QLabel *NewPanel(int index)
{
    auto *panel = new QLabel;
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(index));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    return panel;
}

double Share(qint64 combinations, qint64 total)
{
    return total > 0 ? qBound(0.0, double(combinations) / double(total), 1.0) : 0.0;
}

} // namespace

TStatusBar::TStatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    for (int i = 0; i < PanelCount; ++i)
        m_panels[i] = NewPanel(i);
    m_panels[0]->setFixedWidth(300);
    m_panels[1]->setFixedWidth(50);
    m_panels[0]->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Panel 2 and, under it, the progress bar. The wrapped text's height
    // for the panel's width makes the bar's height.
    auto *search = new QWidget;
    search->setObjectName(QStringLiteral("SearchPanel"));
    auto *column = new QVBoxLayout(search);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    m_panels[2]->setMinimumWidth(50);
    m_panels[2]->setWordWrap(true);
    m_panels[2]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(m_panels[2]);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("SearchProgress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(true);
    m_progress->hide();
    column->addWidget(m_progress);

    addWidget(m_panels[0]);
    addWidget(m_panels[1]);
    addWidget(search, 1);
}

QString TStatusBar::PanelText(int panel) const
{
    return m_panels[panel]->text();
}

void TStatusBar::SetPanel(int panel, const QString &text, bool repaintNow)
{
    m_texts[panel] = text;
    m_panels[panel]->setText(text);
    if (repaintNow)
        m_panels[panel]->repaint();
    emit PanelChanged(panel, text);
}

void TStatusBar::ClearPanel(int panel, const QString &text)
{
    if (m_texts[panel] == text)
        SetPanel(panel, QString());
}

void TStatusBar::ShowHint(const QString &text)
{
    m_panels[0]->setText(text.isEmpty() ? m_texts[0] : text);
}

void TStatusBar::StartProgress(qint64 total)
{
    m_total = total;
    UpdateProgress(0, 0);
    m_progress->show();
}

void TStatusBar::UpdateProgress(qint64 combinations, qint64 elapsedMs)
{
    m_progress->setValue(Permille(combinations, m_total));
    m_progress->setFormat(ProgressText(combinations, m_total, elapsedMs));
}

void TStatusBar::HideProgress()
{
    m_progress->hide();
}

int TStatusBar::Permille(qint64 combinations, qint64 total)
{
    return int(Share(combinations, total) * 1000);
}

QString TStatusBar::TimeLeft(qint64 elapsedMs, qint64 combinations, qint64 total)
{
    const double share = Share(combinations, total);
    if (share <= 0.0005 || elapsedMs <= 1000)
        return QStringLiteral("--");
    return DurationText(qint64(double(elapsedMs) * (1.0 - share) / share));
}

QString TStatusBar::ProgressText(qint64 combinations, qint64 total, qint64 elapsedMs)
{
    return QStringLiteral("%1% 剩余%2")
        .arg(Share(combinations, total) * 100, 0, 'f', 1)
        .arg(TimeLeft(elapsedMs, combinations, total));
}
