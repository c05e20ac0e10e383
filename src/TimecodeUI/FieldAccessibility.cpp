#include "TimecodeUI/FieldAccessibility.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>

#include "TimecodeUI/TimecodeField.h"

namespace timecode::accessibility {

namespace {

using Component = TimecodeComponent;

QString componentName(Component component) {
    switch (component) {
    case Component::days: return TimecodeField::tr("Days");
    case Component::hours: return TimecodeField::tr("Hours");
    case Component::minutes: return TimecodeField::tr("Minutes");
    case Component::seconds: return TimecodeField::tr("Seconds");
    case Component::frames: return TimecodeField::tr("Frames");
    case Component::subFrames: return TimecodeField::tr("Subframes");
    }
    return {};
}

QRect globalRect(const QWidget* widget, const QRectF& local) {
    const QRect r = local.toAlignedRect();
    return QRect(widget->mapToGlobal(r.topLeft()), r.size());
}

// The field as a whole: read-only text interface over what it shows.
class FieldAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit FieldAccessible(TimecodeField* field) : QAccessibleWidget(field, QAccessible::EditableText) {}

    TimecodeField* field() const { return static_cast<TimecodeField*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return field()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = field()->isEnabled();
        s.readOnly = !field()->isEnabled();
        return s;
    }

    int childCount() const override { return int(field()->visibleComponents().size()); }

    QAccessibleInterface* child(int index) const override {
        const auto shown = field()->visibleComponents();
        if (index < 0 || index >= int(shown.size())) return nullptr;
        return QAccessible::queryAccessibleInterface(field()->componentView(shown[std::size_t(index)]));
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        const auto shown = field()->visibleComponents();
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (child->object() == field()->componentView(shown[i])) return int(i);
        return -1;
    }

    QAccessibleInterface* focusChild() const override {
        const auto focused = field()->focusedComponent();
        return focused ? QAccessible::queryAccessibleInterface(field()->componentView(*focused)) : nullptr;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = field()->mapFromGlobal(QPoint(x, y));
        for (Component c : field()->visibleComponents())
            if (field()->componentRect(c).contains(local))
                return QAccessible::queryAccessibleInterface(field()->componentView(c));
        return nullptr;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // Text: the field selects no text; its caret stands at the focused component.
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}

    int cursorPosition() const override {
        const auto focused = field()->focusedComponent();
        int offset = 0;
        for (const auto& run : field()->textRuns()) {
            if (focused && run.component == focused) return offset;
            offset += int(run.text.size());
        }
        return 0;
    }

    void setCursorPosition(int position) override {
        int offset = 0;
        for (const auto& run : field()->textRuns()) {
            offset += int(run.text.size());
            if (run.component && position < offset) return field()->setFocusedComponent(*run.component);
        }
    }

    QString text(int startOffset, int endOffset) const override {
        return field()->text().mid(startOffset, std::max(0, endOffset - startOffset));
    }

    int characterCount() const override { return int(field()->text().size()); }

    QRect characterRect(int offset) const override {
        int start = 0;
        for (const auto& run : field()->textRuns()) {
            const int n = int(run.text.size());
            if (offset >= start && offset < start + n) {
                const qreal w = run.rect.width() / n;
                return globalRect(field(), QRectF(run.rect.left() + w * (offset - start), run.rect.top(), w,
                                                  run.rect.height()));
            }
            start += n;
        }
        return {};
    }

    int offsetAtPoint(const QPoint& point) const override {
        const QPointF local = field()->mapFromGlobal(point);
        int start = 0;
        for (const auto& run : field()->textRuns()) {
            const int n = int(run.text.size());
            if (run.rect.contains(local) && n > 0)
                return start + std::min(n - 1, int((local.x() - run.rect.left()) / (run.rect.width() / n)));
            start += n;
        }
        return -1;
    }

    void scrollToSubstring(int, int) override {}

    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }
};

// One component: a spin box over its number, named after the component.
class ComponentAccessible : public QAccessibleObject, public QAccessibleValueInterface {
public:
    explicit ComponentAccessible(TimecodeField::ComponentView* view) : QAccessibleObject(view) {}

    TimecodeField::ComponentView* view() const { return static_cast<TimecodeField::ComponentView*>(object()); }
    TimecodeField* field() const { return static_cast<TimecodeField*>(view()->parent()); }
    bool isShown() const {
        const auto shown = field()->visibleComponents();
        return std::find(shown.begin(), shown.end(), view()->component()) != shown.end();
    }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(field()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::SpinBox; }
    QRect rect() const override { return globalRect(field(), field()->componentRect(view()->component())); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name: return componentName(view()->component());
        case QAccessible::Value: return QString::fromStdString(view()->stateModel().displayText());
        default: return {};
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.focused = field()->hasFocus() && view()->isFocused();
        s.disabled = !field()->isEnabled();
        s.editable = field()->isEnabled();
        s.invisible = !field()->isVisible() || !isShown();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    QVariant currentValue() const override { return qlonglong(view()->stateModel().value()); }
    // Set as if typed: the host hears of it as an edit.
    void setCurrentValue(const QVariant& value) override {
        if (field()->isEnabled() && value.canConvert<qlonglong>()) view()->stateModel().setValue(value.toLongLong());
    }
    QVariant maximumValue() const override { return qlonglong(view()->stateModel().validRange().upperBound); }
    QVariant minimumValue() const override { return qlonglong(view()->stateModel().validRange().lowerBound); }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("timecode::TimecodeField"))
        if (auto* field = qobject_cast<TimecodeField*>(object)) return new FieldAccessible(field);
    if (className == QLatin1String("timecode::TimecodeField::ComponentView"))
        if (auto* view = qobject_cast<TimecodeField::ComponentView*>(object)) return new ComponentAccessible(view);
    return nullptr;
}

}  // namespace

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(&factory);
        return true;
    }();
    (void)installed;
}

}  // namespace timecode::accessibility
