#include "Main.h"

#include "AboutBox.h"
#include "DrawDownload.h"
#include "DataFolder.h"
#include "DrawText.h"
#include "FileAccess.h"
#include "RegListModel.h"
#include "SearchEngine.h"
#include "SearchEstimate.h"
#include "SearchTexts.h"
#include "SettingsFile.h"
#include "RegSplitter.h"
#include "StatusBar.h"
#include "VexelCtrl.h"
#include "VexelError.h"
#include "VexelOptions.h"
#include "VexelReg.h"
#include "VexelRegMgr.h"
#include "WebForm.h"
#include "Workspace.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDataStream>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <new>

const QString TMainForm::WorkspaceName = QStringLiteral("工作文档.vxr");
const QString TMainForm::ProductTitle = QString::fromUtf8(VEXEL_PRODUCT_TITLE);
const QString TMainForm::VersionText = QStringLiteral("2.18");
const QString TMainForm::SearchingMessage =
    QStringLiteral("程序正在搜索...\r\n请停止搜索或者等待搜索结束再执行此命令");
const QString TMainForm::UnsavedQuestion =
    QStringLiteral("开奖数据或规律已经改动，还没有保存。\r\n退出前要保存吗？");

namespace {

const QString SiteName = QString::fromUtf8(VEXEL_SITE_NAME);
const QString SiteAddress = QString::fromUtf8(VEXEL_SITE_ADDRESS);
const QString EditionText = QStringLiteral("单用户版");

} // namespace

std::function<void(const QString &)> TMainForm::MessageHook;
std::function<TMainForm::TSaveAnswer(const QString &)> TMainForm::SaveQuestionHook;

TMainForm::TSaveAnswer TMainForm::AskToSave(const QString &text)
{
    if (SaveQuestionHook)
        return SaveQuestionHook(text);
    QMessageBox box(QMessageBox::Question, ProductTitle,
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), QMessageBox::NoButton, this);
    QPushButton *save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return TSaveAnswer::Save;
    return box.clickedButton() == discard ? TSaveAnswer::Discard : TSaveAnswer::Cancel;
}

void TMainForm::ShowMessage(const QString &text)
{
    if (MessageHook) {
        MessageHook(text);
        return;
    }
    QMessageBox box(QMessageBox::Information, ProductTitle,
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), QMessageBox::Ok, this);
    box.exec();
}

TMainForm::TMainForm(const QString &dataFolder, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    resize(687, 500);
    setMinimumSize(300, 300);
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
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

    // PanelReg: the chart panel, the splitter and the list.
    m_splitter = new TRegSplitter(m_chart, m_listView, this);
    setCentralWidget(m_splitter);

    m_importFolder = ProgramImportFolder();
    m_dataFolder = dataFolder.isEmpty() ? ProgramDataFolder() : dataFolder;
    setWindowTitle(ProductTitle);
    QDir::setCurrent(m_dataFolder);

    LoadOptions();
    ApplyColumnCount();
    m_splitter->FitChart();

    m_download = new TDrawDownload(this);
    connect(m_download, &TDrawDownload::Delivered, this, &TMainForm::LoadDownloadedDraws);
    connect(m_download, &TDrawDownload::Failed, this, &TMainForm::ShowMessage);
    // Whatever the outcome, the user can try again once the worker has ended.
    connect(m_download, &TDrawDownload::Ended, this, [this] { m_fileMenuDown->setEnabled(true); });

    m_optionsForm = new TOptionsForm(this);
    m_webForm = new TWebForm(this);

    try {
        ResetWorkspace();
        OpenWorkspace(QDir(m_dataFolder).filePath(WorkspaceName));
    } catch (const EVexelError &) {
        ShowMessage(QStringLiteral("打开文档失败：\r\n") + WorkspaceName);
    } catch (const std::bad_alloc &) {
        // A workspace too large for the memory left fails like a damaged one.
        ShowMessage(QStringLiteral("打开文档失败：\r\n") + WorkspaceName);
    }
    UpdateCaption();
    // Work counts as unsaved from here on.
    m_chart->Codes().ResetChanged();
    m_patterns->ResetChanged();

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
    m_settings = ::LoadOptions(SettingsPath());
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
    setWindowTitle(ProductTitle + QStringLiteral(" v") + VersionText + QStringLiteral(" - ") + SiteName +
                   QLatin1Char(' ') + SiteAddress + QStringLiteral(" - ") + EditionText);
    if (!m_patterns->Busy())
        SetPanel(2, QStringLiteral("总共%1个规律").arg(m_patterns->Count()));
}

void TMainForm::ResetWorkspace()
{
    SetPanel(2, QString());
    m_chart->Clear();
    m_patterns->Clear();
    UpdateCaption();
}

