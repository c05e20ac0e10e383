#include "PaneTestSupport.h"
#include "Vantrel/views/CommandBarView.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/SourceListPane.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <cstdio>

using namespace panetest;

// The source row, source pane and queue pane tests share one fixture in one test
// executable, so it is instantiated once, here: every pane test runs light and dark.
INSTANTIATE_TEST_SUITE_P(Appearance, PaneTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

namespace {

QStringList names(const AppModel& model) {
    QStringList result;
    for (const SourceItem& row : model.sources()) result << row.url.toLocalFile();
    return result;
}

// Drops the URLs on the pane as a move would be offered; gives the action the pane took.
Qt::DropAction drop(SourceListPane& pane, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(50, 50), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(&pane, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent event(QPointF(50, 50), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, {});
    QSignalSpy handled(&pane, &SourceListPane::dropHandled);
    QApplication::sendEvent(&pane, &event);
    EXPECT_TRUE(QTest::qWaitFor([&] { return handled.count() > 0; }, 30000));
    return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
}

TEST_P(PaneTest, DropsAddMoviesFromFilesAndFolders) {
    SourceListPane pane(model.get());
    pane.resize(1300, 500);
    pane.show();
    const QString cards = folder + QStringLiteral("/card");
    auto movie = [&](const QString& path, const QString& created) {
        auto recipe = testsupport::MovieRecipe{};
        recipe.seconds = 0.2;
        recipe.timecode = QStringLiteral("10:00:00:00");
        recipe.creationDate = created;
        QString error;
        EXPECT_TRUE(testsupport::makeMovie(path, recipe, &error)) << error.toStdString();
    };
    movie(cards + "/top.mov", "2024-05-01T10:00:05Z");  // 5 s off: mismatched
    movie(cards + "/sub/deep.mp4", "2024-05-01T10:00:00Z");
    movie(cards + "/.hidden.mov", "2024-05-01T10:00:00Z");
    movie(folder + "/loose.mov", "2024-05-01T10:00:00Z");
    testsupport::writeFile(cards + "/notes.txt", "not a movie");
    testsupport::writeFile(folder + "/readme.txt", "not a movie");

    // A folder URI has no trailing slash; a proposed move is taken as a copy.
    EXPECT_EQ(drop(pane, {QUrl::fromLocalFile(cards), QUrl::fromLocalFile(folder + "/readme.txt"),
                          QUrl::fromLocalFile(folder + "/loose.mov")}),
              Qt::CopyAction);
    EXPECT_EQ(names(*model), (QStringList{cards + "/sub/deep.mp4", cards + "/top.mov", folder + "/loose.mov"}));

    // Already listed, twice in one drop, or nothing usable: no change.
    QSignalSpy changes(model.get(), &AppModel::sourcesChanged);
    drop(pane, {QUrl::fromLocalFile(folder + "/loose.mov"), QUrl::fromLocalFile(folder + "/loose.mov")});
    drop(pane, {QUrl::fromLocalFile(folder + "/readme.txt"), QUrl::fromLocalFile(folder + "/missing.mov.txt")});
    EXPECT_EQ(drop(pane, {QUrl(QStringLiteral("https://example.com/a.mov"))}), Qt::IgnoreAction);
    EXPECT_EQ(model->sources().size(), 3);

    // Header: count, one mismatched row once analysed, and Clear.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->mismatchedSources() == 1; }, 30000));
    pane.refreshNow();
    EXPECT_EQ(pane.findChild<KelpSectionHead*>()->count(), QString("3"));
    auto* mismatched = child<SymbolText>(&pane, "mismatched");
    EXPECT_TRUE(mismatched->isVisibleTo(&pane));
    EXPECT_EQ(mismatched->text(), "1 mismatched");
    viewtest::saveGallery(&pane, gallery("source-list"));
    child<QAbstractButton>(&pane, "clear")->click();
    pane.refreshNow();
    EXPECT_TRUE(model->sources().isEmpty());
    EXPECT_FALSE(pane.findChild<KelpSectionHead*>()->count());
    EXPECT_FALSE(child<QWidget>(&pane, "clear")->isVisibleTo(&pane));
    EXPECT_TRUE(child<QWidget>(&pane, "emptyState")->isVisibleTo(&pane));
    EXPECT_EQ(child<RunsLabel>(&pane, "emptyHint")->text(), "or use Add Videos in the toolbar");
    viewtest::saveGallery(&pane, gallery("source-list-empty"));
}

// A dropped folder holding a movie whose name Qt cannot open: the header counts
// it, the console names it, and Clear forgets it.
TEST_P(PaneTest, DroppedFolderCountsTheFilesItCannotOpen) {
    SourceListPane pane(model.get());
    pane.resize(1300, 400);
    pane.show();
    const QString card = folder + QStringLiteral("/card");
    QDir().mkpath(card);
    testsupport::writeFile(card + "/good.mov", "not really a movie");
    const QByteArray bad = QFile::encodeName(card) + "/bad\xff.mov";
    FILE* file = std::fopen(bad.constData(), "w");
    ASSERT_TRUE(file);
    std::fclose(file);

    drop(pane, {QUrl::fromLocalFile(card)});
    pane.refreshNow();
    EXPECT_EQ(names(*model), QStringList{card + "/good.mov"});
    auto* skipped = child<SymbolText>(&pane, "skipped");
    EXPECT_TRUE(skipped->isVisibleTo(&pane));
    EXPECT_EQ(skipped->text(), "1 skipped");
    EXPECT_EQ(model->queue().logLines().filter(QStringLiteral("Skipped ")).size(), 1);
    viewtest::saveGallery(&pane, gallery("source-list-skipped"));
    child<QAbstractButton>(&pane, "clear")->click();
    pane.refreshNow();
    EXPECT_FALSE(skipped->isVisibleTo(&pane));
}

// A pane closed while its drop is still being scanned gets nothing afterwards.
TEST_P(PaneTest, PaneGoneBeforeItsDropScanEndsIsSafe) {
    const QString card = folder + QStringLiteral("/card");
    for (int i = 0; i < 50; ++i) testsupport::writeFile(card + QStringLiteral("/sub%1/clip.mov").arg(i), "x");
    auto pane = std::make_unique<SourceListPane>(model.get());
    int handled = 0;
    QObject::connect(pane.get(), &SourceListPane::dropHandled, [&] { ++handled; });
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(card)});
    QDropEvent event(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(pane.get(), &event);
    pane.reset();
    QThreadPool::globalInstance()->waitForDone();
    QTest::qWait(20);
    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(model->sources().isEmpty());
}

TEST_P(PaneTest, CommandBarSettings) {
    CommandBarView bar(model.get());
    bar.resize(1300, 52);
    bar.show();
    auto* value = child<KelpLabel>(&bar, "tolerance");
    const std::tuple<double, const char*, const char*> steps[] = {
        {0, "toleranceMinus", "0.0s"}, {60, "tolerancePlus", "60.0s"}, {59.8, "tolerancePlus", "60.0s"},
        {0.3, "toleranceMinus", "0.0s"}, {1, "tolerancePlus", "1.5s"}};
    for (const auto& [start, button, shown] : steps) {
        model->setTolerance(start);
        child<QAbstractButton>(&bar, button)->click();
        EXPECT_EQ(value->text(), QString(shown)) << start;
    }

    auto* tier = child<KelpMenuButton>(&bar, "verifyTier");
    EXPECT_EQ(tier->text(), "Standard");
    QStringList items;
    for (QAction* action : tier->menu()->actions()) items << action->text();
    EXPECT_EQ(items, (QStringList{"Off", "Standard", "Thorough"}));
    tier->menu()->actions().first()->trigger();
    bar.refreshNow();
    EXPECT_EQ(model->verifyTier(), VerifyTier::off);
    EXPECT_EQ(tier->text(), "Off");

    QLineEdit* pattern = child<QLineEdit>(&bar, nullptr);
    pattern->setFocus();
    pattern->selectAll();
    QTest::keyClick(pattern, Qt::Key_Backspace);
    EXPECT_EQ(model->namingPattern(), QString());
    EXPECT_EQ(pattern->placeholderText(), "{name}_TC");
    QTest::keyClicks(pattern, "{tc}");
    EXPECT_EQ(model->namingPattern(), "{tc}");

    model->setOutputFolder(QUrl::fromLocalFile(QStringLiteral("/media/Card One/Ünïcode <b>x</b>")));
    bar.refreshNow();
    EXPECT_EQ(child<KelpPathWell>(&bar, "outputFolder")->path(), QString("/media/Card One/Ünïcode <b>x</b>"));
    viewtest::saveGallery(&bar, gallery("command-bar"));
    model->setOutputFolder(std::nullopt);
    bar.refreshNow();
    EXPECT_FALSE(child<KelpPathWell>(&bar, "outputFolder")->path());
    viewtest::saveGallery(&bar, gallery("command-bar-no-folder"));
}

TEST_P(PaneTest, EnqueueButtonAndTheFixDefault) {
    CommandBarView bar(model.get());
    bar.resize(1300, 52);
    bar.show();
    addMissing({"a.mov", "b.mov", "c.mov"});
    for (const SourceItem& row : model->sources()) {
        model->setFixMode(row.id, FixMode::manual);
        model->setRateOverride(row.id, kRate25);
        model->setManualComponents(row.id, timecode::Timecode::Components{0, 1, 0, 0, 0, 0});
    }
    bar.refreshNow();
    auto* enqueue = child<KelpButton>(&bar, "enqueue");
    EXPECT_EQ(enqueue->text(), "Add 3 to Queue");
    EXPECT_FALSE(enqueue->isEnabled());
    EXPECT_EQ(enqueue->toolTip(), "Choose an output folder first");

    model->setOutputFolder(QUrl::fromLocalFile(folder + "/out"));
    for (int i = 1; i < 3; ++i) model->setIncluded(model->sources()[i].id, false);
    bar.refreshNow();
    EXPECT_EQ(enqueue->text(), "Add 1 to Queue");
    EXPECT_TRUE(enqueue->isEnabled());
    EXPECT_EQ(enqueue->toolTip(), "Add ready rows to the queue");
    enqueue->click();
    bar.refreshNow();
    EXPECT_EQ(model->queue().jobs().size(), 1);
    EXPECT_FALSE(model->queue().isProcessing());
    EXPECT_EQ(model->sources().size(), 2);
    EXPECT_EQ(enqueue->text(), "Add to Queue");
    EXPECT_FALSE(enqueue->isEnabled());

    // FIX: the active segment again returns a row switched by hand.
    auto* fix = child<KelpSegGroup>(&bar, "fixMode");
    model->setDefaultFixMode(FixMode::creationTime);
    model->setFixMode(model->sources()[0].id, FixMode::manual);
    bar.refreshNow();
    EXPECT_EQ(fix->activeLabel(), QString("Creation"));
    fix->segment(0)->click();
    EXPECT_EQ(model->sources()[0].fixMode, FixMode::creationTime);
}

}  // namespace
