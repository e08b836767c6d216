// vexel-drawserver: serves a draw text file as the data service's draw
// request, on loopback, for tests and for anyone who wants to download a
// draw history into the program.
#include "io/DataDown.h"
#include "io/StandardOptions.h"
#include "tools/DrawServer.h"
#include "core/VexelError.h"
#include "tools/ToolGuard.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

namespace {

// The port and path of the build's data service address, so that a program
// built with the defaults downloads from this server unchanged.
constexpr int FallbackPort = 8646;

constexpr char UsageText[] = "usage: vexel-drawserver DRAWS.txt [--port N] [--member NAME:PASSWORD ...]\n";

constexpr TProgramHelp Help{"vexel-drawserver", UsageText,
    "Serves a draw history on 127.0.0.1 as the data service's draw request, until stopped.\n"
    "\n"
    "  --port N                  listen on port N (0: a free one; default that of the data service)\n"
    "  --member NAME:PASSWORD    accept only these members (the option repeated for more)\n"};

int Usage()
{
    std::fputs(UsageText, stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
try {
    if (const int code = AnswerStandardOptions(argc, argv, Help); code >= 0)
        return code;
    QCoreApplication app(argc, argv);
    const QUrl serviceUrl(DataServiceUrl());

    QString drawFile;
    int port = serviceUrl.port(FallbackPort);
    QList<std::pair<QString, QString>> members;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--port")) {
            if (++i == args.size())
                return Usage();
            bool ok = false;
            port = args.at(i).toInt(&ok);
            if (!ok || port < 0 || port > 65535)
                return Usage();
        } else if (arg == QLatin1String("--member")) {
            if (++i == args.size())
                return Usage();
            const qsizetype colon = args.at(i).indexOf(QLatin1Char(':'));
            if (colon < 0)
                return Usage();
            members.append({args.at(i).left(colon), args.at(i).mid(colon + 1)});
        } else if (arg.startsWith(QLatin1Char('-')) || !drawFile.isEmpty()) {
            return Usage();
        } else {
            drawFile = arg;
        }
    }
    if (drawFile.isEmpty())
        return Usage();

    QTextStream err(stderr);
    TDrawServer server;
    try {
        server.SetDraws(ReadServedDraws(drawFile));
    } catch (const EVexelError &e) {
        err << "vexel-drawserver: " << e.message() << Qt::endl;
        return 1;
    }
    server.SetPath(serviceUrl.path());
    for (const auto &[name, password] : members)
        server.AddMember(name, password);
    QString error;
    if (!server.Listen(quint16(port), &error)) {
        err << "vexel-drawserver: cannot listen on 127.0.0.1:" << port << ": " << error << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    out << "listening on " << server.Port() << Qt::endl;
    err << "vexel-drawserver: serving " << drawFile << " at " << server.Url() << Qt::endl;
    return app.exec();
} catch (...) {
    return ExitOnException("vexel-drawserver");
}
