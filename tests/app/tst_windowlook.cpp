// What the user reads in the windows besides the main window's own texts:
// Qt's standard buttons and menus in Chinese, the help window's caption.
#include "app/BuildInfo.h"
#include "app/QtTranslations.h"
#include "app/WebForm.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
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

QTEST_MAIN(TestWindowLook)
#include "tst_windowlook.moc"
