// What a screen reader hears of the controls that show only a symbol or a check
// square: each has its name and role, as the titled buttons do, and does its
// action when asked.
#include "Vantrel/views/CommandBarView.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/QueueRowView.h"
#include "Vantrel/views/SourceRowView.h"

#include "AccessibilityEvents.h"
#include "PaneTestSupport.h"
#include "QueueTestSupport.h"

#include <QAccessible>

using namespace panetest;

namespace {

TEST_P(PaneTest, IconControlsHaveNamesAndRoles) {
    addMissing({"a.mov"});
    const SourceItem source = model->sources().first();
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* bar = new CommandBarView(model.get(), &window);
    auto* footer = new FooterBar(&model->queue(), false, &window);
    auto* sourceRow = new SourceRowView(model.get(), source.id, &window);
    sourceRow->setItem(source, model->tolerance());
    CorrectionJob job = queuetest::makeJob(folder + "/a.mov", folder + "/out/a.mov");
    QStringList done;
    auto* queueRow = new QueueRowView(&window);
    QueueRowView::Actions actions;
    actions.remove = [&] { done << "removed"; };
    queueRow->setJob(job, {}, actions);
    for (QWidget* w : {(QWidget*)bar, (QWidget*)footer, (QWidget*)sourceRow, (QWidget*)queueRow}) column->addWidget(w);
    window.show();

    struct Row {
        QWidget* owner;
        const char* control;
        QAccessible::Role role;
        QString name;
    };
    const Row rows[] = {
        {bar, "toleranceMinus", QAccessible::Button, "Decrease tolerance"},
        {bar, "tolerancePlus", QAccessible::Button, "Increase tolerance"},
        {footer, "consoleToggle", QAccessible::Button, "Show console"},
        {sourceRow, "remove", QAccessible::Button, "Remove from list"},
        {sourceRow, "included", QAccessible::CheckBox, "Include"},
        {sourceRow, "timecodeField", QAccessible::EditableText, "Start timecode"},
        {queueRow, "remove", QAccessible::Button, "Remove from queue"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.control);
        QWidget* control = child<QWidget>(row.owner, row.control);
        ASSERT_TRUE(control);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
        ASSERT_TRUE(iface);
        EXPECT_EQ(iface->role(), row.role);
        EXPECT_EQ(iface->text(QAccessible::Name), row.name);
        EXPECT_NE(iface->text(QAccessible::Description), row.name);  // not read out twice
        EXPECT_EQ(iface->state().checkable, row.role == QAccessible::CheckBox);
        if (row.role == QAccessible::CheckBox) {
            EXPECT_TRUE(iface->state().checked);
        }
        if (row.role != QAccessible::EditableText) {
            ASSERT_TRUE(iface->actionInterface());
            EXPECT_EQ(iface->actionInterface()->actionNames().first(),
                      row.role == QAccessible::CheckBox ? QAccessibleActionInterface::toggleAction()
                                                        : QAccessibleActionInterface::pressAction());
        }
    }

    // Asked through the interface, each does what a click does; a changed state or
    // help text is told of.
    testsupport::AccessibilityEvents heard;
    const auto act = [](QWidget* control) {
        QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(control)->actionInterface();
        actions->doAction(actions->actionNames().first());
    };
    act(child<QWidget>(bar, "tolerancePlus"));
    EXPECT_EQ(model->tolerance(), 1.5);
    QWidget* toggle = child<QWidget>(footer, "consoleToggle");
    act(toggle);
    EXPECT_TRUE(footer->showConsole());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(toggle)->text(QAccessible::Name), "Hide console");
    EXPECT_TRUE(heard.find(QAccessible::NameChanged, toggle));
    QWidget* included = child<QWidget>(sourceRow, "included");
    act(included);
    EXPECT_FALSE(model->sources().first().included);
    sourceRow->setItem(model->sources().first(), model->tolerance());
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(included)->state().checked);
    const testsupport::HeardEvent* unchecked = heard.find(QAccessible::StateChanged, included);
    ASSERT_TRUE(unchecked);
    EXPECT_TRUE(unchecked->changed.checked);
    act(child<QWidget>(queueRow, "remove"));
    EXPECT_EQ(done, QStringList{"removed"});
}

}  // namespace
