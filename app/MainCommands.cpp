// The main window's commands: its actions, the menu bar and the tool bar.
#include "app/Main.h"

#include <QAction>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolBar>
#include <QToolButton>

namespace {

// The long part of a hint "short|long".
QString LongHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

// A tool-bar separator of the bar's own look, 8 pixels wide (the style's
// own would be 6).
class TToolSeparator : public QWidget
{
public:
    static constexpr int Width = 8;

    TToolSeparator()
    {
        setObjectName(QStringLiteral("ToolSeparator"));
        setFixedWidth(Width);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QStyleOption option;
        option.initFrom(this);
        // A horizontal bar's separator is a vertical line.
        option.state |= QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarSeparator, &option, &painter, this);
    }
};

} // namespace

QMenu *TMainForm::createPopupMenu()
{
    // No menu of the bars: Qt's own offers to hide the tool bar, with no
    // way to bring it back.
    return nullptr;
}

QAction *TMainForm::addCommand(const char *name, const QString &caption, const QString &hint,
                               const QKeySequence &shortcut, void (TMainForm::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        action->setStatusTip(LongHint(hint));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

void TMainForm::buildActions()
{
    m_fileMenuSave = addCommand("FileMenuSave", QStringLiteral("保存(&S)"), QStringLiteral("保存文档|保存当前的文档"),
                                QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::FileMenuSaveClick);
    m_fileNenuImport = addCommand("FileNenuImport", QStringLiteral("导入(&I)"), QString(), {},
                                  &TMainForm::FileNenuImportClick);
    m_fileMenuDown = addCommand("FileMenuDown", QStringLiteral("下载数据(&D)"),
                                QStringLiteral("下载数据|直接从我们网站下载最新的开奖号码"), {},
                                &TMainForm::FileMenuDownClick);
    m_fileMenuExit = addCommand("FileMenuExit", QStringLiteral("退出(&X)"), QStringLiteral("退出|关闭程序，退出规律系统"),
                                {}, &TMainForm::FileMenuExitClick);
    m_regMenuSelAll = addCommand("RegMenuSelAll", QStringLiteral("全选(&A)"),
                                 QStringLiteral("全选|全选当前的规律列表框内所有的规律"),
                                 QKeySequence(Qt::CTRL | Qt::Key_A), &TMainForm::RegMenuSelAllClick);
    m_regMenuSelNone = addCommand("RegMenuSelNone", QStringLiteral("不选(&I)"), QStringLiteral("不选|取消所有的规律选择"),
                                  QKeySequence(Qt::CTRL | Qt::Key_I), &TMainForm::RegMenuSelNoneClick);
    m_regMenuDel = addCommand("RegMenuDel", QStringLiteral("删除(&D)"), QStringLiteral("删除|将当前选择的规律删除"),
                              QKeySequence(Qt::Key_Delete), &TMainForm::RegMenuDelClick);
    m_regMenuClear = addCommand("RegMenuClear", QStringLiteral("清空(&C)"), QStringLiteral("清空|删除所有的规律"),
                                QKeySequence(Qt::CTRL | Qt::Key_Delete), &TMainForm::RegMenuClearClick);
    m_regMenuSearch = addCommand("RegMenuSearch", QStringLiteral("搜索(&S)"),
                                 QStringLiteral("搜索|搜索开奖数据里面的规律走势"), QKeySequence(Qt::Key_F5),
                                 &TMainForm::RegMenuSearchClick);
    m_regMenuStop = addCommand("RegMenuStop", QStringLiteral("停止(&O)"), QStringLiteral("停止|立即停止规律搜索工作"),
                               QKeySequence(Qt::Key_F6), &TMainForm::RegMenuStopClick);
    m_regMenuOptions = addCommand("RegMenuOptions", QStringLiteral("设置(&O)..."),
                                  QStringLiteral("设置|设置规律的搜索参数"), QKeySequence(Qt::Key_F12),
                                  &TMainForm::RegMenuOptionsClick);
    m_regMenuStats = addCommand("RegMenuStats", QStringLiteral("统计(&T)..."),
                                QStringLiteral("统计|按目标统计规律的个数和各数字的预测个数（选中多个规律时只统计选中的）"),
                                {}, &TMainForm::RegMenuStatsClick);
    m_regMenuHistoryStats = addCommand("RegMenuHistoryStats", QStringLiteral("开奖统计(&H)..."),
                                       QStringLiteral("开奖统计|每个位置上各数字的出现次数、当前遗漏和最大遗漏，"
                                                      "以及冷热差异是否超出偶然"),
                                       {}, &TMainForm::RegMenuHistoryStatsClick);
    m_regMenuBacktest = addCommand("RegMenuBacktest", QStringLiteral("回测(&B)..."),
                                   QStringLiteral("回测|检验用当前参数在过去各期搜索到的规律预测得准不准"), {},
                                   &TMainForm::RegMenuBacktestClick);
    m_fileMenuExportReg = addCommand("FileMenuExportReg", QStringLiteral("导出规律(&C)..."),
                                     QStringLiteral("导出规律|把规律列表（有选中时只导出选中的）保存为 CSV 表格"), {},
                                     &TMainForm::FileMenuExportRegClick);
    m_fileMenuExportChart = addCommand("FileMenuExportChart", QStringLiteral("导出图表(&E)..."),
                                       QStringLiteral("导出图表|把走势图和当前的规律保存为 PNG 图片或 PDF 文档"), {},
                                       &TMainForm::FileMenuExportChartClick);
    m_fileMenuPrint = addCommand("FileMenuPrint", QStringLiteral("打印图表(&P)..."),
                                 QStringLiteral("打印图表|预览并打印走势图和当前的规律"), QKeySequence(Qt::CTRL | Qt::Key_P),
                                 &TMainForm::FileMenuPrintClick);
    m_helpMenuTopic = addCommand("HelpMenuTopic", QStringLiteral("帮助主题(&C)"), QStringLiteral("帮助|打开浏览帮助文档"),
                                 QKeySequence(Qt::Key_F1), &TMainForm::HelpMenuTopicClick);
    m_helpMenuWeb = addCommand("HelpMenuWeb", QStringLiteral("支持网站(&H)"), QStringLiteral("支持网站|访问支持网站"), {},
                               &TMainForm::HelpMenuWebClick);
    m_helpMenuAbout = addCommand("HelpMenuAbout", QStringLiteral("关于(&A)..."), QStringLiteral("关于|查看软件的简介"),
                                 {}, &TMainForm::HelpMenuAboutClick);
}

QAction *TMainForm::Action(const QString &name) const
{
    return findChild<QAction *>(name, Qt::FindDirectChildrenOnly);
}

void TMainForm::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    QMenu *file = bar->addMenu(QStringLiteral("文件(&F)"));
    file->addActions({m_fileMenuSave, m_fileNenuImport, m_fileMenuDown});
    file->addSeparator();
    file->addActions({m_fileMenuExportReg, m_fileMenuExportChart, m_fileMenuPrint});
    file->addSeparator();
    file->addAction(m_fileMenuExit);
    m_regMenu = bar->addMenu(QStringLiteral("规律(&E)"));
    m_regMenu->setObjectName(QStringLiteral("RegMenu"));
    m_regMenu->addActions({m_regMenuSelAll, m_regMenuSelNone, m_regMenuDel, m_regMenuClear});
    m_regMenu->addSeparator();
    m_regMenu->addActions({m_regMenuSearch, m_regMenuStop, m_regMenuOptions, m_regMenuStats, m_regMenuHistoryStats, m_regMenuBacktest});
    QMenu *help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(m_helpMenuTopic);
    help->addSeparator();
    help->addActions({m_helpMenuWeb, m_helpMenuAbout});
}

void TMainForm::buildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("MainTbr"));
    m_toolBar->setObjectName(QStringLiteral("MainTbr"));
    m_toolBar->setMovable(false);
    m_toolBar->setFixedHeight(42);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(16, 16));
    struct Button
    {
        const char *name;
        QAction *TMainForm::*command; // none: a separator
        const char *caption;
        QStyle::StandardPixmap icon;
    };
    const Button buttons[] = {
        {"FileMenuDownBt", &TMainForm::m_fileMenuDown, "下载", QStyle::SP_ArrowDown},
        {"FileMenuSaveBt", &TMainForm::m_fileMenuSave, "保存", QStyle::SP_DialogSaveButton},
        {nullptr, nullptr, nullptr, {}},
        {"RegMenuSearchBt", &TMainForm::m_regMenuSearch, "搜索", QStyle::SP_MediaPlay},
        {"RegMenuStopBt", &TMainForm::m_regMenuStop, "停止", QStyle::SP_MediaStop},
        {"RegMenuOptionsBt", &TMainForm::m_regMenuOptions, "设置", QStyle::SP_FileDialogDetailedView},
        {nullptr, nullptr, nullptr, {}},
        {"RegMenuDelBt", &TMainForm::m_regMenuDel, "删除", QStyle::SP_TrashIcon},
        {"RegMenuClearBt", &TMainForm::m_regMenuClear, "清空", QStyle::SP_DialogResetButton},
        {nullptr, nullptr, nullptr, {}},
        {"HelpMenuTopicBt", &TMainForm::m_helpMenuTopic, "帮助", QStyle::SP_DialogHelpButton},
        {"HelpMenuAboutBt", &TMainForm::m_helpMenuAbout, "关于", QStyle::SP_MessageBoxInformation},
        {"FileMenuExitBt", &TMainForm::m_fileMenuExit, "退出", QStyle::SP_DialogCloseButton},
    };
    for (const Button &b : buttons) {
        if (!b.command) {
            m_toolBar->addWidget(new TToolSeparator);
            continue;
        }
        QAction *command = this->*b.command;
        auto *button = new QToolButton;
        button->setObjectName(QLatin1String(b.name));
        button->setAutoRaise(true);
        button->setFixedSize(35, 37);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        // The button shares its command's handler, enabled state and hint,
        // but shows its own short caption and no tooltip.
        button->setText(QString::fromUtf8(b.caption));
        button->setIcon(style()->standardIcon(b.icon));
        button->setEnabled(command->isEnabled());
        button->setStatusTip(command->statusTip());
        connect(button, &QToolButton::clicked, command, &QAction::trigger);
        connect(command, &QAction::enabledChanged, button, &QWidget::setEnabled);
        m_toolBar->addWidget(button);
    }
}
