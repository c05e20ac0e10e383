#include "Vantrel/app/AppIconController.h"

#include "Vantrel/app/AppearanceController.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace vantrel {

AppIconController::AppIconController(AppearanceController* appearance, const QString& iconFolder, QObject* parent)
    : QObject(parent), appearance_(appearance), iconFolder_(iconFolder) {}

void AppIconController::setUp(IconPreference stored) {
    preference_ = stored;
    QObject::disconnect(observation_);
    observation_ = connect(appearance_, &AppearanceController::appearanceApplied, this, [this] { applyIcon(); });
    applyIcon();
}

void AppIconController::setPreference(IconPreference preference) {
    preference_ = preference;
    applyIcon();
}

void AppIconController::applyIcon() {
    const bool dark = preference_ == IconPreference::dark ||
                      (preference_ == IconPreference::automatic && appearance_->isDark());
    const std::optional<QIcon>& icon = dark ? lazyIcon(darkIcon_, darkIconName) : lazyIcon(lightIcon_, lightIconName);
    if (!icon) return;
    const QString name = dark ? darkIconName : lightIconName;
    if (name == appliedName_) return;
    appliedName_ = name;
    QApplication::setWindowIcon(*icon);
    emit iconApplied(name);
}

const std::optional<QIcon>& AppIconController::lazyIcon(std::optional<std::optional<QIcon>>& slot, const QString& name) {
    if (!slot) slot = loadIcon(name);
    return *slot;
}

std::optional<QIcon> AppIconController::loadIcon(const QString& name) const {
    QFile file(iconFolder_ + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QSvgRenderer renderer(file.readAll());
    if (!renderer.isValid()) return std::nullopt;
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace vantrel
