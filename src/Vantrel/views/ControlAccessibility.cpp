#include "Vantrel/views/ControlAccessibility.h"

#include "Vantrel/views/DesignIndicators.h"

#include <QAccessibleWidget>

namespace vantrel::Kelp {

namespace {

class ButtonAccessible : public QAccessibleWidget {
public:
    ButtonAccessible(QAbstractButton* button, QAccessible::Role role) : QAccessibleWidget(button, role) {}

    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
    bool namedByHelp() const { return widget()->accessibleName().isEmpty(); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && namedByHelp()) return widget()->toolTip();
        // The help text that names the button is not read out a second time.
        if (t == QAccessible::Description && namedByHelp()) return widget()->accessibleDescription();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isDown();
        if (const auto* box = qobject_cast<const KelpCheckbox*>(button())) {
            s.checkable = true;
            s.checked = box->isOn();
        }
        return s;
    }

    QString action() const { return role() == QAccessible::CheckBox ? toggleAction() : pressAction(); }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isEnabled()) names.prepend(action());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == action()) {
            if (button()->isEnabled()) button()->click();
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (!button) return nullptr;
    if (className == QLatin1String("vantrel::KelpIconButton")) return new ButtonAccessible(button, QAccessible::Button);
    if (className == QLatin1String("vantrel::KelpCheckbox")) return new ButtonAccessible(button, QAccessible::CheckBox);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&factory);
        return true;
    }();
    (void)installed;
}

}  // namespace vantrel::Kelp
