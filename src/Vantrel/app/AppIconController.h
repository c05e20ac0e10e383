#pragma once

// Picks the application icon: the dark or light Vantrel icon as chosen, or the
// one that matches the appearance in force, swapped whenever that appearance
// changes. The icon belongs to the running application only (window icon);
// nothing is written to disk. A missing or unreadable icon file leaves the
// current icon as it is.

#include "Vantrel/app/Preferences.h"

#include <QIcon>
#include <QObject>
#include <QString>

#include <optional>

namespace vantrel {

class AppearanceController;

class AppIconController : public QObject {
    Q_OBJECT

public:
    static inline const QString darkIconName = QStringLiteral("VantrelIcon-Dark");
    static inline const QString lightIconName = QStringLiteral("VantrelIcon-Light");

    // Icons are read as "<name>.svg" from `iconFolder` (the built-in resources
    // unless given).
    explicit AppIconController(AppearanceController* appearance,
                               const QString& iconFolder = QStringLiteral(":/vantrel/icons"), QObject* parent = nullptr);

    IconPreference preference() const { return preference_; }
    // The name of the icon last set; empty before the first.
    const QString& appliedIconName() const { return appliedName_; }

    // Takes the stored choice, follows the appearance from now on and sets the icon.
    void setUp(IconPreference stored);
    // A new choice: kept and applied.
    void setPreference(IconPreference preference);
    void applyIcon();

    // The icon file as an image; none when missing or unreadable.
    std::optional<QIcon> loadIcon(const QString& name) const;

signals:
    void iconApplied(const QString& name);

private:
    const std::optional<QIcon>& lazyIcon(std::optional<std::optional<QIcon>>& slot, const QString& name);

    AppearanceController* appearance_;
    QString iconFolder_;
    IconPreference preference_ = IconPreference::automatic;
    QMetaObject::Connection observation_;
    std::optional<std::optional<QIcon>> darkIcon_;   // outer: looked up yet
    std::optional<std::optional<QIcon>> lightIcon_;
    QString appliedName_;
};

}  // namespace vantrel
