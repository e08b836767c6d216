// What the user reads in the windows besides the main window's own texts:
// Qt's standard buttons and menus in Chinese, the help window's caption, and
// a help that tells of every command, set off from the window's edges.
#include "app/BuildInfo.h"
#include "app/Main.h"
#include "app/QtTranslations.h"
#include "app/WebForm.h"
#include "core/PatternRoom.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <memory>

class TestWindowLook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void qtTextsAreChinese_data();
    void qtTextsAreChinese();
    void helpCaptionNamesTheSite();
    void helpCoversEveryCommand();
};

void TestWindowLook::initTestCase()
{
    QVERIFY2(InstallQtChineseTranslations(*QCoreApplication::instance()),
             "Qt's Chinese translations are missing (package qt6-translations-l10n)");
}

void TestWindowLook::qtTextsAreChinese_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("expected");

    QMessageBox box(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Ok);
    QTest::newRow("message box OK") << box.button(QMessageBox::Ok)->text() << QStringLiteral("确定");
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QTest::newRow("dialog Cancel") << buttons.button(QDialogButtonBox::Cancel)->text() << QStringLiteral("取消");
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList entries;
    for (const QAction *a : menu->actions())
        entries << a->text();
    QTest::newRow("text field menu") << entries.join(QLatin1Char('|')) << QStringLiteral("复制(&C)");
}

void TestWindowLook::qtTextsAreChinese()
{
    QFETCH(QString, shown);
    QFETCH(QString, expected);
    QVERIFY2(shown.contains(expected), qPrintable(shown));
}

void TestWindowLook::helpCaptionNamesTheSite()
{
    TWebForm help;
    QVERIFY(help.windowTitle().contains(BuildInfo::SiteName()));
    QVERIFY(help.windowTitle().contains(BuildInfo::SiteAddress()));
}

// The help tells of every command by its caption ("统计(&T)..." as 统计) and
// short-cut, of the keys that take typing back and of the pattern limit, in
// a column clear of the window's edges.
void TestWindowLook::helpCoversEveryCommand()
{
    QTemporaryDir folder;
    TMainForm::MessageHook = [](const QString &) {};
    TMainForm form(folder.path());
    QStringList wanted{QStringLiteral("Ctrl+Z"), QStringLiteral("Ctrl+Y"),
                       QLocale(QLocale::Chinese, QLocale::China).toString(DefaultPatternLimit)};
    const QList<QAction *> commands = form.findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(commands.size() >= 19);
    for (const QAction *command : commands)
        wanted << command->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)|\\.\\.\\.$")))
               << command->shortcut().toString(QKeySequence::NativeText);
    TWebForm help;
    help.resize(1366, 700);
    help.show();
    help.Navigate(TWebForm::HelpAddress);
    auto *browser = help.findChild<QTextBrowser *>();
    for (const QString &w : wanted)
        QVERIFY2(browser->toPlainText().contains(w), qPrintable(w));

    QTest::qWait(20);
    const QImage image = help.grab().toImage();
    const int textEnd = browser->verticalScrollBar()->mapTo(&help, QPoint()).x();
    int left = INT_MAX;
    int right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < textEnd; ++x)
            if (QColor(image.pixel(x, y)) != browser->palette().color(QPalette::Base)) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    QVERIFY2(left >= 20 && right < textEnd - 20, qPrintable(QStringLiteral("%1 to %2").arg(left).arg(right)));
    QVERIFY(right - left < 50 * browser->fontMetrics().horizontalAdvance(QChar(0x6C49)));
}

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
