// Draws an SVG icon as a square PNG of the given size, for the icon theme:
//   vantrel_render_icon SOURCE.svg SIZE OUTPUT.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char** argv) {
    // No screen is needed to draw into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    bool sized = false;
    const int size = args.size() == 4 ? args[2].toInt(&sized) : 0;
    if (!sized || size < 1 || size > 4096) {
        err << "usage: vantrel_render_icon SOURCE.svg SIZE OUTPUT.png (SIZE 1 to 4096)\n";
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        err << "cannot read " << args[1] << "\n";
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(0, 0, size, size));
    }
    if (!image.save(args[3], "PNG")) {
        err << "cannot write " << args[3] << "\n";
        return 1;
    }
    return 0;
}
