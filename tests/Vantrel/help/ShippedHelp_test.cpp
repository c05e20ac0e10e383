#include <gtest/gtest.h>

#include "HelpMenu/BundleImageProvider.h"
#include "HelpMenu/HelpContent.h"
#include "HelpMenu/HelpWindowController.h"
#include "HelpMenu/views/HelpWindowView.h"
#include "ShellTestSupport.h"
#include "Vantrel/app/MainWindow.h"

#include <QAbstractButton>

#include <QRegularExpression>
#include <QSet>

using namespace helpmenu;
using shelltest::ShellTest;
using vantrel::VantrelApp;

// The help compiled into the application loads whole: every topic file is
// there, each opens with its title, and every image it names is found.
TEST(ShippedHelp, LoadsWholeWithTitledTopicsAndResolvableImages) {
    const HelpContent content = HelpContent::load("help-manifest", ":/help");
    EXPECT_EQ(content.windowTitle, "Vantrel Help");
    ASSERT_EQ(content.topics.size(), 10);
    QSet<QString> ids;
    static const QRegularExpression image(R"(!\[[^\]]*\]\(([^)\s]+)\))");
    const BundleImageLookup lookup(content.imageBaseURL);
    for (const HelpTopic& topic : content.topics) {
        EXPECT_FALSE(ids.contains(topic.id)) << topic.id.toStdString();
        ids.insert(topic.id);
        EXPECT_FALSE(topic.markdown.contains("could not be loaded")) << topic.id.toStdString();
        EXPECT_TRUE(topic.markdown.startsWith("# " + topic.title + "\n")) << topic.id.toStdString();
        for (auto it = image.globalMatch(topic.markdown); it.hasNext();) {
            const QString source = it.next().captured(1);
            EXPECT_FALSE(lookup.find(QUrl(source)).isNull()) << source.toStdString();
        }
    }
    EXPECT_EQ(content.groups().size(), 5);
}

// A help that cannot be loaded leaves an empty one under the application's title.
TEST_F(ShellTest, MissingHelpGivesAnEmptyHelpWindow) {
    VantrelApp::Options o = options();
    o.helpFolder = pathOf(QStringLiteral("no-help-here"));
    launch(std::move(o));
    app->window()->findChild<QAbstractButton*>(QStringLiteral("HelpButton"))->click();
    auto* help = qobject_cast<HelpWindowView*>(HelpWindowController::window());
    ASSERT_TRUE(help);
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Vantrel Help"));
    EXPECT_TRUE(help->model()->isEmpty());
    HelpWindowController::reset();
}
