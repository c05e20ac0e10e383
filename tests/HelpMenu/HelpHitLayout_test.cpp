#include <gtest/gtest.h>

#include "HelpMenu/HelpContent.h"
#include "HelpMenu/HelpViewModel.h"
#include "HelpMenu/views/HelpWindowView.h"

#include <QListWidget>
#include <QLineEdit>
#include <QSplitter>
#include <QTest>
#include <QTextLayout>

#include "GalleryPictures.h"

using namespace helpmenu;

// Search hits of the application's own help topics, laid out as the sidebar
// draws them: bold hits are wider than the regular text around them, and a hit
// on the last line of an excerpt or on a title must still be cut in a few
// passes, never wrapped onto a line that is not drawn.

namespace {

const QStringList queries = {"e", "th", "the", "time", "timecode", "ffmpeg", "queue", "Retry", "tolerance",
                             "Verification", "frame rate", "a"};

HelpContent appHelp() { return HelpContent::load(QStringLiteral("help-manifest"), QStringLiteral(VANTREL_HELP_DIR)); }

QFont pixelFont(int pixels) {
    QFont f = QApplication::font();
    f.setPixelSize(pixels);
    return f;
}

struct Checked {
    int cut = 0;
    int cutWithHitOnLastLine = 0;
};

// What must hold for any laid-out hit text; counts the cut ones.
void expectFits(const HighlightedText& text, const QFont& font, qreal width, int maxLines, Checked& checked,
                const QString& what) {
    SCOPED_TRACE(what.toStdString());
    const auto layout = layoutHitText(text, font, width, maxLines, Qt::yellow);
    ASSERT_GE(layout->lineCount(), 1);
    EXPECT_LE(layout->lineCount(), maxLines);
    const QString shown = layout->text();
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    EXPECT_EQ(last.textStart() + last.textLength(), shown.size()) << "text laid out but not drawn";
    for (int i = 0; i < layout->lineCount(); ++i) {
        // What is drawn of the line: the spaces it ends with take no room.
        const QTextLine line = layout->lineAt(i);
        int end = line.textStart() + line.textLength();
        while (end > line.textStart() && shown[end - 1].isSpace()) --end;
        EXPECT_LE(line.cursorToX(end) - line.cursorToX(line.textStart()), width + 0.5)
            << "line " << i << ": " << shown.mid(line.textStart(), line.textLength()).toStdString();
    }
    if (shown == text.text) return;

    ++checked.cut;
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    const QString kept = shown.chopped(1);
    EXPECT_TRUE(text.text.startsWith(kept));
    // Cut no earlier than it must: another character and the ellipsis would not fit.
    EXPECT_GT(last.cursorToX(shown.size()), width - 2.5 * QFontInfo(font).pixelSize());
    bool hitOnLastLine = false;
    for (const auto& f : layout->formats()) {
        EXPECT_LE(f.start + f.length, kept.size());
        EXPECT_EQ(f.format.fontWeight(), QFont::Bold);
        if (f.start + f.length > last.textStart()) hitOnLastLine = true;
    }
    if (hitOnLastLine) ++checked.cutWithHitOnLastLine;
}

class HelpHitLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureWidgetApplication(); }
};

}  // namespace

TEST_F(HelpHitLayoutTest, ExcerptsOfTheAppsTopicsFitTheirTwoLinesAtEverySidebarWidth) {
    HelpViewModel model(appHelp());
    ASSERT_GE(model.content().topics.size(), 5);
    const QFont titleFont = QApplication::font();
    const QFont captionFont = pixelFont(10);
    Checked checked;
    for (const QString& query : queries) {
        model.setSearchText(query);
        const QList<HelpSearchHit> hits = model.searchHits();
        ASSERT_FALSE(hits.isEmpty()) << query.toStdString();
        // The row's text area at sidebar widths 200 to 400.
        for (int sidebar = 200; sidebar <= 400; sidebar += 5) {
            const qreal width = sidebar - 8 - 10;
            for (const HelpSearchHit& hit : hits) {
                const QString what = QString("%1 / %2 / %3").arg(query, hit.id()).arg(sidebar);
                if (hit.snippet) expectFits(*hit.snippet, captionFont, width, 2, checked, what);
            }
        }
    }
    // The case that matters was met, many times.
    EXPECT_GT(checked.cutWithHitOnLastLine, 100);
}

