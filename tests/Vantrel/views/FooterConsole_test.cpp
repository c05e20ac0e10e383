#include "Vantrel/views/ConsoleView.h"
#include "Vantrel/views/FooterBar.h"

#include "PaneTestSupport.h"
#include "QueueTestSupport.h"

#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>

#include <cmath>
#include <limits>

using namespace panetest;
using Palette::Role;
using queuetest::FakeRunner;
using queuetest::makeJob;

namespace {

TEST(FooterText, Durations) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> rows[] = {
        {0.4, "1 sec"},  {59.4, "59 sec"}, {59.5, "1 min"}, {119, "1 min"},   {3599, "59 min"},
        {3600, "1 hr"},  {3659, "1 hr"},   {3660, "1 hr 1 min"}, {7322, "2 hr 2 min"},
        {NAN, ""},       {inf, ""},        {-inf, ""},      {1e15, ""},
    };
    for (const auto& [seconds, text] : rows) EXPECT_EQ(FooterBar::durationText(seconds), QString(text)) << seconds;
}

class Footer : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        viewtest::app();
        viewtest::setAppearance(GetParam());
        folder = testsupport::makeTestFolder(QStringLiteral("footer"));
    }
    void TearDown() override {
        footer.reset();
        console.reset();
        queue.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    void make(bool available = true) {
        runner->available = available;
        runner->finishAtOnce = false;
        queue = std::make_unique<CorrectionQueue>(runner, std::make_shared<queuetest::FakeVerifier>(), folder);
        footer = std::make_unique<FooterBar>(queue.get(), false);
        footer->resize(1100, 60);
        footer->show();
    }
    CorrectionJob job(const QString& name, JobStatus status = JobStatus::pending()) {
        auto j = makeJob(folder + "/" + name, folder + "/out/" + name);
        j.status = status;
        return j;
    }
    QWidget* find(const char* name) { return footer->findChild<QWidget*>(name); }
    bool shown(const char* name) { return find(name)->isVisibleTo(footer.get()); }
    QString gallery(const QString& name) { return name + (GetParam() ? "-dark" : "-light"); }

    QString folder;
    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::unique_ptr<CorrectionQueue> queue;
    std::unique_ptr<FooterBar> footer;
    std::unique_ptr<ConsoleView> console;
};

INSTANTIATE_TEST_SUITE_P(Appearance, Footer, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST_P(Footer, EmptyQueueAndMissingTool) {
    make(false);
    EXPECT_FALSE(shown("progressStrip"));
    EXPECT_TRUE(shown("queued") && shown("done"));
    EXPECT_FALSE(shown("flagged") || shown("failed") || shown("cancelled"));
    EXPECT_FALSE(shown("stop") || shown("timeLeft"));
    auto* start = static_cast<KelpButton*>(find("start"));
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(start->toolTip(), "Nothing to run");
    EXPECT_TRUE(shown("missingTool"));
    queue->enqueue(job("a.mov"));
    footer->refreshNow();
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(shown("progressStrip"));
    viewtest::saveGallery(footer.get(), gallery("footer-missing-tool"));

    QSignalSpy toggled(footer.get(), &FooterBar::showConsoleChanged);
    static_cast<QAbstractButton*>(find("consoleToggle"))->click();
    EXPECT_TRUE(footer->showConsole());
    EXPECT_EQ(find("consoleToggle")->toolTip(), "Hide console");
    EXPECT_EQ(toggled.count(), 1);
}

TEST_P(Footer, SegmentsCountersAndTheRun) {
    make();
    // Jobs carry their source's size, as enqueued ones do: the estimate of the job
    // still waiting does not depend on how long the running one has taken so far
    // (which may be no measurable time at all).
    for (const char* name : {"a.mov", "b.mov"}) {
        CorrectionJob sized = job(name);
        sized.totalSourceBytes = 300'000'000;
        queue->enqueue(sized);
    }
    footer->refreshNow();
    EXPECT_TRUE(FooterBar::progressSegments(*queue, GetParam()).isEmpty());
    auto* start = static_cast<KelpButton*>(find("start"));
    EXPECT_TRUE(start->isEnabled());
    EXPECT_EQ(start->toolTip(), "Run the queue");

    // A running job halfway in a queue of two: one accent quarter.
    start->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return runner->calls.size() == 1 && queue->activeJob(); }, 10000));
    runner->calls[0].progress(0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return queue->activeJob()->progress == 0.5; }, 10000));
    footer->refreshNow();
    auto segments = FooterBar::progressSegments(*queue, GetParam());
    ASSERT_EQ(segments.size(), 1);
    EXPECT_DOUBLE_EQ(segments[0].fraction, 0.25);
    EXPECT_EQ(segments[0].color, Palette::color(Role::accent, GetParam()));
    EXPECT_EQ(start->text(), "Running…");
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(start->toolTip(), "Nothing to run");
    EXPECT_TRUE(shown("stop"));
    EXPECT_TRUE(footer->isTicking());
    EXPECT_TRUE(shown("timeLeft"));
    const QString left = static_cast<KelpLabel*>(find("timeLeft"))->text();
    EXPECT_TRUE(left.startsWith("~") && left.endsWith(" left")) << left.toStdString();
    viewtest::saveGallery(footer.get(), gallery("footer-running"));

    static_cast<QAbstractButton*>(find("stop"))->click();
    ASSERT_TRUE(runner->lastRunStopped());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue->isProcessing(); }, 10000));
    footer->refreshNow();
    EXPECT_FALSE(footer->isTicking());
    EXPECT_FALSE(shown("stop") || shown("timeLeft"));
    EXPECT_TRUE(shown("cancelled"));
    EXPECT_EQ(static_cast<KelpLabel*>(find("cancelled")->findChild<QWidget*>("count"))->text(), "2");
}

