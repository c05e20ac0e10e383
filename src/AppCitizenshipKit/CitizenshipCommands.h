#pragma once

// The menu commands of the citizenship surfaces: "Send Feedback…" always, then
// "Leave a Tip" and "About <name>" when asked for. Linux has no application
// menu, so all of them go into the Help menu, after its own entries.

#include "AppCitizenshipKit/CitizenshipConfig.h"

#include <QList>

class QAction;
class QMenu;
class QObject;

namespace citizenship {

class CitizenshipCommands {
public:
    CitizenshipCommands(CitizenshipConfig config, bool includeDonate, bool includeAbout)
        : m_config(std::move(config)), m_includeDonate(includeDonate), m_includeAbout(includeAbout) {}

    const CitizenshipConfig& config() const { return m_config; }
    bool includeDonate() const { return m_includeDonate; }
    bool includeAbout() const { return m_includeAbout; }

    // What the commands do.
    void sendFeedback() const;
    void leaveTip() const;       // opens the donate page with its "app" item; nothing without an address
    void showAbout() const;
    QString aboutTitle() const;  // "About " + the application's name

    // The commands in menu order, separators included, owned by `parent`.
    QList<QAction*> makeActions(QObject* parent) const;
    void addTo(QMenu* menu) const;

private:
    CitizenshipConfig m_config;
    bool m_includeDonate;
    bool m_includeAbout;
};

}  // namespace citizenship
