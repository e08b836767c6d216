#pragma once

#include "app/BackgroundWork.h"
#include "app/RegListView.h"
#include "core/RegOptions.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;
class TAnalysisCommands;
class QMenu;
class QToolBar;
class TDrawDownload;
class TOptionsForm;
class TRegListModel;
class TRegSplitter;
class TStatusBar;
class TVexelReg;
class TVexelRegMgr;
class TVexelRegNet;
class TWebForm;

// The program's working window. It owns the search settings, the pattern
// collection and the chart (which owns the draw history), lists the found
// patterns, and offers every command through its menus, tool bar and
// short-cuts.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    static const QString WorkspaceName;
    static const QString ProductTitle;
    static const QString VersionText;
    static const QString SearchingMessage;
    static const QString UnsavedQuestion;
    // Panel 0 while the Download command waits for the data service.
    static const QString DownloadingText;
    // How long Stop pauses the window for the stopped worker to end.
    static inline int StopPauseMs = 1000;
    // A workspace file of this size or more is read once the window is up,
    // showing how far it got; a smaller one before the window shows.
    static inline qint64 OpenLaterBytes = qint64(8) << 20;

    // `dataFolder` overrides where the workspace and the settings file live
    // (tests use it); by default that is the program folder when it can be
    // written and not an installed copy, else the user's application-data
    // folder.
    explicit TMainForm(const QString &dataFolder = QString(), QWidget *parent = nullptr);
    ~TMainForm() override;

    // The window's messages, with one OK button (app/MessageBox).
    void ShowMessage(const QString &text, QMessageBox::Icon icon = QMessageBox::Information);
    // Whether draws were typed, imported or downloaded, or patterns found,
    // deleted or cleared since the last Save or the start-up.
    bool Unsaved() const;

    // Commands.
    void FileMenuSaveClick();
    void FileNenuImportClick();
    void ImportFile(const QString &path);
    void FileMenuDownClick();
    void FileMenuExitClick();
    void RegMenuSelAllClick();
    void RegMenuSelNoneClick();
    void RegMenuDelClick();
    void RegMenuClearClick();
    void RegMenuSearchClick();
    void RegMenuStopClick();
    void RegMenuOptionsClick();
    void RegMenuStatsClick();
    void RegMenuHistoryStatsClick();
    void RegMenuBacktestClick();
    void FileMenuExportRegClick();
    void FileMenuExportChartClick();
    void FileMenuPrintClick();
    void HelpMenuTopicClick();
    void HelpMenuWebClick();
    void HelpMenuAboutClick();

    // Window state. Opening shows its own failure; saving gives the reason
    // of its failure in `error`.
    void OpenWorkspace(const QString &name);
    bool SaveWorkspace(const QString &name, QString &error);
    void ResetWorkspace();
    void UpdateCaption();
    void FillRegList();
    // With the patterns already in the list's order.
    void FillRegList(std::vector<TVexelReg *> *ordered);
    // Replaces the draws by the downloaded ones.
    void LoadDownloadedDraws(const QList<qint32> &numbers);

    // Parts the tests look at. Action finds a command by its component name.
    TRegOptions &Settings() { return m_settings; }
    TVexelRegMgr &Patterns() { return *m_patterns; }
    TVexelRegNet &Chart() { return *m_chart; }
    TRegListModel &ListModel() { return m_listView->Model(); }
    TRegListView &ListView() { return *m_listView; }
    TAnalysisCommands &Analysis() { return *m_analysis; }
    QString PanelText(int panel) const;
    QString DataFolder() const { return m_dataFolder; }
    QString SettingsPath() const;
    QAction *Action(const QString &name) const;
    QMenu *RegMenu() const { return m_regMenu; }
    int ChartPanelWidth() const;
    bool DownloadRunning() const;
    void SetDownloadTimings(int waitMs, int timeLimitMs);
    void SetDataServiceUrl(const QString &url);

signals:
    // A status panel's text changed.
    void PanelChanged(int panel, const QString &text);

protected:
    QMenu *createPopupMenu() override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    // The commands (MainCommands.cpp).
    void buildActions();
    void buildMenus();
    void buildToolBar();
    QAction *addCommand(const char *name, const QString &caption, const QString &hint,
                        const QKeySequence &shortcut, void (TMainForm::*handler)());

    // The Save command; false when the workspace could not be written.
    bool Save();
    void LoadOptions();
    void SaveOptions();
    // Whether the chart's column count changed.
    bool ApplyColumnCount();
    void SearchNotify(quint8 kind, qint64 combinations, TVexelReg *found);
    void FlushSearchReports();
    void ContextPopup(QWidget *sender, const QPoint &position);
    void ShowPattern(TVexelReg *pattern);
    void SetPanel(int panel, const QString &text);
    // Marks the title while Unsaved() holds.
    void ShowUnsaved();
    // Long work on the draws or the patterns (BackgroundWork): meanwhile the
    // searches' reports wait, and so does what WhenIdle is given.
    void RunWork(const QString &text, const std::function<void(const BackgroundWork::Progress &)> &work);
    void WhenIdle(const std::function<void()> &step);

    QAction *m_fileMenuSave = nullptr;
    QAction *m_fileNenuImport = nullptr;
    QAction *m_fileMenuDown = nullptr;
    QAction *m_fileMenuExit = nullptr;
    QAction *m_regMenuSelAll = nullptr;
    QAction *m_regMenuSelNone = nullptr;
    QAction *m_regMenuDel = nullptr;
    QAction *m_regMenuClear = nullptr;
    QAction *m_regMenuSearch = nullptr;
    QAction *m_regMenuStop = nullptr;
    QAction *m_regMenuOptions = nullptr;
    QAction *m_regMenuStats = nullptr;
    QAction *m_regMenuBacktest = nullptr;
    QAction *m_regMenuHistoryStats = nullptr;
    QAction *m_fileMenuExportReg = nullptr;
    QAction *m_fileMenuExportChart = nullptr;
    QAction *m_fileMenuPrint = nullptr;
    QAction *m_helpMenuTopic = nullptr;
    QAction *m_helpMenuWeb = nullptr;
    QAction *m_helpMenuAbout = nullptr;

    TRegOptions m_settings;
    TVexelRegMgr *m_patterns = nullptr;
    TVexelRegNet *m_chart = nullptr;
    TRegListView *m_listView = nullptr;
    TRegSplitter *m_splitter = nullptr;
    QToolBar *m_toolBar = nullptr;
    QMenu *m_regMenu = nullptr;
    TStatusBar *m_statusBar = nullptr;
    TOptionsForm *m_optionsForm = nullptr;
    TWebForm *m_webForm = nullptr;
    TDrawDownload *m_download = nullptr;
    TAnalysisCommands *m_analysis = nullptr;
    QString m_importFolder; // where the Import dialog opens: the sample history
    QString m_dataFolder;
    qint64 m_searchTotal = 0;
    qint64 m_lastCombinations = 0;
    int m_working = 0;                          // RunWork calls under way
    std::vector<std::function<void()>> m_idleSteps; // held back until they end
};
