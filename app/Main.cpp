#include "app/Main.h"

#include "app/AboutBox.h"
#include "app/AnalysisCommands.h"
#include "app/BuildInfo.h"
#include "core/CountText.h"
#include "chart/ChartPalette.h"
#include "app/DrawDownload.h"
#include "app/FocusRing.h"
#include "app/MessageBox.h"
#include "io/DataFolder.h"
#include "io/DrawText.h"
#include "core/FileAccess.h"
#include "app/RegListModel.h"
#include "core/SearchEngine.h"
#include "core/SearchEstimate.h"
#include "app/SearchTexts.h"
#include "io/SettingsFile.h"
#include "app/RegSplitter.h"
#include "app/StatusBar.h"
#include "chart/VexelCtrl.h"
#include "core/VexelError.h"
#include "app/VexelOptions.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "app/WebForm.h"
#include "core/Workspace.h"

#include <QCloseEvent>
#include <QDataStream>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QThread>
#include <new>

const QString TMainForm::WorkspaceName = QStringLiteral("工作文档.vxr");
const QString TMainForm::ProductTitle = QString::fromUtf8(VEXEL_PRODUCT_TITLE);
const QString TMainForm::VersionText = BuildInfo::Version();
const QString TMainForm::SearchingMessage =
    QStringLiteral("程序正在搜索...\r\n请停止搜索或者等待搜索结束再执行此命令");
const QString TMainForm::DownloadingText = QStringLiteral("正在下载开奖数据...");
const QString TMainForm::UnsavedQuestion =
    QStringLiteral("开奖数据或规律已经改动，还没有保存。\r\n退出前要保存吗？");

namespace {

const QString SiteName = QString::fromUtf8(VEXEL_SITE_NAME);
const QString SiteAddress = QString::fromUtf8(VEXEL_SITE_ADDRESS);
const QString EditionText = QStringLiteral("单用户版");

} // namespace

void TMainForm::ShowMessage(const QString &text, QMessageBox::Icon icon)
{
    MessageBox::Show(this, text, icon);
}

TMainForm::TMainForm(const QString &dataFolder, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    resize(687, 500);
    setMinimumSize(300, 300);
    QFont font;
    font.setFamilies(ChartPalette::FontFamilies());
    font.setPixelSize(14);
    setFont(font);

    buildActions();
    buildMenus();
    buildToolBar();
    m_statusBar = new TStatusBar;
    setStatusBar(m_statusBar);
    connect(m_statusBar, &TStatusBar::PanelChanged, this, &TMainForm::PanelChanged);

    m_chart = new TVexelRegNet;
    m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_chart, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { ContextPopup(m_chart, pos); });
    m_chart->Relayout();

    // The collection first: the list follows it from the start.
    m_patterns = new TVexelRegMgr(&m_settings, this);
    connect(m_patterns, &TVexelRegMgr::SearchEvent, this, &TMainForm::SearchNotify);
    connect(m_patterns, &TVexelRegMgr::ReportsDelivered, this, &TMainForm::FlushSearchReports);
    m_listView = new TRegListView(*m_patterns);
    m_listView->SetPopupMenu(m_regMenu);
    connect(m_listView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { ContextPopup(m_listView, pos); });
    connect(m_listView, &TRegListView::PatternChosen, this, &TMainForm::ShowPattern);
    m_listView->SetWorkRunner([this](const QString &text, const TRegListView::TWork &work) { RunWork(text, work); });
    // Patterns whose forecast draw is known show whether it came true.
    m_listView->Model().SetForecastDraws(&m_chart->Codes(), &m_patterns->Draws());
    connect(m_chart, &TVexelRegNet::OnChange, &m_listView->Model(), &TRegListModel::DrawsChanged);
    // Draws typed, taken back, imported or downloaded, and patterns found:
    // the title shows the work unsaved. Deleting and clearing patterns
    // update the caption, which shows it too.
    connect(m_chart, &TVexelRegNet::OnChange, this, &TMainForm::ShowUnsaved);
    connect(m_patterns, &TVexelRegMgr::PatternsAdded, this, &TMainForm::ShowUnsaved);

    // PanelReg: the chart panel, the splitter and the list.
    m_splitter = new TRegSplitter(m_chart, m_listView, this);
    setCentralWidget(m_splitter);
    // Tab and Shift+Tab go between the chart and the list, then on to the
    // tool bar; either shows when it has the keys, and the chart has them
    // first, to type draws.
    setTabOrder(m_chart, m_listView);
    FocusRing::Attach(*m_chart);
    FocusRing::Attach(*m_listView);
    m_chart->setFocus();

    m_importFolder = ProgramImportFolder();
    m_dataFolder = dataFolder.isEmpty() ? ProgramDataFolder() : dataFolder;
    setWindowTitle(ProductTitle);
    QDir::setCurrent(m_dataFolder);

    LoadOptions();
    ApplyColumnCount();
    m_splitter->FitChart();

    m_download = new TDrawDownload(this);
    // A download that ends while a save reads the draws waits for it.
    connect(m_download, &TDrawDownload::Delivered, this, [this](const QList<qint32> &numbers) {
        WhenIdle([this, numbers] { LoadDownloadedDraws(numbers); });
    });
    connect(m_download, &TDrawDownload::Failed, this, [this](const QString &message) {
        WhenIdle([this, message] { ShowMessage(message); });
    });
    // Whatever the outcome, the user can try again once the worker has ended.
    connect(m_download, &TDrawDownload::Ended, this, [this] {
        m_fileMenuDown->setEnabled(true);
        m_statusBar->ClearPanel(0, DownloadingText);
    });

    m_analysis = new TAnalysisCommands(this, *m_patterns, *m_listView, *m_chart, m_settings);
    m_optionsForm = new TOptionsForm(this);
    m_webForm = new TWebForm(this);

    ResetWorkspace();
    const QString workspace = QDir(m_dataFolder).filePath(WorkspaceName);
    if (QFileInfo(workspace).size() >= OpenLaterBytes)
        QMetaObject::invokeMethod(this, [this, workspace] { OpenWorkspace(workspace); }, Qt::QueuedConnection);
    else
        OpenWorkspace(workspace);
    UpdateCaption();
    // Work counts as unsaved from here on.
    m_chart->Codes().ResetChanged();
    m_patterns->ResetChanged();
    ShowUnsaved();

    // Once the message loop runs: show the newest draws, then maximise.
    QMetaObject::invokeMethod(this, [this] {
        m_chart->VScroll(ChartGeometry::scBottom);
        if (isVisible())
            setWindowState(windowState() | Qt::WindowMaximized);
    }, Qt::QueuedConnection);
}

