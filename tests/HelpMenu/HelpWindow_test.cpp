#include <gtest/gtest.h>

#include "HelpMenu/HelpMenuCommands.h"
#include "HelpMenu/HelpWindowController.h"
#include "HelpMenu/views/HelpTopicView.h"
#include "HelpMenu/views/HelpWindowView.h"
#include "MarkdownRender/Views/InlineText.h"

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "GalleryPictures.h"

using namespace helpmenu;

namespace {

HelpContent content(const QString& title = "Guide") {
    return HelpContent({{"welcome", "Welcome", "# Welcome\n\nHello.", {}},
                        {"adding", "Adding videos", "# Adding videos\n\nDrop a folder of clips.", "Getting Started"},
                        {"queue", "The queue", "# The queue\n\nJobs run one by one.", "Getting Started"}},
                       title, std::nullopt);
}

HelpWindowView* openWindow() { return qobject_cast<HelpWindowView*>(HelpWindowController::window()); }

void closeWindow() {
    HelpWindowController::window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList rows(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        const bool header = !(list->item(i)->flags() & Qt::ItemIsSelectable);
        out << (header ? "[" + list->item(i)->text() + "]" : list->item(i)->text());
    }
    return out;
}

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ensureWidgetApplication();
        HelpWindowController::reset();
    }
    void TearDown() override { HelpWindowController::reset(); }
};

}  // namespace

TEST_F(HelpWindowTest, OneWindowPerRequestUntilClosed) {
    HelpWindowController::showHelp();
    EXPECT_EQ(HelpWindowController::window(), nullptr);  // nothing registered yet

    HelpWindowController::registerContent(content());
    HelpWindowController::showHelp();
    HelpWindowView* first = openWindow();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->objectName(), "HelpMenu.HelpWindow");
    EXPECT_EQ(first->windowTitle(), "Guide");
    EXPECT_EQ(first->size(), QSize(820, 560));
    EXPECT_EQ(first->minimumSize(), QSize(640, 420));
    const QPoint offset = first->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4);  // centred, give or take rounding

    first->sidebar()->searchField()->setText("queue");
    HelpWindowController::showHelp(content("Other"));  // an open window keeps its own content
    EXPECT_EQ(openWindow(), first);
    EXPECT_EQ(first->model()->searchText(), "queue");
    EXPECT_EQ(first->model()->selection(), "queue");
    EXPECT_EQ(first->windowTitle(), "Guide");

    closeWindow();
    EXPECT_EQ(HelpWindowController::window(), nullptr);
    HelpWindowController::showHelp();
    HelpWindowView* second = openWindow();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->windowTitle(), "Other");
    EXPECT_EQ(second->model()->searchText(), "");
    EXPECT_EQ(second->model()->selection(), "welcome");
}

TEST_F(HelpWindowTest, MenuCommandTitlesAndShortcut) {
    EXPECT_EQ(HelpMenuCommands(content(), "Vantrel").title(), "Vantrel Help");
    EXPECT_EQ(HelpMenuCommands(content(), std::nullopt).title(), "Guide");
    QObject owner;
    QAction* action = HelpMenuCommands(content(), "Vantrel").makeAction(&owner);
    EXPECT_EQ(action->shortcut(), QKeySequence("Ctrl+?"));
    action->trigger();
    EXPECT_TRUE(openWindow());

    QMenuBar bar;
    bar.addMenu("File");
    bar.addMenu("&Help")->addAction("Old entry");
    MenuBarHelpMenu::install(&bar, content(), std::nullopt);
    ASSERT_EQ(bar.actions().size(), 2);
    QMenu* help = bar.actions().last()->menu();
    EXPECT_EQ(help->title(), "Help");
    ASSERT_EQ(help->actions().size(), 1);
    EXPECT_EQ(help->actions().first()->text(), "Guide");
}