TEST_P(Footer, FinishedSharesInOrder) {
    make();
    queue->enqueue(job("done.mov", JobStatus::completed()));
    queue->enqueue(job("failed.mov", JobStatus::failed("x")));
    queue->enqueue(job("a.mov"));
    queue->enqueue(job("b.mov"));
    footer->refreshNow();
    const auto segments = FooterBar::progressSegments(*queue, GetParam());
    ASSERT_EQ(segments.size(), 2);
    EXPECT_DOUBLE_EQ(segments[0].fraction, 0.25);
    EXPECT_EQ(segments[0].color, Palette::color(Role::success, GetParam()));
    EXPECT_DOUBLE_EQ(segments[1].fraction, 0.25);
    EXPECT_EQ(segments[1].color, Palette::color(Role::danger, GetParam()));
    EXPECT_TRUE(shown("failed"));
    EXPECT_FALSE(shown("flagged"));
    EXPECT_FALSE(shown("persistenceError"));

    // A queue file that cannot be written: the queue's own message, on one line.
    QFile::remove(folder + "/queue.json");
    ASSERT_TRUE(QDir().mkpath(folder + "/queue.json"));
    queue->enqueue(job("c.mov"));
    footer->refreshNow();
    auto* warning = static_cast<SymbolText*>(find("persistenceError"));
    EXPECT_TRUE(shown("persistenceError"));
    EXPECT_EQ(warning->text(), *queue->persistenceError());
    EXPECT_LE(warning->height(), 20);
    viewtest::saveGallery(footer.get(), gallery("footer"));
}

// The strip is drawn in the colours of the appearance in force, from the moment
// of a switch on, like every pane; both ways, back and forth.
TEST_P(Footer, StripFollowsAnAppearanceSwitch) {
    make();
    CorrectionJob flagged = job("flagged.mov", JobStatus::completed());
    flagged.verification = queuetest::resultOf(VerifyTier::standard, {CheckSeverity::warning});
    queue->enqueue(flagged);
    queue->enqueue(job("cancelled.mov", JobStatus::cancelled()));
    footer->refreshNow();
    ASSERT_EQ(queue->flaggedCount(), 1);
    ASSERT_EQ(queue->cancelledCount(), 1);
    auto* strip = find("progressStrip");
    const int w = strip->width();
    for (const bool dark : {GetParam(), !GetParam(), GetParam()}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        viewtest::setAppearance(dark);
        EXPECT_EQ(viewtest::pixelAt(strip, {w / 4, 2}), Palette::color(Role::warning, dark));
        EXPECT_EQ(viewtest::pixelAt(strip, {3 * w / 4, 2}), Palette::color(Role::textTertiary, dark));
        EXPECT_EQ(viewtest::pixelAt(find("flagged")->findChild<QWidget*>("count"), {1, 1}),
                  Palette::color(Role::barBackground, dark));
        if (dark != GetParam())
            viewtest::saveGallery(footer.get(), QString("footer-switched-to-") + (dark ? "dark" : "light"));
    }
}

TEST_P(Footer, ConsoleCopiesClearsAndFollowsTheTail) {
    make();
    console = std::make_unique<ConsoleView>(queue.get());
    console->resize(900, ConsoleView::paneHeight);
    console->show();
    auto* copy = console->findChild<QWidget*>("copyAll");
    auto* clear = console->findChild<QWidget*>("clear");
    EXPECT_FALSE(copy->isEnabled() || clear->isEnabled());
    EXPECT_EQ(console->text()->placeholderText(), "Console output appears here during runs.");
    viewtest::saveGallery(console.get(), gallery("console-empty"));

    queue->log("one");
    queue->log("two");
    queue->log("three");
    EXPECT_TRUE(copy->isEnabled() && clear->isEnabled());
    static_cast<QAbstractButton*>(copy)->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), queue->logLines().join('\n'));
    EXPECT_EQ(QGuiApplication::clipboard()->text().count('\n'), 2);
    EXPECT_EQ(console->text()->toPlainText(), queue->logLines().join('\n'));

    // Opening shows the log from its first line; the next line scrolls to the end.
    for (int i = 0; i < 60; ++i) queue->log(QString("line %1").arg(i));
    console = std::make_unique<ConsoleView>(queue.get());
    console->resize(900, ConsoleView::paneHeight);
    console->show();
    QScrollBar* bar = console->text()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
    QSignalSpy followed(console.get(), &ConsoleView::followedTail);
    queue->log("newest");
    ASSERT_TRUE(followed.wait(5000));
    EXPECT_EQ(bar->value(), bar->maximum());
    viewtest::saveGallery(console.get(), gallery("console"));

    QSignalSpy cleared(queue.get(), &CorrectionQueue::logCleared);
    static_cast<QAbstractButton*>(console->findChild<QWidget*>("clear"))->click();
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_TRUE(queue->logLines().isEmpty());
    EXPECT_TRUE(console->text()->toPlainText().isEmpty());
    EXPECT_FALSE(console->findChild<QWidget*>("copyAll")->isEnabled());

    // Switching the appearance recolours the log at once.
    viewtest::setAppearance(!GetParam());
    EXPECT_EQ(console->text()->palette().color(QPalette::Base), Palette::color(Role::consoleBackground, !GetParam()));
    EXPECT_EQ(console->text()->palette().color(QPalette::Text), Palette::color(Role::textSecondary, !GetParam()));
}

}  // namespace
