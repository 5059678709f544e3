// tambrix-icons OUTDIR: writes the application's icon for the desktop's icon theme,
// OUTDIR/hicolor/NxN/apps/tambrix.png at each size and OUTDIR/hicolor/scalable/apps/
// tambrix.svg, all drawn by the code that draws the window icon so they stay the same
// picture. Runs at build time without a display.

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "app/shell/AppArt.h"

namespace {

// The sizes desktops look for in the hicolor theme.
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
// The scalable icon is drawn on the About picture's 64-unit square.
constexpr int kSvgSide = 64;

bool writeSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgSide, kSvgSide));
    svg.setViewBox(QRect(0, 0, kSvgSide, kSvgSide));
    svg.setTitle("Tambrix");
    svg.setDescription("The Tambrix application icon");
    QPainter p;
    if (!p.begin(&svg)) return false;
    p.setRenderHint(QPainter::Antialiasing);
    tambrix::app::art::DrawApplicationEmblem(p, QRectF(2, 2, kSvgSide - 4, kSvgSide - 4));
    return p.end();
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tambrix-icons OUTDIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + "/hicolor";
    int failures = 0;
    for (const int size : kSizes) {
        const QString folder = QString("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder) || !tambrix::app::art::ApplicationPicture(size).save(folder + "/tambrix.png")) {
            std::fprintf(stderr, "tambrix-icons: cannot write %s/tambrix.png\n", qPrintable(folder));
            ++failures;
        }
    }
    const QString scalable = root + "/scalable/apps";
    if (!QDir().mkpath(scalable) || !writeSvg(scalable + "/tambrix.svg")) {
        std::fprintf(stderr, "tambrix-icons: cannot write %s/tambrix.svg\n", qPrintable(scalable));
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
