#include "app/Main.h"
#include "app/QtTranslations.h"
#include "io/StandardOptions.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

constexpr char Usage[] = "usage: vexel [-platform NAME] [-style NAME] [other Qt options]\n";

constexpr TProgramHelp Help{"vexel", Usage,
    "Starts the desktop program: import or download a draw history, search it for\n"
    "patterns, look at them over the chart of the draws. Takes no arguments of its\n"
    "own but the two below; Qt's options (-platform, -style, -reverse, ...) apply.\n"};

} // namespace

int main(int argc, char *argv[])
{
    if (const int code = AnswerStandardOptions(argc, argv, Help); code >= 0)
        return code;
    QApplication app(argc, argv);
    if (QApplication::arguments().size() > 1) {
        std::fputs(Usage, stderr);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("vexel"));
    QApplication::setDesktopFileName(QStringLiteral(VEXEL_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vexel.png")));
    InstallQtChineseTranslations(app);
    TMainForm window;
    window.show();
    return app.exec();
}
