// A small program for the tests on a virtual X display: it looks at the whole screen and prints
// the bounding box ("left top width height") of the pixels of one colour, so that a script can find
// a window's board by its square colour; with a file name it also saves the screen there.
// Usage: marvek_colour_probe RRGGBB [PICTURE.png]
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <climits>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    bool ok = false;
    const QRgb wanted = argc == 2 || argc == 3 ? QString::fromLatin1(argv[1]).toUInt(&ok, 16) : 0;
    if (!ok || QGuiApplication::primaryScreen() == nullptr) {
        std::fprintf(stderr, "usage: marvek_colour_probe RRGGBB [PICTURE.png] (on an X display)\n");
        return 2;
    }
    const QImage screen =
        QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    if (argc == 3) screen.save(QString::fromLocal8Bit(argv[2]));
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < screen.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(screen.constScanLine(y));
        for (int x = 0; x < screen.width(); ++x) {
            if ((line[x] & 0xFFFFFFu) != wanted) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return 1;
    std::printf("%d %d %d %d\n", left, top, right - left + 1, bottom - top + 1);
    return 0;
}