TEST_F(HelpWindowTest, SidebarSectionsSearchAndEmptyStates) {
    HelpWindowView view(content());
    QListWidget* list = view.sidebar()->list();
    EXPECT_EQ(rows(list), QStringList({"Welcome", "[Getting Started]", "Adding videos", "The queue"}));

    QTest::keyClicks(view.sidebar()->searchField(), "drop");
    EXPECT_EQ(rows(list), QStringList({"[Getting Started]", "Adding videos"}));
    EXPECT_EQ(view.model()->selection(), "adding");
    EXPECT_EQ(view.detail()->shownTopicId(), "adding");

    view.sidebar()->searchField()->setText("<b>x");
    auto* noResults = view.findChild<EmptyStateView*>("noSearchResults");
    ASSERT_TRUE(noResults->isVisibleTo(&view));
    EXPECT_EQ(noResults->title(), "No Results for \u201C<b>x\u201D");
    EXPECT_EQ(noResults->findChild<QLabel*>("emptyTitle")->textFormat(), Qt::PlainText);
    EXPECT_EQ(view.detail()->shownTopicId(), "adding");  // the detail keeps its topic

    view.sidebar()->searchField()->clear();
    EXPECT_EQ(list->currentItem()->text(), "Adding videos");
    list->setCurrentRow(3);
    EXPECT_EQ(view.model()->selection(), "queue");

    HelpWindowView empty(HelpContent({}, "Vantrel Help", std::nullopt));
    EXPECT_EQ(empty.findChild<EmptyStateView*>("noHelpTopics")->title(), "No Help Topics");
    EXPECT_EQ(empty.findChild<EmptyStateView*>("selectATopic")->title(), "Select a Topic");
}

TEST_F(HelpWindowTest, DetailUsesTheRendererAndStartsEachTopicAtTheTop) {
    std::optional<QUrl> base;
    HelpWindowController::setTopicRenderer([&](const HelpTopic& topic, const std::optional<QUrl>& imageBase) {
        base = imageBase;
        auto* w = new QLabel(topic.title);
        w->setMinimumHeight(3000);
        return w;
    });
    HelpContent c = content();
    c.imageBaseURL = QUrl::fromLocalFile("/images");
    HelpWindowView view(c);
    view.resize(820, 560);
    view.show();
    QScrollArea* scroll = view.detail()->scrollArea();
    EXPECT_EQ(base, QUrl::fromLocalFile("/images"));
    scroll->verticalScrollBar()->setValue(1000);
    view.model()->setSelection(QString("queue"));
    EXPECT_EQ(scroll->verticalScrollBar()->value(), 0);
    EXPECT_EQ(scroll->widget()->findChild<QLabel*>("helpTopicBody")->text(), "The queue");
    EXPECT_EQ(scroll->widget()->layout()->contentsMargins(), QMargins(24, 24, 24, 24));
}

TEST_F(HelpWindowTest, Gallery) {
    if (!testsupport::galleryWanted()) GTEST_SKIP() << "VANTREL_GALLERY_DIR not set";
    for (const auto& theme : testsupport::galleryThemes) {
        QApplication::setPalette(testsupport::galleryPalette(theme.dark));
        const QString suffix = QString("-") + theme.name;
        QTemporaryDir images;
        QImage picture(360, 120, QImage::Format_ARGB32);
        picture.fill(QColor(240, 98, 42));
        picture.save(images.path() + "/clip.png");
        HelpContent withImage = content();
        withImage.topics[0].markdown =
            "# Welcome\n\nVantrel corrects the **start timecode** of your movies.\n\n![A clip](clip.png)\n\n"
            "## Next steps\n\n- Add videos\n- Correct a batch\n";
        withImage.imageBaseURL = QUrl::fromLocalFile(images.path());
        HelpWindowView view(withImage);
        view.resize(820, 560);
        view.show();
        testsupport::saveGalleryPicture(&view, "help-topic" + suffix);
        view.sidebar()->searchField()->setText("one");
        testsupport::saveGalleryPicture(&view, "help-search" + suffix);
        HelpWindowView empty(HelpContent({}, "Vantrel Help", std::nullopt));
        empty.resize(820, 560);
        empty.show();
        testsupport::saveGalleryPicture(&empty, "help-empty" + suffix);
    }
    QApplication::setPalette(QPalette());
}

TEST_F(HelpWindowTest, TopicsShowAsSelectable15PixelMarkdownWithTheHelpsImages) {
    QTemporaryDir dir;
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(dir.path() + "/trim.png"));
    const HelpTopic topic{"t", "Trim", "# Trim\n\nSome body text.\n\n![Trim](images/trim.png)\n", {}};
    std::unique_ptr<QWidget> view(makeHelpTopicView(topic, QUrl::fromLocalFile(dir.path())));
    view->resize(600, 400);
    view->show();

    markdown::InlineText* body = nullptr;
    for (auto* text : view->findChildren<markdown::InlineText*>())
        if (text->text() == "Some body text.") body = text;
    ASSERT_TRUE(body);
    const QTextCharFormat format = body->document().begin().begin().fragment().charFormat();
    const QFont font = format.font().pixelSize() > 0 ? format.font() : body->document().defaultFont();
    EXPECT_EQ(font.pixelSize(), 15);

    body->setFocus();
    QTest::keyClick(body, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(body, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Some body text.");

    // The image came from the help's folder at its own size.
    QWidget* shown = view->findChild<QWidget*>("image");
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->sizeHint(), QSize(40, 30));
}
