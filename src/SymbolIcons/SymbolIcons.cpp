#include "SymbolIcons/SymbolIcons.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace SymbolIcons {
namespace {

struct Registry {
    QMutex mutex;
    QHash<QString, QString> paths;                                 // names added by addSymbol()
    QHash<QString, QByteArray> sources;                            // SVG text by name; empty when missing
    QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;       // by name and weight
};

Registry& registry() {
    static Registry r;
    return r;
}

QString pathFor(Registry& r, const QString& name) {
    return r.paths.value(name, QStringLiteral(":/symbols/") + name + QStringLiteral(".svg"));
}

QByteArray sourceFor(Registry& r, const QString& name) {
    auto it = r.sources.constFind(name);
    if (it != r.sources.constEnd()) return *it;
    QByteArray bytes;
    QFile file(pathFor(r, name));
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    r.sources.insert(name, bytes);
    return bytes;
}

// Every stroke width in the drawing, scaled by the weight.
QByteArray weighted(const QByteArray& svg, qreal weight) {
    if (qFuzzyCompare(weight, 1.0)) return svg;
    static const QRegularExpression width(QStringLiteral("stroke-width=\"([0-9.]+)\""));
    QString text = QString::fromUtf8(svg);
    QString out;
    qsizetype last = 0;
    for (auto it = width.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += QStringLiteral("stroke-width=\"%1\"").arg(m.captured(1).toDouble() * weight, 0, 'f', 3);
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out.toUtf8();
}

std::shared_ptr<QSvgRenderer> rendererFor(const QString& name, qreal weight) {
    if (!std::isfinite(weight) || weight <= 0) weight = regular;
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    const QString key = name + QLatin1Char('@') + QString::number(qRound(weight * 100));
    if (auto it = r.renderers.constFind(key); it != r.renderers.constEnd()) return *it;
    const QByteArray svg = sourceFor(r, name);
    std::shared_ptr<QSvgRenderer> renderer;
    if (!svg.isEmpty()) {
        renderer = std::make_shared<QSvgRenderer>(weighted(svg, weight));
        if (!renderer->isValid()) renderer.reset();
    }
    r.renderers.insert(key, renderer);
    return renderer;
}

void renderTinted(QImage& image, QSvgRenderer& renderer, const QColor& color) {
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    renderer.render(&p, QRectF(0, 0, image.width(), image.height()));
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), color);
}

}  // namespace

QImage image(const QString& name, const QColor& color, int size, qreal weight) {
    auto renderer = rendererFor(name, weight);
    if (!renderer || size <= 0) return {};
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    renderTinted(img, *renderer, color);
    return img;
}

void paint(QPainter* painter, const QRectF& rect, const QString& name, const QColor& color, qreal weight) {
    if (!painter || rect.isEmpty()) return;
    auto renderer = rendererFor(name, weight);
    if (!renderer) return;
    const qreal side = std::min(rect.width(), rect.height());
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const int pixels = std::max(1, int(std::ceil(side * dpr)));
    QImage img(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    renderTinted(img, *renderer, color);
    img.setDevicePixelRatio(dpr);
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, img);
    painter->restore();
}

QIcon icon(const QString& name, const QColor& color, int size, qreal weight) {
    QIcon result;
    for (int scale : {1, 2}) {
        QImage img = image(name, color, size * scale, weight);
        if (img.isNull()) return {};
        img.setDevicePixelRatio(scale);
        result.addPixmap(QPixmap::fromImage(img));
    }
    return result;
}

bool has(const QString& name) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return !sourceFor(r, name).isEmpty();
}

void addSymbol(const QString& name, const QString& path) {
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    r.paths.insert(name, path);
    r.sources.remove(name);
    for (auto it = r.renderers.begin(); it != r.renderers.end();) {
        if (it.key().section(QLatin1Char('@'), 0, -2) == name)
            it = r.renderers.erase(it);
        else
            ++it;
    }
}

}  // namespace SymbolIcons
