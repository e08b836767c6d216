#include "app/Main.h"
#include "app/QtTranslations.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vexel"));
    QApplication::setDesktopFileName(QStringLiteral(VEXEL_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vexel.png")));
    InstallQtChineseTranslations(app);
    TMainForm window;
    window.show();
    return app.exec();
}