TMainForm::~TMainForm()
{
    // Late reports of a stopped search or a running download must not reach
    // a window that is going away.
    m_download->Stop();
    delete m_analysis;
    m_analysis = nullptr;
    m_patterns->disconnect(this);
    ResetWorkspace();
    delete m_patterns;
    m_patterns = nullptr;
    SaveOptions();
}

QString TMainForm::PanelText(int panel) const
{
    return m_statusBar->PanelText(panel);
}

void TMainForm::SetPanel(int panel, const QString &text)
{
    m_statusBar->SetPanel(panel, text);
}

bool TMainForm::event(QEvent *event)
{
    // Hints of menu entries and tool buttons show in panel 0.
    if (event->type() == QEvent::StatusTip) {
        m_statusBar->ShowHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

QString TMainForm::SettingsPath() const
{
    return SettingsFilePath(m_dataFolder);
}

void TMainForm::LoadOptions()
{
    // A settings file that is there but cannot be used is not passed over
    // in silence: the user's settings would seem lost.
    QString problem;
    m_settings = ::LoadOptions(SettingsPath(), &problem);
    if (!problem.isEmpty())
        ShowMessage(problem);
}

void TMainForm::SaveOptions()
{
    try {
        ::SaveOptions(SettingsPath(), m_settings);
    } catch (const EVexelError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
}

int TMainForm::ChartPanelWidth() const
{
    return m_splitter->ChartPanelWidth();
}

bool TMainForm::ApplyColumnCount()
{
    const int count = m_settings.RefTailChk ? 10 : 7;
    const bool changed = count != m_chart->ColCount();
    m_chart->SetColCount(count);
    m_chart->Relayout();
    return changed;
}

void TMainForm::UpdateCaption()
{
    // "[*]": the title marks unsaved work (ShowUnsaved).
    setWindowTitle(QStringLiteral("[*]") + ProductTitle + QStringLiteral(" v") + VersionText + QStringLiteral(" - ") +
                   SiteName + QLatin1Char(' ') + SiteAddress + QStringLiteral(" - ") + EditionText);
    if (!m_patterns->Busy())
        SetPanel(2, QStringLiteral("总共%1个规律").arg(CountText(m_patterns->Count())));
    ShowUnsaved();
}

void TMainForm::ShowUnsaved()
{
    // The state the close question asks about; the title is set only when
    // it changes, as it goes out to the window system.
    if (isWindowModified() != Unsaved())
        setWindowModified(Unsaved());
}

// --- commands ---------------------------------------------------------------

void TMainForm::RegMenuSelAllClick()
{
    m_listView->SelectAll();
    UpdateCaption();
}

void TMainForm::RegMenuSelNoneClick()
{
    m_listView->InvertSelection();
    UpdateCaption();
}

void TMainForm::RegMenuDelClick()
{
    m_listView->DeleteSelected();
    UpdateCaption();
}

void TMainForm::RegMenuClearClick()
{
    m_patterns->Clear();
    m_chart->ClearReg();
    UpdateCaption();
}

void TMainForm::RegMenuSearchClick()
{
    if (m_patterns->Busy()) {
        ShowMessage(SearchingMessage);
        return;
    }
    m_listView->repaint();
    m_chart->ClearReg();
    m_searchTotal = SearchCombinations(m_settings, m_chart->Codes().Count());
    m_patterns->Start(m_chart->Codes());
    UpdateCaption();
    SetPanel(2, QStringLiteral("开始搜索规律,请稍候..."));
    m_statusBar->StartProgress(m_searchTotal);
}

void TMainForm::RegMenuStopClick()
{
    SetPanel(2, QStringLiteral("停止搜索"));
    m_patterns->Stop();
    // Give the stopped worker a moment to leave its loops; its last reports,
    // the finished one last, are handled after the pause.
    QThread::msleep(StopPauseMs);
}

void TMainForm::RegMenuOptionsClick()
{
    m_optionsForm->SetSearchContext(m_chart->Codes().Count(), m_patterns->Count(), m_patterns->PatternLimit());
    if (!m_optionsForm->Execute(m_settings)) {
        // The dialog showed each value within its range, and estimated the
        // search for those: they are the ones searched from now on.
        m_settings = m_optionsForm->ShownSettings();
        return;
    }
    m_settings = m_optionsForm->WorkingCopy();
    SaveOptions();
    UpdateCaption();
    // A width the user dragged stays until the columns change.
    if (ApplyColumnCount())
        m_splitter->FitChart();
}

void TMainForm::RegMenuStatsClick()
{
    m_analysis->OpenStats();
}

void TMainForm::RegMenuHistoryStatsClick()
{
    m_analysis->OpenHistoryStats();
}

void TMainForm::RegMenuBacktestClick()
{
    m_analysis->OpenBacktest();
}

void TMainForm::HelpMenuTopicClick()
{
    m_webForm->showMaximized();
    m_webForm->raise();
    m_webForm->activateWindow();
    m_webForm->Navigate(TWebForm::HelpAddress);
}

void TMainForm::HelpMenuWebClick()
{
    QDesktopServices::openUrl(QUrl(SiteAddress));
}

void TMainForm::HelpMenuAboutClick()
{
    TAboutBox box(ProductTitle, VersionText, this);
    box.exec();
}

// --- list and search reports ------------------------------------------------

void TMainForm::SearchNotify(quint8 kind, qint64 combinations, TVexelReg *found)
{
    // The collection lists the pattern with the others of its slice.
    if (kind == TSearchReport::Found && found)
        found->ShortestOrder();
    m_lastCombinations = combinations;
    // Otherwise once per delivered slice: a stopped search can still have
    // thousands of reports waiting, and the status bar repaints each time.
    if (kind == TSearchReport::Finished) {
        FlushSearchReports();
        // Shown once the reports have been handled, not inside their delivery.
        const QString message = SearchTexts::EndMessage(m_patterns->LastOutcome(), m_patterns->Count(),
                                                        m_patterns->PatternLimit());
        if (!message.isEmpty())
            QMetaObject::invokeMethod(this, [this, message] { ShowMessage(message); }, Qt::QueuedConnection);
    }
}

void TMainForm::FlushSearchReports()
{
    const bool busy = m_patterns->Busy();
    const qint64 elapsed = m_patterns->ElapsedMs() / 1000;
    SetPanel(2, busy ? SearchTexts::Progress(m_lastCombinations, m_patterns->Count(), elapsed, true)
                     : SearchTexts::End(m_patterns->LastOutcome(), m_patterns->Count(), elapsed));
    if (busy)
        m_statusBar->UpdateProgress(m_lastCombinations, m_patterns->ElapsedMs());
    else
        m_statusBar->HideProgress();
}

void TMainForm::ShowPattern(TVexelReg *pattern)
{
    m_chart->ShowReg(*pattern);
    UpdateCaption();
}

void TMainForm::ContextPopup(QWidget *sender, const QPoint &position)
{
    Q_UNUSED(position);
    UpdateCaption();
    if (sender == m_listView)
        m_listView->PopupMenu();
}
