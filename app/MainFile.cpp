// The main window's File menu and the workspace: open, save, import,
// download, the exports, and closing with unsaved work.
#include "app/Main.h"

#include "app/AnalysisCommands.h"
#include "app/DrawDownload.h"
#include "io/DrawText.h"
#include "core/FileAccess.h"
#include "app/RegListView.h"
#include "app/StatusBar.h"
#include "chart/VexelCtrl.h"
#include "core/VexelError.h"
#include "core/VexelRegMgr.h"
#include "core/Workspace.h"

#include <QCloseEvent>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

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
}

void TMainForm::LoadDownloadedDraws(const QList<qint32> &numbers)
{
    m_fileMenuDown->setEnabled(true);
    m_chart->ReplaceDraws([&numbers](TCodes &draws) { RebuildDrawList(draws, numbers); });
    ShowMessage(QStringLiteral("下载开奖数据成功！"));
}

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
