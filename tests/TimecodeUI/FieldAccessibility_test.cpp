// What assistive technology reads of the timecode field and the timecode line
// edit: role, name, value, the focused component, and the changes it is told of.
#include "AccessibilityEvents.h"
#include "FieldTestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "TimecodeUI/TimecodeTextField.h"

using namespace fieldtest;

namespace {

QStringList childNames(QAccessibleInterface* iface) {
    QStringList names;
    for (int i = 0; i < iface->childCount(); ++i) names << iface->child(i)->text(QAccessible::Name);
    return names;
}

}  // namespace

TEST(FieldAccessibility, NameValueFocusAndAnnouncements) {
    Host host;
    auto* box = static_cast<QVBoxLayout*>(host.layout());
    // The row's field, named by the host.
    host.field->setAccessibleName("Start timecode");
    host.field->setProperties({TimecodeFrameRate::fps25, SubFramesBase::max80SubFrames, UpperLimit::max24Hours});
    host.field->setComponents({0, 1, 0, 0, 0, 0});
    // A field beside its caption, days shown.
    auto* caption = new QLabel("Record start", &host);
    auto* captioned = new TimecodeField(&host);
    caption->setBuddy(captioned);
    captioned->setProperties({TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames, UpperLimit::max100Days});
    captioned->setComponents({2, 10, 20, 30, 15, 0});
    // The line edit beside its caption.
    auto* lineCaption = new QLabel("Timecode", &host);
    auto* line = new TimecodeTextField(&host);
    lineCaption->setBuddy(line);
    line->formatter()->frameRate = TimecodeFrameRate::fps25;
    line->formatter()->upperLimit = UpperLimit::max24Hours;
    line->formatter()->subFramesBase = SubFramesBase::max80SubFrames;
    line->setText("01:00:00:00");
    for (QWidget* w : {(QWidget*)caption, (QWidget*)captioned, (QWidget*)lineCaption, (QWidget*)line}) box->addWidget(w);
    QApplication::processEvents();

    struct Row {
        const char* what;
        QWidget* widget;
        QString name, value;
        QStringList components;
        std::optional<C> focus;  // a field's component to focus; none focuses the widget
        int caret;
        QString typed;  // the value after typing 7 there
    };
    const Row rows[] = {
        {"named field", host.field, "Start timecode", "01:00:00:00", {"Hours", "Minutes", "Seconds", "Frames"},
         C::minutes, 3, "01:07:00:00"},
        {"field by its caption", captioned, "Record start", "02 10:20:30;15",
         {"Days", "Hours", "Minutes", "Seconds", "Frames"}, C::frames, 12, "02 10:20:30;07"},
        {"line edit by its caption", line, "Timecode", "01:00:00:00", {}, std::nullopt, 0, {}},
    };
    host.after->setFocus();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(row.widget);
        ASSERT_TRUE(iface);
        EXPECT_EQ(iface->role(), QAccessible::EditableText);
        EXPECT_EQ(iface->text(QAccessible::Name), row.name);
        EXPECT_EQ(iface->text(QAccessible::Value), row.value);
        ASSERT_TRUE(iface->textInterface());
        EXPECT_EQ(iface->textInterface()->text(0, iface->textInterface()->characterCount()), row.value);
        EXPECT_EQ(childNames(iface), row.components);
        EXPECT_FALSE(iface->state().focused);
        EXPECT_EQ(iface->focusChild(), nullptr);

        testsupport::AccessibilityEvents heard;
        auto* field = qobject_cast<TimecodeField*>(row.widget);
        if (field) {
            field->setFocusedComponent(row.focus);
            QAccessibleInterface* focused = iface->focusChild();
            ASSERT_TRUE(focused);
            EXPECT_EQ(focused->object(), field->componentView(*row.focus));
            EXPECT_EQ(focused->role(), QAccessible::SpinBox);
            EXPECT_TRUE(focused->state().focused);
            EXPECT_EQ(iface->textInterface()->cursorPosition(), row.caret);
            EXPECT_TRUE(heard.find(QAccessible::Focus, focused->object()));

            // Typing tells of the new text and of the component's new value.
            QTest::keyClick(field, Qt::Key_7);
            EXPECT_EQ(iface->text(QAccessible::Value), row.typed);
            const testsupport::HeardEvent* update = heard.find(QAccessible::TextUpdated, field);
            ASSERT_TRUE(update);
            EXPECT_EQ(update->inserted, row.typed);
            EXPECT_TRUE(heard.find(QAccessible::ValueChanged, focused->object()));
            EXPECT_EQ(focused->valueInterface()->currentValue().toLongLong(), 7);
            EXPECT_EQ(focused->text(QAccessible::Value), "07");
            // Focus moving on is told of.
            QTest::keyClick(field, Qt::Key_Left);
            ASSERT_TRUE(field->focusedComponent());
            EXPECT_NE(*field->focusedComponent(), *row.focus);
            EXPECT_TRUE(heard.find(QAccessible::Focus, field->componentView(*field->focusedComponent())));
        } else {
            row.widget->setFocus();
            EXPECT_TRUE(heard.find(QAccessible::Focus, row.widget));
        }
        EXPECT_TRUE(iface->state().focused);

        // A value the host writes is told of too.
        heard.clear();
        if (field)
            field->setComponents({0, 0, 0, 0, 1, 0});
        else
            line->setText("00:00:00:01");
        const testsupport::HeardEvent* update = heard.find(QAccessible::TextUpdated, row.widget);
        ASSERT_TRUE(update);
        EXPECT_EQ(update->inserted, iface->text(QAccessible::Value));
        EXPECT_TRUE(update->inserted.endsWith("01"));
        host.after->setFocus();
        if (field) {
            EXPECT_EQ(iface->focusChild(), nullptr);
        }
    }

    // A field that goes while focused and listened to (a row scrolled away, say)
    // leaves nothing behind to be read.
    testsupport::AccessibilityEvents heard;
    captioned->setFocusedComponent(C::hours);
    QAccessibleInterface* hours = QAccessible::queryAccessibleInterface(captioned)->focusChild();
    ASSERT_TRUE(hours);
    const QAccessible::Id id = QAccessible::uniqueId(hours);
    delete captioned;
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
}
