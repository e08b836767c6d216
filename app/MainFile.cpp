// The main window's File menu and the workspace: open, save, import,
// download, the exports, and closing with unsaved work.
#include "app/Main.h"

#include "app/AnalysisCommands.h"
#include "core/CountText.h"
#include "app/DrawDownload.h"
#include "app/FileDialog.h"
#include "app/MessageBox.h"
#include "io/DrawText.h"
#include "core/FileAccess.h"
#include "app/RegListModel.h"
#include "app/RegListView.h"
#include "app/StatusBar.h"
#include "chart/VexelCtrl.h"
#include "core/VexelError.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <malloc.h>
#include <utility>
#include <QDataStream>
#include <QDir>
#include <QFile>

void TMainForm::ResetWorkspace()
{
    SetPanel(2, QString());
    m_chart->Clear();
    m_patterns->Clear();
    UpdateCaption();
}

void TMainForm::OpenWorkspace(const QString &name)
{
    const qint64 size = QFileInfo(name).size();
    if (size > 0)
        SetPanel(0, QStringLiteral("正在打开文档..."));
    Workspace::TContent content;
    QString error;
    Workspace::TReadResult result = Workspace::TReadResult::Empty;
    std::vector<TVexelReg *> rows; // the list's order, sorted here too
    const auto read = [&](const BackgroundWork::Progress &progress) {
        result = Workspace::ReadInto(name, content, error, progress);
        if (result == Workspace::TReadResult::Whole) {
            try {
                rows.reserve(size_t(content.patterns.Count()));
                for (int i = 0; i < content.patterns.Count(); ++i)
                    rows.push_back(content.patterns.Get(i));
                rows = TRegListModel::CaptionOrdered(rows);
            } catch (const std::bad_alloc &) {
                rows = {}; // the list sorts them itself, or finds no memory either
            }
        }
        // What was read is freed: the memory goes back to the system, which
        // the window needs to go on painting.
        if (result == Workspace::TReadResult::TooLarge)
            malloc_trim(0);
    };
    if (size >= OpenLaterBytes)
        RunWork(QStringLiteral("正在打开文档..."), read);
    else
        read({});
    if (result == Workspace::TReadResult::Empty)
        return;
    try {
        if (result != Workspace::TReadResult::TooLarge) {
            m_chart->ReplaceDraws([&content](TCodes &draws) { draws = std::move(content.chart); });
            m_patterns->TakeOver(content.patterns);
        }
        // A file that failed part-way keeps what was read, unlisted.
        if (result == Workspace::TReadResult::Whole) {
            SetPanel(0, QString());
            FillRegList(rows.size() == size_t(m_patterns->Count()) ? &rows : nullptr);
        }
    } catch (const std::bad_alloc &) {
        result = Workspace::TReadResult::TooLarge;
        ResetWorkspace();
    }
    if (result == Workspace::TReadResult::TooLarge)
        SetPanel(0, QString());
    m_chart->VScroll(ChartGeometry::scBottom);
    UpdateCaption();
    m_chart->Codes().ResetChanged();
    m_patterns->ResetChanged();
    ShowUnsaved();
    if (result != Workspace::TReadResult::Whole)
        ShowMessage(QStringLiteral("打开文档失败：\r\n") + WorkspaceName);
}

bool TMainForm::SaveWorkspace(const QString &name, QString &error)
{
    bool saved = false;
    RunWork(QStringLiteral("正在保存文档..."), [&](const BackgroundWork::Progress &progress) {
        try {
            saved = Workspace::Save(name, [this](QDataStream &s) { m_chart->SaveToStream(s); }, *m_patterns,
                                    error, progress);
        } catch (const std::bad_alloc &) {
            error = QStringLiteral("内存不足");
        }
    });
    if (!saved)
        return false;
    m_chart->Codes().ResetChanged();
    m_patterns->ResetChanged();
    SetPanel(0, QString());
    UpdateCaption();
    return true;
}

