// svg2png <in.svg> <out.png> <W>x<H>
// Renders an SVG icon source to a transparent PNG of the given size.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: svg2png <in.svg> <out.png> <W>x<H>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList size = QString::fromLocal8Bit(argv[3]).split('x');
    const int nWidth = size.value(0).toInt();
    const int nHeight = size.value(1).toInt();
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid() || nWidth <= 0 || nHeight <= 0) {
        std::fprintf(stderr, "svg2png: cannot render %s at %s\n", argv[1], argv[3]);
        return 1;
    }
    QImage image(nWidth, nHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