// A hit's title is never cut: it wraps onto as many lines as it needs, and its
// row grows to hold it and the excerpt below it, at every sidebar width.
TEST_F(HelpHitLayoutTest, TitlesWrapWholeAndRowsFollowThemAtEverySidebarWidth) {
    HelpWindowView view(appHelp());
    view.resize(1000, 600);
    view.show();
    auto* split = view.findChild<QSplitter*>();
    QListWidget* list = view.sidebar()->list();
    // Rows one below the other, none wider than the list shows.
    const auto rowsInPlace = [&] {
        int previousBottom = -1;
        for (int i = 0; i < list->count(); ++i) {
            const QRect rect = list->visualItemRect(list->item(i));
            if (rect.top() <= previousBottom || rect.right() >= list->viewport()->width()) return false;
            previousBottom = rect.bottom();
        }
        return true;
    };
    int wrapped = 0;
    for (const char* query : {"console", "timecode", "frame rate", "e"}) {
        view.sidebar()->searchField()->setText(query);
        const QList<HelpSearchHit> hits = view.model()->searchHits();
        ASSERT_FALSE(hits.isEmpty()) << query;
        for (int sidebar = 200; sidebar <= 400; sidebar += 10) {
            SCOPED_TRACE(QString("%1 at %2").arg(query).arg(sidebar).toStdString());
            split->setSizes({sidebar, 1000 - sidebar});
            EXPECT_TRUE(QTest::qWaitFor(rowsInPlace, 5000));
            for (int i = 0; i < list->count(); ++i) {
                QListWidgetItem* item = list->item(i);
                const auto hit = std::find_if(hits.begin(), hits.end(), [&](const HelpSearchHit& h) {
                    return h.topic.title == item->text();
                });
                if (hit == hits.end()) continue;  // a section header
                const QRect rect = list->visualItemRect(item);
                const HitRow row = layoutHitRow(*hit, list->font(), rect.width(), Qt::yellow);
                EXPECT_EQ(row.title->text().toStdString(), hit->topic.title.toStdString());
                for (int l = 0; l < row.title->lineCount(); ++l)
                    EXPECT_LE(row.title->lineAt(l).naturalTextWidth(), row.title->lineAt(l).width() + 0.5);
                EXPECT_EQ(row.height, rect.height()) << item->text().toStdString();
                if (row.title->lineCount() > 1) ++wrapped;
            }
        }
    }
    // "The queue, footer and console" wraps at the narrowest sidebar.
    EXPECT_GT(wrapped, 0);
}

TEST_F(HelpHitLayoutTest, TextsThatBarelyFitOrCannotFitAtAll) {
    Checked checked;
    const QFont font = pixelFont(13);
    // Every character a hit: each is wider than measured in the regular weight.
    const QString words = "timecode timecode timecode timecode timecode timecode timecode timecode timecode";
    HighlightedText bold{words, {{0, words.size()}}};
    for (qreal width = 40; width <= 300; width += 3) {
        expectFits(bold, font, width, 2, checked, QString("all bold at %1").arg(width));
        expectFits(bold, font, width, 1, checked, QString("one line at %1").arg(width));
    }
    // One long word, a hit spanning the cut, and combining marks at the cut.
    const QString word = QString("x").repeated(300);
    expectFits({word, {{100, 150}}}, font, 120, 2, checked, "one word");
    const QString marks = QString("e\u0301").repeated(200);
    expectFits({marks, {{0, 40}}}, font, 150, 2, checked, "combining marks");
    EXPECT_GT(checked.cut, 150);

    // Narrower than an ellipsis: still one bounded layout, nothing past the lines.
    const auto tiny = layoutHitText(bold, font, 2, 2, Qt::yellow);
    EXPECT_LE(tiny->lineCount(), 2);
    // Text that fits is left as it is, the empty text too.
    EXPECT_EQ(layoutHitText({"Queue", {{0, 5}}}, font, 300, 1, Qt::yellow)->text(), "Queue");
    EXPECT_EQ(layoutHitText({}, font, 300, 2, Qt::yellow)->text(), "");
}

TEST_F(HelpHitLayoutTest, TypingQueriesLetterByLetterPaintsCutRowsAtNarrowAndWideSidebars) {
    HelpWindowView view(appHelp());
    view.resize(1000, 600);
    view.show();
    auto* split = view.findChild<QSplitter*>();
    ASSERT_TRUE(split);
    QLineEdit* search = view.sidebar()->searchField();
    for (int sidebar : {200, 260, 330, 400}) {
        split->setSizes({sidebar, 1000 - sidebar});
        for (const QString& query : {QString("timecode"), QString("tolerance"), QString("Retry")}) {
            search->clear();
            for (const QChar c : query) {
                QTest::keyClick(search, c.toLatin1());
                // Painting the rows lays out every visible hit.
                view.sidebar()->list()->viewport()->grab();
            }
            EXPECT_GT(view.sidebar()->list()->count(), 0) << query.toStdString();
        }
    }
}

TEST_F(HelpHitLayoutTest, Gallery) {
    if (!testsupport::galleryWanted()) GTEST_SKIP() << "VANTREL_GALLERY_DIR not set";
    for (const auto& theme : testsupport::galleryThemes) {
        QApplication::setPalette(testsupport::galleryPalette(theme.dark));
        HelpWindowView view(appHelp());
        view.resize(820, 560);
        view.show();
        view.findChild<QSplitter*>()->setSizes({200, 620});
        view.sidebar()->searchField()->setText("timecode");
        testsupport::saveGalleryPicture(&view, QStringLiteral("help-search-narrow-") + theme.name);
        // A title that wraps onto a second line.
        view.sidebar()->searchField()->setText("console");
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.sidebar()->list()->count() > 0; }));
        testsupport::saveGalleryPicture(&view, QStringLiteral("help-search-wrapped-title-") + theme.name);
        view.sidebar()->searchField()->clear();
        testsupport::saveGalleryPicture(&view, QStringLiteral("help-topics-narrow-") + theme.name);
    }
    QApplication::setPalette(QPalette());
}
