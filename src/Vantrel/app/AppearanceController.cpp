#include "Vantrel/app/AppearanceController.h"

#include "Vantrel/views/Palette.h"

#include <QApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLoggingCategory>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

Q_LOGGING_CATEGORY(lcAppearance, "vantrel.appearance")

namespace vantrel {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString portalInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");

}  // namespace

AppearanceController::AppearanceController(QSettings* settings, std::optional<QDBusConnection> bus, QObject* parent)
    : QObject(parent), settings_(settings), preference_(preferences::storedAppearance(*settings)),
      // Before our own palette is installed, the platform's palette tells light from dark.
      systemDark_(QGuiApplication::palette().color(QPalette::Window).lightness() < 128) {
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
    apply();
    if (bus && bus->isConnected()) askPortal(*bus);
}

std::optional<bool> AppearanceController::colorSchemeIsDark(const QVariant& value) {
    QVariant inner = value;
    for (int depth = 0; depth < 4; ++depth) {
        if (inner.canConvert<QDBusVariant>() && inner.metaType() == QMetaType::fromType<QDBusVariant>()) {
            inner = inner.value<QDBusVariant>().variant();
        } else {
            break;
        }
    }
    bool ok = false;
    const uint scheme = inner.toUInt(&ok);
    if (!ok) return std::nullopt;
    return scheme == 1;
}

void AppearanceController::askPortal(QDBusConnection bus) {
    qRegisterMetaType<QDBusVariant>();  // the slot's signature is matched by type name
    if (!bus.connect(portalService, portalPath, portalInterface, QStringLiteral("SettingChanged"), this,
                     SLOT(onPortalSettingChanged(QString, QString, QDBusVariant)))) {
        qCWarning(lcAppearance) << "cannot follow the appearance portal:" << bus.lastError().message();
    }
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, portalInterface, QStringLiteral("Read"));
    call << appearanceGroup << colorSchemeKey;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QVariant> reply = *finished;
        if (reply.isError()) {
            qCInfo(lcAppearance) << "no appearance portal:" << reply.error().message();
            return;
        }
        if (const auto dark = colorSchemeIsDark(reply.value())) setSystemDark(*dark);
    });
}

void AppearanceController::onPortalSettingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
    if (group != appearanceGroup || key != colorSchemeKey) return;
    if (const auto dark = colorSchemeIsDark(value.variant())) setSystemDark(*dark);
}

void AppearanceController::setSystemDark(bool dark) {
    if (systemDark_ == dark) return;
    systemDark_ = dark;
    if (preference_ == AppearancePreference::automatic) apply();
}

void AppearanceController::setPreference(AppearancePreference preference) {
    preferences::store(*settings_, preference);
    const bool changed = preference != preference_;
    preference_ = preference;
    apply();
    if (changed) emit preferenceChanged(preference);
}

void AppearanceController::apply() {
    switch (preference_) {
    case AppearancePreference::automatic: dark_ = systemDark_; break;
    case AppearancePreference::light: dark_ = false; break;
    case AppearancePreference::dark: dark_ = true; break;
    }
    QApplication::setPalette(Palette::qtPalette(dark_));
    emit appearanceApplied(dark_);
}

}  // namespace vantrel
