// Writes the application icon as a PNG: volmara-icon SIZE FILE (run under the offscreen platform).
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "gui/mainframe/Artwork.h"

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 3 ? args[1].toInt(&sizeOk) : 0;
    if (!sizeOk || size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: volmara-icon SIZE FILE\n");
        return 2;
    }
    if (!Artwork::ApplicationIcon(size).save(args[2], "PNG")) {
        std::fprintf(stderr, "volmara-icon: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
