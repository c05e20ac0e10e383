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

// A section header is a label, not a topic: neither a click nor the arrow keys
// select it, and the topic shown stays the one selected.
TEST_F(HelpWindowTest, SectionHeadersAreNeverSelected) {
    HelpWindowView view(content());
    view.resize(820, 560);
    view.show();
    QListWidget* list = view.sidebar()->list();
    const auto state = [&] {
        QStringList selected;
        for (QListWidgetItem* item : list->selectedItems()) selected << item->text();
        return QString("current %1, selected %2, model %3, shown %4")
            .arg(list->currentItem() ? list->currentItem()->text() : "-", selected.join(','),
                 view.model()->selection().value_or("-"), view.detail()->shownTopicId());
    };
    const auto clickRow = [&](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    const auto key = [&](Qt::Key k) { QTest::keyClick(list, k); };
    // Rows: Welcome, [Getting Started], Adding videos, The queue.
    const struct {
        const char* what;
        std::function<void()> act;
        const char* expected;
    } steps[] = {
        {"click the header", [&] { clickRow(1); }, "current Welcome, selected Welcome, model welcome, shown welcome"},
        {"down over the header", [&] { key(Qt::Key_Down); },
         "current Adding videos, selected Adding videos, model adding, shown adding"},
        {"click the header again", [&] { clickRow(1); },
         "current Adding videos, selected Adding videos, model adding, shown adding"},
        {"up over the header", [&] { key(Qt::Key_Up); }, "current Welcome, selected Welcome, model welcome, shown welcome"},
        {"click a topic", [&] { clickRow(3); }, "current The queue, selected The queue, model queue, shown queue"},
        {"press on a topic and drag onto the header", [&] {
             QTest::mousePress(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
             QMouseEvent move(QEvent::MouseMove, QPointF(list->visualItemRect(list->item(1)).center()),
                              list->viewport()->mapToGlobal(QPointF(list->visualItemRect(list->item(1)).center())),
                              Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(list->viewport(), &move);
             QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
         },
         "current Adding videos, selected Adding videos, model adding, shown adding"},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(state().toStdString(), step.expected) << step.what;
    }
    EXPECT_EQ(rows(list), QStringList({"Welcome", "[Getting Started]", "Adding videos", "The queue"}));
}

// "No Results for" keeps the query, however long, to one line cut with "…".
TEST_F(HelpWindowTest, NoResultsKeepsTheQueryToOneLine) {
    HelpWindowView view(content());
    view.resize(820, 560);
    view.show();
    auto* noResults = view.findChild<EmptyStateView*>("noSearchResults");
    auto* title = noResults->findChild<QLabel*>("emptyTitle");
    const struct {
        QString query;
        bool whole;
    } cases[] = {
        {"zebra", true},
        {QString("zebra crossing ").repeated(374), false},  // 5,610 characters
        {QString("x").repeated(5600), false},
        {"first line\nsecond line\tand a tab " + QString("qq").repeated(100), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query.left(40).toStdString());
        view.sidebar()->searchField()->setText(c.query);
        QApplication::processEvents();
        ASSERT_TRUE(noResults->isVisibleTo(&view));
        EXPECT_EQ(noResults->title(), "No Results for \u201C" + c.query + "\u201D");
        // The words, and the quoted query on a line of its own.
        const QStringList lines = title->text().split('\n');
        ASSERT_LE(lines.size(), 2);
        EXPECT_EQ(lines.join(' ').left(16), "No Results for \u201C");
        EXPECT_TRUE(lines.last().endsWith(c.whole ? "zebra\u201D" : "\u2026\u201D")) << lines.last().toStdString();
        for (const QString& line : lines)
            EXPECT_LE(title->fontMetrics().horizontalAdvance(line), title->contentsRect().width());
        EXPECT_LE(title->height(), 2 * title->fontMetrics().lineSpacing());
        EXPECT_LT(title->sizeHint().width(), 400);  // the sidebar keeps its width
    }
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
        view.sidebar()->searchField()->setText(QString("zebra crossing ").repeated(374));
        testsupport::saveGalleryPicture(&view, "help-no-results-long-query" + suffix);
        view.sidebar()->searchField()->setText("zebra");
        testsupport::saveGalleryPicture(&view, "help-no-results" + suffix);
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
