// Writes the demo panel sessions into a folder (default: the current one).
#include "demo_streams.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    for (const auto &f : kordex::demo::demoFaces()) {
        QFile out(QDir(dir).filePath(QString::fromLatin1(f.fileName)));
        if (!out.open(QIODevice::WriteOnly) || out.write(kordex::demo::demoStream(f.face)) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
    }
    return 0;
}
