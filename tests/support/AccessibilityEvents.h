#pragma once

// What assistive technology would be told, for the tests: switches the platform's
// accessibility on (under the offscreen platform no screen reader ever does, and
// Qt tells nobody anything while it is off) and keeps every event that would
// reach the platform's bridge. Link Qt6::GuiPrivate.

#include <QAccessible>
#include <QGuiApplication>
#include <QString>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <vector>

namespace testsupport {

struct HeardEvent {
    QAccessible::Event type;
    QObject* object;
    QString inserted;  // the new text of a text update
    QAccessible::State changed;  // the states a state change is about
};

class AccessibilityEvents {
public:
    AccessibilityEvents() : previous_(QAccessible::installUpdateHandler(&hear)) {
        heard().clear();
        platform()->setActive(true);
    }
    ~AccessibilityEvents() {
        platform()->setActive(false);
        QAccessible::installUpdateHandler(previous_);
        heard().clear();
    }
    AccessibilityEvents(const AccessibilityEvents&) = delete;
    AccessibilityEvents& operator=(const AccessibilityEvents&) = delete;

    const std::vector<HeardEvent>& events() const { return heard(); }
    // The first event of a type about an object, or null.
    const HeardEvent* find(QAccessible::Event type, QObject* object) const {
        for (const HeardEvent& event : heard())
            if (event.type == type && event.object == object) return &event;
        return nullptr;
    }
    void clear() { heard().clear(); }

private:
    static QPlatformAccessibility* platform() { return QGuiApplicationPrivate::platformIntegration()->accessibility(); }
    static std::vector<HeardEvent>& heard() {
        static std::vector<HeardEvent> events;
        return events;
    }
    static void hear(QAccessibleEvent* event) {
        HeardEvent heardEvent{event->type(), event->object(), {}, {}};
        if (event->type() == QAccessible::TextUpdated)
            heardEvent.inserted = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
        if (event->type() == QAccessible::StateChanged)
            heardEvent.changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
        heard().push_back(heardEvent);
    }

    QAccessible::UpdateHandler previous_;
};

}  // namespace testsupport
