#include "Vantrel/app/Preferences.h"

#include <QSettings>

namespace vantrel::preferences {

namespace {

// The three cases share their raw strings and labels; index = case.
const QString raws[] = {QStringLiteral("auto"), QStringLiteral("light"), QStringLiteral("dark")};
const QString labels[] = {QStringLiteral("Match System"), QStringLiteral("Light"), QStringLiteral("Dark")};

std::optional<int> indexOfRaw(const QString& raw) {
    for (int i = 0; i < 3; ++i) {
        if (raws[i] == raw) return i;
    }
    return std::nullopt;
}

}  // namespace

QString rawValue(AppearancePreference preference) { return raws[int(preference)]; }
QString rawValue(IconPreference preference) { return raws[int(preference)]; }
QString menuLabel(AppearancePreference preference) { return labels[int(preference)]; }
QString menuLabel(IconPreference preference) { return labels[int(preference)]; }

std::optional<AppearancePreference> appearanceFromRaw(const QString& raw) {
    if (const auto index = indexOfRaw(raw)) return AppearancePreference(*index);
    return std::nullopt;
}

std::optional<IconPreference> iconFromRaw(const QString& raw) {
    if (const auto index = indexOfRaw(raw)) return IconPreference(*index);
    return std::nullopt;
}

const QList<AppearancePreference>& allAppearances() {
    static const QList<AppearancePreference> all{AppearancePreference::automatic, AppearancePreference::light,
                                                 AppearancePreference::dark};
    return all;
}

const QList<IconPreference>& allIcons() {
    static const QList<IconPreference> all{IconPreference::automatic, IconPreference::light, IconPreference::dark};
    return all;
}

AppearancePreference storedAppearance(const QSettings& settings) {
    return appearanceFromRaw(settings.value(appearanceKey).toString()).value_or(AppearancePreference::dark);
}

IconPreference storedIcon(const QSettings& settings) {
    return iconFromRaw(settings.value(iconKey).toString()).value_or(IconPreference::automatic);
}

void store(QSettings& settings, AppearancePreference preference) {
    settings.setValue(appearanceKey, rawValue(preference));
}

void store(QSettings& settings, IconPreference preference) { settings.setValue(iconKey, rawValue(preference)); }

}  // namespace vantrel::preferences
