#include "Main.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vexel"));
    TMainForm window;
    window.show();
    return app.exec();
}
