// The commands that read and write the user's files, run from their real
// actions and buttons with the dialogs answered: Import, the pattern and
// chart exports, Print and the backtest window's export. What the user gets
// is looked at: the file's first bytes, the message and its icon.
#include "app/AnalysisCommands.h"
#include "app/BacktestWindow.h"
#include "app/Main.h"
#include "app/PrintPreview.h"
#include "chart/VexelCtrl.h"
#include "core/VexelReg.h"
#include "core/VexelRegMgr.h"
#include "tests/support/DrawsOf.h"
#include "tests/support/Unattended.h"

#include <QAction>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The backtest window opened from the Rules menu, its run of the last three
// draws ended.
QPushButton *BacktestExport(TMainForm &form)
{
    form.Settings().SecCountSe = 3;
    form.Action(QStringLiteral("RegMenuBacktest"))->trigger();
    TBacktestWindow *window = form.Analysis().BacktestWindows().value(0);
    window->findChild<QSpinBox *>(QStringLiteral("LastSe"))->setValue(3);
    QSignalSpy shown(window, &TBacktestWindow::backtestShown);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("StartBt")), Qt::LeftButton);
    return shown.wait(120000) ? window->findChild<QPushButton *>(QStringLiteral("ExportBt")) : nullptr;
}

} // namespace

class TestWindowCommands : public QObject
{
    Q_OBJECT

private slots:
    void commandsGiveWhatWasChosen_data();
    void commandsGiveWhatWasChosen();
};

void TestWindowCommands::commandsGiveWhatWasChosen_data()
{
    QTest::addColumn<QString>("command"); // an action, or the backtest window's ExportBt
    QTest::addColumn<QString>("chosen");  // in the test's folder; empty: cancelled
    QTest::addColumn<QByteArray>("start"); // the chosen file's first bytes, if written
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("message"); // %1: the chosen file; empty: none
    const int info = QMessageBox::Information, warning = QMessageBox::Warning;
    const QByteArray png("\x89PNG\r\n\x1a\n"), bom("\xEF\xBB\xBF");
    const QString csv = QStringLiteral("无法导出到文件“%1”：");
    QTest::newRow("import") << "FileNenuImport" << "good.txt" << QByteArray() << info
                            << QStringLiteral("导入开奖号码成功！");
    QTest::newRow("import, bad line") << "FileNenuImport" << "bad.txt" << QByteArray() << warning
                                      << QStringLiteral("开奖数据文件“%1”的第3行不是开奖号码：“12a4567") + QString(32, 'y')
                                             + QStringLiteral("…”\r\n每行应以七位数字开头。");
    QTest::newRow("import cancelled") << "FileNenuImport" << "" << QByteArray() << 0 << "";
    QTest::newRow("patterns") << "FileMenuExportReg" << "规律.csv" << bom + "点,步,隔,距," << 0 << "";
    QTest::newRow("patterns, no folder") << "FileMenuExportReg" << "无/规律.csv" << QByteArray() << warning
                                         << csv + QStringLiteral("文件夹不存在");
    QTest::newRow("chart") << "FileMenuExportChart" << "图.png" << png << 0 << "";
    QTest::newRow("chart, PDF") << "FileMenuExportChart" << "图.PDF" << QByteArray("%PDF-") << 0 << "";
    QTest::newRow("chart onto a folder") << "FileMenuExportChart" << "占用.png" << QByteArray() << warning
                                         << QStringLiteral("无法写入文件“%1”：这是一个文件夹，不是一个普通文件");
    QTest::newRow("print") << "FileMenuPrint" << "打印.pdf" << QByteArray("%PDF-") << 0 << "";
    QTest::newRow("print, no folder") << "FileMenuPrint" << "无/打印.pdf" << QByteArray() << warning
                                      << QStringLiteral("无法打印图表：打印机没有准备好，或者无法写入打印到的文件。");
    QTest::newRow("backtest") << "ExportBt" << "回测.csv" << bom + "序号,规律数,命中数,命中率\r\n" << 0 << "";
    QTest::newRow("backtest onto a device") << "ExportBt" << "/dev/full" << QByteArray() << warning
                                            << csv + QStringLiteral("这是一个设备，不是一个普通文件");
}

// Each command reads or writes the file chosen in its dialog; a failure
// warns, in the program's title, naming the file and the cause.
void TestWindowCommands::commandsGiveWhatWasChosen()
{
    QFETCH(QString, command);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, start);
    QFETCH(int, icon);
    QFETCH(QString, message);
    QTemporaryDir dir;
    Unattended();
    QVERIFY(WriteAll(dir.filePath("good.txt"), "1234567\r\n7654321 2\r\n"));
    QVERIFY(WriteAll(dir.filePath("bad.txt"), "1234567\n\n12a4567" + QByteArray(60, 'y') + "\n7654321\n"));
    QVERIFY(QDir().mkpath(dir.filePath("占用.png")));
    TMainForm form(dir.path());
    form.Chart().Codes() = randomDraws(40, 3);
    form.Chart().Relayout();
    form.Patterns().Add(new TVexelReg);
    QPushButton *button = command == QLatin1String("ExportBt") ? BacktestExport(form) : nullptr;
    QVERIFY(button || command != QLatin1String("ExportBt"));

    const QString path = chosen.isEmpty() || chosen.startsWith('/') ? chosen : dir.filePath(chosen);
    MessageBox::ShownTexts().clear();
    if (command == QLatin1String("FileMenuPrint"))
        PrintPreview::SetNextPdfFile(path);
    else
        FileDialog::SetNextFileName(path);
    button ? QTest::mouseClick(button, Qt::LeftButton) : form.Action(command)->trigger();

    if (!start.isEmpty())
        QCOMPARE(ReadAll(path).left(start.size()), start);
    QCOMPARE(MessageBox::ShownTexts(), message.isEmpty() ? QStringList() : QStringList{message.replace("%1", path)});
    QVERIFY(message.isEmpty() || (MessageBox::LastShown().icon == icon
                                  && MessageBox::LastShown().title == TMainForm::ProductTitle));
}

QTEST_MAIN(TestWindowCommands)
#include "tst_windowcommands.moc"
