// Writes the seed inputs of every fuzz target:
//   vexel-fuzz-seeds SAMPLE_HISTORY OUTPUT_FOLDER
// gives OUTPUT_FOLDER/<target>/<name> for each seed.
#include "fuzz/targets/FuzzTargets.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: vexel-fuzz-seeds SAMPLE_HISTORY OUTPUT_FOLDER\n");
        return 2;
    }
    QFile sample(QString::fromLocal8Bit(argv[1]));
    if (!sample.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vexel-fuzz-seeds: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    for (const VexelFuzz::Seed &seed : VexelFuzz::Seeds(sample.readAll())) {
        const QString folder = QDir(out).filePath(QLatin1String(seed.target));
        QDir().mkpath(folder);
        QFile f(QDir(folder).filePath(QLatin1String(seed.name)));
        if (!f.open(QIODevice::WriteOnly) || f.write(seed.bytes) != seed.bytes.size()) {
            std::fprintf(stderr, "vexel-fuzz-seeds: cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }
    return 0;
}