void TMainForm::RunWork(const QString &text, const std::function<void(const BackgroundWork::Progress &)> &work)
{
    ++m_working;
    m_patterns->HoldReports();
    std::exception_ptr failure;
    try {
        BackgroundWork::Run(this, text, work);
    } catch (...) {
        failure = std::current_exception();
    }
    m_patterns->ReleaseReports();
    if (--m_working == 0) {
        // After the command that ran the work has returned.
        for (const std::function<void()> &step : std::exchange(m_idleSteps, {}))
            QMetaObject::invokeMethod(this, step, Qt::QueuedConnection);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TMainForm::WhenIdle(const std::function<void()> &step)
{
    if (m_working > 0)
        m_idleSteps.push_back(step);
    else
        step();
}

void TMainForm::FillRegList()
{
    FillRegList(nullptr);
}

void TMainForm::FillRegList(std::vector<TVexelReg *> *ordered)
{
    // Every 53rd row's text, painted at most ten times a second: painted
    // each time, it took seconds of a list of millions.
    QElapsedTimer painted;
    m_listView->Fill([this, &painted](int row) {
        const bool now = !painted.isValid() || painted.elapsed() >= 100;
        if (now)
            painted.start();
        m_statusBar->SetPanel(0, QStringLiteral("正在添加第%1个规律...").arg(CountText(row)), now);
    }, ordered);
    SetPanel(0, QString());
}

void TMainForm::FileMenuSaveClick()
{
    Save();
}

bool TMainForm::Save()
{
    QString error;
    if (!SaveWorkspace(QDir(m_dataFolder).filePath(WorkspaceName), error)) {
        ShowMessage(QStringLiteral("保存文件时出现错误！\r\n") + error, QMessageBox::Warning);
        return false;
    }
    UpdateCaption();
    return true;
}

bool TMainForm::Unsaved() const
{
    return m_chart->Codes().Changed() || m_patterns->Changed();
}

void TMainForm::FileNenuImportClick()
{
    const QString path = FileDialog::OpenFileName(this, QStringLiteral("从文本文件中的开奖数据导入号码"), m_importFolder,
                                                  {QStringLiteral("文本文件 (*.txt)"), QStringLiteral("任何文件 (*)")});
    if (!path.isEmpty())
        ImportFile(path);
}

void TMainForm::ImportFile(const QString &path)
{
    TCodes draws;
    QString error;
    RunWork(QStringLiteral("正在导入开奖号码..."), [&](const BackgroundWork::Progress &) {
        try {
            RebuildDrawList(draws, ReadDrawFile(path));
        } catch (const EVexelError &e) {
            error = e.message();
        } catch (const std::bad_alloc &) {
            error = QStringLiteral("内存不足，无法导入开奖号码");
        }
    });
    if (!error.isEmpty()) {
        ShowMessage(error, QMessageBox::Warning);
        return;
    }
    // A download still running shares nothing with the import, but a second
    // one must not start before it ends.
    if (!DownloadRunning())
        m_fileMenuDown->setEnabled(true);
    m_chart->ReplaceDraws([&draws](TCodes &chartDraws) { chartDraws = std::move(draws); });
    m_chart->VScroll(ChartGeometry::scBottom);
    ShowMessage(QStringLiteral("导入开奖号码成功！"));
}

void TMainForm::FileMenuExitClick()
{
    close();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // Work on the data is under way (its dialog shows that).
    if (m_working > 0) {
        event->ignore();
        return;
    }
    if (m_patterns->Busy()) {
        ShowMessage(SearchingMessage);
        event->ignore();
        return;
    }
    if (Unsaved()) {
        const QMessageBox::StandardButton answer = MessageBox::Ask(
            this, UnsavedQuestion, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        // A failed save keeps the window, and the work, open.
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void TMainForm::FileMenuExportRegClick()
{
    m_analysis->ExportPatterns();
}

void TMainForm::FileMenuExportChartClick()
{
    m_analysis->ExportChart();
}

void TMainForm::FileMenuPrintClick()
{
    m_analysis->PrintChart();
}

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
    // The wait takes seconds: the status bar tells it is under way until
    // the worker ends, whatever the outcome.
    SetPanel(0, DownloadingText);
}

void TMainForm::LoadDownloadedDraws(const QList<qint32> &numbers)
{
    m_fileMenuDown->setEnabled(true);
    TCodes draws;
    RunWork(QStringLiteral("正在载入下载的开奖号码..."), [&](const BackgroundWork::Progress &) {
        RebuildDrawList(draws, numbers);
    });
    m_chart->ReplaceDraws([&draws](TCodes &chartDraws) { chartDraws = std::move(draws); });
    ShowMessage(QStringLiteral("下载开奖数据成功！"));
}