void TMainForm::OpenWorkspace(const QString &name)
{
    QFile file(name);
    QString error;
    if (!FileAccess::OpenRegular(file, error))
        throw EVexelError(QStringLiteral("Cannot open file \"%1\": %2").arg(name, error));
    if (file.size() == 0)
        return;
    file.close();
    SetPanel(0, QStringLiteral("正在打开文档..."));
    const bool loaded = Workspace::Load(name, [this](QDataStream &s) { m_chart->LoadFromStream(s); }, *m_patterns);
    SetPanel(0, QString());
    if (loaded)
        FillRegList();
    UpdateCaption();
}

void TMainForm::SaveWorkspace(const QString &name)
{
    Workspace::Save(name, [this](QDataStream &s) { m_chart->SaveToStream(s); }, *m_patterns);
    m_chart->Codes().ResetChanged();
    m_patterns->ResetChanged();
    SetPanel(0, QString());
    UpdateCaption();
}

void TMainForm::FillRegList()
{
    m_listView->Fill([this](int row) { SetPanel(0, QStringLiteral("正在添加第%1个规律...").arg(row)); });
    SetPanel(0, QString());
}

// --- commands ---------------------------------------------------------------

void TMainForm::FileMenuSaveClick()
{
    Save();
}

bool TMainForm::Save()
{
    try {
        SaveWorkspace(QDir(m_dataFolder).filePath(WorkspaceName));
        UpdateCaption();
        return true;
    } catch (const EVexelError &) {
        ShowMessage(QStringLiteral("保存文件时出现错误！"));
        return false;
    }
}

bool TMainForm::Unsaved() const
{
    return m_chart->Codes().Changed() || m_patterns->Changed();
}

void TMainForm::FileNenuImportClick()
{
    QFileDialog dialog(this, QStringLiteral("从文本文件中的开奖数据导入号码"), m_importFolder);
    dialog.setObjectName(QStringLiteral("ImportDialog"));
    dialog.setNameFilters({QStringLiteral("文本文件 (*.txt)"), QStringLiteral("任何文件 (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ImportFile(dialog.selectedFiles().first());
}

void TMainForm::ImportFile(const QString &path)
{
    QList<qint32> numbers;
    try {
        numbers = ReadDrawFile(path);
    } catch (const EVexelError &e) {
        ShowMessage(e.message());
        return;
    }
    // A download still running shares nothing with the import, but a second
    // one must not start before it ends.
    if (!DownloadRunning())
        m_fileMenuDown->setEnabled(true);
    m_chart->ReplaceDraws([&numbers](TCodes &draws) { RebuildDrawList(draws, numbers); });
    m_chart->VScroll(ChartGeometry::scBottom);
    ShowMessage(QStringLiteral("导入开奖号码成功！"));
}

void TMainForm::FileMenuExitClick()
{
    close();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (m_patterns->Busy()) {
        ShowMessage(SearchingMessage);
        event->ignore();
        return;
    }
    if (Unsaved()) {
        const TSaveAnswer answer = AskToSave(UnsavedQuestion);
        // A failed save keeps the window, and the work, open.
        if (answer == TSaveAnswer::Cancel || (answer == TSaveAnswer::Save && !Save())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

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
    m_searchTotal = EstimateSearch(m_settings, m_chart->Codes().Count()).combinations;
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
    if (!m_optionsForm->Execute(m_settings))
        return;
    m_settings = m_optionsForm->WorkingCopy();
    SaveOptions();
    UpdateCaption();
    // A width the user dragged stays until the columns change.
    if (ApplyColumnCount())
        m_splitter->FitChart();
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

// --- download ---------------------------------------------------------------

bool TMainForm::DownloadRunning() const
{
    return m_download->Running();
}

void TMainForm::SetDownloadTimings(int waitMs, int timeLimitMs)
{
    m_download->SetTimings(waitMs, timeLimitMs);
}

void TMainForm::SetDataServiceUrl(const QString &url)
{
    m_download->SetDataServiceUrl(url);
}

void TMainForm::FileMenuDownClick()
{
    // One download at a time: the command stays disabled until it has ended.
    if (DownloadRunning())
        return;
    m_download->Start(m_settings.userName, m_settings.userPW);
    m_fileMenuDown->setEnabled(false);
}

void TMainForm::LoadDownloadedDraws(const QList<qint32> &numbers)
{
    m_fileMenuDown->setEnabled(true);
    m_chart->ReplaceDraws([&numbers](TCodes &draws) { RebuildDrawList(draws, numbers); });
    ShowMessage(QStringLiteral("下载开奖数据成功！"));
}
