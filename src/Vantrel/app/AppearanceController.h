#pragma once

// Applies the appearance choice to the whole application: the Fusion style with
// Vantrel's own light or dark palette. "Match System" follows the desktop's
// colour scheme as the XDG settings portal reports it, and its changes while the
// application runs; without a portal the platform's start palette decides.

#include "Vantrel/app/Preferences.h"

#include <QDBusConnection>
#include <QObject>

#include <optional>

class QDBusVariant;
class QSettings;

namespace vantrel {

class AppearanceController : public QObject {
    Q_OBJECT

public:
    // `bus`: where the portal is asked; none asks nobody. Reads the stored choice
    // and applies it at once.
    AppearanceController(QSettings* settings, std::optional<QDBusConnection> bus, QObject* parent = nullptr);

    AppearancePreference preference() const { return preference_; }
    // Stores the choice and applies it.
    void setPreference(AppearancePreference preference);

    // The appearance in force, and the system's.
    bool isDark() const { return dark_; }
    bool systemIsDark() const { return systemDark_; }

    // The portal's colour-scheme value: 1 is dark, anything else light. The value
    // may arrive wrapped in one or more variants.
    static std::optional<bool> colorSchemeIsDark(const QVariant& value);

signals:
    void preferenceChanged(vantrel::AppearancePreference preference);
    // Every time the palette is installed, and when the effective appearance flips.
    void appearanceApplied(bool dark);

private slots:
    void onPortalSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void apply();
    void setSystemDark(bool dark);
    void askPortal(QDBusConnection bus);

    QSettings* settings_;
    AppearancePreference preference_;
    bool systemDark_;
    bool dark_ = true;
};

}  // namespace vantrel
