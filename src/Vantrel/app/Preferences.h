#pragma once

// The two choices of the Appearance menu and the settings they live under. Both
// are stored as their raw strings; any other stored string reads as the default.

#include <QList>
#include <QString>

#include <optional>

class QSettings;

namespace vantrel {

enum class AppearancePreference { automatic, light, dark };
enum class IconPreference { automatic, light, dark };

namespace preferences {

inline const QString appearanceKey = QStringLiteral("appearancePreference");
inline const QString iconKey = QStringLiteral("iconPreference");
inline const QString updateFeedKey = QStringLiteral("updateFeedURL");

// "auto", "light", "dark".
QString rawValue(AppearancePreference preference);
QString rawValue(IconPreference preference);
// "Match System", "Light", "Dark".
QString menuLabel(AppearancePreference preference);
QString menuLabel(IconPreference preference);

std::optional<AppearancePreference> appearanceFromRaw(const QString& raw);
std::optional<IconPreference> iconFromRaw(const QString& raw);

// All cases, in menu order.
const QList<AppearancePreference>& allAppearances();
const QList<IconPreference>& allIcons();

// Stored values; default dark for the appearance, automatic for the icon.
AppearancePreference storedAppearance(const QSettings& settings);
IconPreference storedIcon(const QSettings& settings);
void store(QSettings& settings, AppearancePreference preference);
void store(QSettings& settings, IconPreference preference);

}  // namespace preferences

}  // namespace vantrel
