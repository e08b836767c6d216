#include "Main.h"
#include "QtTranslations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vexel"));
    InstallQtChineseTranslations(app);
    TMainForm window;
    window.show();
    return app.exec();
}
