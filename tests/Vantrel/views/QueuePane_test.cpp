#include "Vantrel/views/QueuePaneView.h"

#include "PaneTestSupport.h"
#include "QueueTestSupport.h"
#include "Vantrel/views/FileReveal.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/QueueRowView.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QVBoxLayout>

using namespace panetest;
using Palette::Role;
using queuetest::makeJob;
using queuetest::resultOf;
using Kind = JobStatus::Kind;

namespace {

CorrectionJob job(const QString& name, JobStatus status, std::optional<VerificationResult> verification = {},
                  double progress = 0) {
    CorrectionJob j = makeJob("/videos/" + name, "/out/" + QString(name).replace(".mov", "_TC.mov"));
    j.status = std::move(status);
    j.verification = std::move(verification);
    j.progress = progress;
    return j;
}

QStringList shownButtons(QueueRowView& row) {
    QStringList names;
    for (auto* button : row.findChildren<KelpIconButton*>())
        if (button->isVisibleTo(&row)) names << button->objectName();
    names.sort();
    return names;
}

SymbolText* status(QueueRowView& row) { return row.findChild<SymbolText*>("status"); }

TEST(QueueRow, EachStatusShowsItsWordColourAndButtons) {
    viewtest::app();
    struct Case {
        CorrectionJob job;
        QString symbol, word;
        Role role;
        QStringList buttons;
        bool progress;
    };
    const Case cases[] = {
        {job("p.mov", JobStatus::pending()), "clock", "Queued", Role::textSecondary, {"remove"}, false},
        {job("r.mov", JobStatus::preparing()), "gearshape.2", "Preparing", Role::warning, {"cancel"}, true},
        {job("a.mov", JobStatus::active(), {}, 0.42), "arrow.triangle.2.circlepath", "Correcting", Role::warning,
         {"cancel"}, true},
        {job("c.mov", JobStatus::completed()), "checkmark.circle.fill", "Completed", Role::success,
         {"remove", "reveal", "verifyThorough"}, false},
        {job("w.mov", JobStatus::completed(), resultOf(VerifyTier::standard, {CheckSeverity::warning})),
         "checkmark.circle.fill", "Completed", Role::warning, {"remove", "reveal", "verifyThorough"}, false},
        {job("x.mov", JobStatus::cancelled()), "stop.circle.fill", "Cancelled", Role::textTertiary,
         {"remove", "retry"}, false},
        {job("f.mov", JobStatus::failed("Disk full")), "xmark.circle.fill", "Failed", Role::danger,
         {"remove", "retry"}, false},
    };
    QueueRowView row;
    row.resize(900, 80);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word.toStdString());
        row.setJob(c.job, {}, {});
        auto* icon = row.findChild<SymbolText*>("statusIcon");
        EXPECT_EQ(icon->symbol(), c.symbol);
        EXPECT_EQ(icon->role(), c.role);
        EXPECT_EQ(status(row)->text(), c.word);
        EXPECT_EQ(shownButtons(row), c.buttons);
        auto* bar = row.findChild<KelpProgressBar*>("progress");
        EXPECT_EQ(bar->isVisibleTo(&row), c.progress);
        if (c.progress) {
            EXPECT_DOUBLE_EQ(bar->fraction(), c.job.progress);
        }
        EXPECT_EQ(row.findChild<KelpLabel*>("destination")->text(),
                  "→ " + c.job.outputName() + " · 01:00:00:00");
    }
}

TEST(QueueRow, VerificationSealsChipsAndTheVerifyingState) {
    viewtest::app();
    QueueRowView row;
    row.resize(900, 80);
    const auto clean = job("c.mov", JobStatus::completed(), resultOf(VerifyTier::standard, {CheckSeverity::pass}));
    row.setJob(clean, {}, {});
    EXPECT_EQ(status(row)->symbol(), "checkmark.seal.fill");
    EXPECT_EQ(status(row)->role(), Role::success);
    EXPECT_EQ(status(row)->toolTip(), "All checks passed.");
    EXPECT_EQ(QueueRowView::heightFor(clean, false), QueueRowView::heightFor(job("p.mov", JobStatus::pending()), false));

    using S = CheckSeverity;
    auto six = job("six.mov", JobStatus::completed(),
                   resultOf(VerifyTier::standard, {S::fail, S::pass, S::warning, S::info, S::warning, S::fail,
                                                   S::warning, S::warning}));
    row.setJob(six, {}, {});
    EXPECT_EQ(status(row)->symbol(), "xmark.seal.fill");
    auto chips = row.findChildren<VerificationChip*>();
    ASSERT_EQ(chips.size(), 4);
    EXPECT_EQ(chips[0]->role(), Role::danger);
    EXPECT_EQ(chips[0]->symbol(), "xmark.octagon.fill");
    EXPECT_EQ(chips[0]->toolTip(), "detail 0");
    EXPECT_EQ(chips[1]->role(), Role::warning);
    EXPECT_EQ(chips[1]->symbol(), "exclamationmark.triangle.fill");
    ASSERT_TRUE(row.findChild<KelpLabel*>("moreChips"));
    EXPECT_EQ(row.findChild<KelpLabel*>("moreChips")->text(), "+2");
    EXPECT_GT(QueueRowView::heightFor(six, false), QueueRowView::heightFor(clean, false));

    auto four = job("four.mov", JobStatus::completed(),
                    resultOf(VerifyTier::standard, {S::warning, S::warning, S::fail, S::warning}));
    row.setJob(four, {}, {});
    EXPECT_EQ(row.findChildren<VerificationChip*>().size(), 4);
    EXPECT_FALSE(row.findChild<KelpLabel*>("moreChips"));

    // A thorough verification on request: seal kept, chips hidden, no second verify;
    // the job can still be removed.
    row.setJob(four, {true, true, true}, {});
    EXPECT_EQ(status(row)->symbol(), "xmark.seal.fill");
    EXPECT_FALSE(row.findChild<QWidget*>("chips")->isVisibleTo(&row));
    EXPECT_EQ(row.findChild<KelpLabel*>("verifyingText")->text(), "Verifying (byte-exact)…");
    EXPECT_FALSE(row.findChild<QWidget*>("verifyThorough")->isEnabled());
    EXPECT_TRUE(row.findChild<QWidget*>("remove")->isEnabled());
    // Another job is being verified: this one cannot start a second verification.
    row.setJob(four, {false, false, true}, {});
    EXPECT_FALSE(row.findChild<QWidget*>("verifyThorough")->isEnabled());
    EXPECT_TRUE(row.findChild<QWidget*>("remove")->isEnabled());

    // Verified right after its correction: spinner and "Verifying" instead of the bar.
    row.setJob(job("v.mov", JobStatus::active(), {}, 1.0), {true, false, true}, {});
    EXPECT_TRUE(row.findChild<QWidget*>("verifying")->isVisibleTo(&row));
    EXPECT_FALSE(row.findChild<QWidget*>("progress")->isVisibleTo(&row));
    EXPECT_EQ(row.findChild<KelpLabel*>("verifyingText")->text(), "Verifying…");
    EXPECT_EQ(status(row)->text(), "Verifying");
    EXPECT_EQ(status(row)->role(), Role::warning);
}

// Every text a widget and those in it give: captions, titles, tooltips and what
// they tell a screen reader.
QStringList everyText(QWidget* root) {
    QStringList texts;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        texts << w->toolTip() << w->statusTip() << w->whatsThis() << w->accessibleName() << w->accessibleDescription();
        if (auto* label = qobject_cast<KelpLabel*>(w)) texts << label->text();
        if (auto* symbolText = qobject_cast<SymbolText*>(w)) texts << symbolText->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
        if (QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(w))
            texts << spoken->text(QAccessible::Name) << spoken->text(QAccessible::Description);
    }
    texts.removeAll(QString());
    return texts;
}

// A failed job's message shows nowhere in its row, however short or long.
TEST(QueueRow, AFailedRowShowsNoFailureMessage) {
    viewtest::app();
    QString output = QStringLiteral("Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'clip.mov':\n");
    for (int i = 0; i < 40; ++i) output += QStringLiteral("    Stream #0:%1: Video: h264, 1920x1080\n").arg(i);
    output += QStringLiteral("[mov @ 0x55d0] Error writing trailer of out.mov: No space left on device\r\n\n");
    const QString messages[] = {QStringLiteral("Source file is unreachable: clip.mov"),
                                QStringLiteral("FFmpeg exited with status 1."), output};
    for (const QString& message : messages) {
        SCOPED_TRACE(message.left(40).toStdString());
        QueueRowView row;
        row.setJob(job("f.mov", JobStatus::failed(message)), {}, {});
        const QStringList texts = everyText(&row);
        for (const QString& line : message.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
            for (const QString& text : texts)
                EXPECT_FALSE(text.contains(line.trimmed())) << text.toStdString();
    }
}

namespace {

// A queue pane and footer over a queue whose runner and verifier the test drives.
class LiveQueue : public ::testing::Test {
protected:
    void SetUp() override {
        viewtest::app();
        folder = testsupport::makeTestFolder(QStringLiteral("live-queue"));
        // The output folder is there before any run, as a chosen one is: a run makes
        // and holds its partial file in it before the tool starts.
        QDir().mkpath(folder + QStringLiteral("/out"));
        queue = std::make_unique<CorrectionQueue>(runner, verifier, folder + QStringLiteral("/storage"));
        pane = std::make_unique<QueuePaneView>(queue.get());
        pane->resize(1000, 420);
        pane->show();
        footer = std::make_unique<FooterBar>(queue.get(), false);
        footer->resize(1000, 60);
        footer->show();
    }
    void TearDown() override {
        footer.reset();
        pane.reset();
        queue.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    QWidget* row(const CorrectionJob& job) const { return pane->list()->rowWidget(job.id); }
    CorrectionJob add(const QString& name, VerifyTier tier) {
        auto j = makeJob(folder + "/src/" + name, folder + "/out/" + name + "_TC.mov", tier);
        queue->enqueue(j);
        return j;
    }

    QString folder;
    std::shared_ptr<queuetest::FakeRunner> runner = std::make_shared<queuetest::FakeRunner>();
    std::shared_ptr<queuetest::FakeVerifier> verifier = std::make_shared<queuetest::FakeVerifier>();
    std::unique_ptr<CorrectionQueue> queue;
    std::unique_ptr<QueuePaneView> pane;
    std::unique_ptr<FooterBar> footer;
};

}  // namespace

// A progress tick fills in the running job's row; the other rows are not set again.
TEST_F(LiveQueue, AProgressTickRefillsOnlyItsRow) {
    runner->finishAtOnce = false;
    const auto running = add("running.mov", VerifyTier::off);
    const auto waiting = add("waiting.mov", VerifyTier::off);
    queue->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return runner->calls.size() == 1; }, 10000));
    pane->refreshNow();
    ASSERT_TRUE(row(running) && row(waiting));
    auto* waitingName = row(waiting)->findChildren<KelpLabel*>().first();
    ASSERT_EQ(waitingName->text(), "waiting.mov");
    waitingName->setText("not set again");

    runner->calls[0].progress(0.4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return queue->jobs()[0].progress == 0.4; }, 10000));
    pane->refreshNow();
    footer->refreshNow();
    EXPECT_DOUBLE_EQ(row(running)->findChild<KelpProgressBar*>("progress")->fraction(), 0.4);
    EXPECT_EQ(waitingName->text(), "not set again");
    const auto segments = FooterBar::progressSegments(*queue, false);
    ASSERT_EQ(segments.size(), 1);
    EXPECT_DOUBLE_EQ(segments[0].fraction, 0.2);

    // A change of the list sets every row again.
    add("third.mov", VerifyTier::off);
    pane->refreshNow();
    EXPECT_EQ(waitingName->text(), "waiting.mov");
    queue->stop();
    ASSERT_TRUE(runner->lastRunStopped());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue->isProcessing(); }, 10000));
}

// Stop while the thorough checks run: the row says Cancelled at once, while the
// checks go on to their end and their result then decides how the job ends; the
// footer shows the queue running until then.
TEST_F(LiveQueue, StopDuringAVerificationLetsTheChecksDecide) {
    verifier->holdThorough = true;
    const auto clip = add("clip.mov", VerifyTier::thorough);
    queue->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return verifier->held != nullptr; }, 10000));
    pane->refreshNow();
    footer->refreshNow();
    auto* start = footer->findChild<KelpButton*>("start");
    auto* stop = footer->findChild<QAbstractButton*>("stop");
    auto* verifying = row(clip)->findChild<QWidget*>("verifying");
    EXPECT_TRUE(verifying->isVisibleTo(row(clip)));
    EXPECT_EQ(start->text(), "Running…");

    stop->click();
    pane->refreshNow();
    footer->refreshNow();
    EXPECT_FALSE(verifier->held->future().isCanceled());
    EXPECT_EQ(status(*static_cast<QueueRowView*>(row(clip)))->text(), "Cancelled");
    EXPECT_TRUE(verifying->isVisibleTo(row(clip)));
    EXPECT_EQ(start->text(), "Running…");

    verifier->releaseHeld();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !queue->isProcessing(); }, 10000));
    pane->refreshNow();
    footer->refreshNow();
    EXPECT_EQ(queue->jobs().first().status, JobStatus::completed());
    EXPECT_EQ(status(*static_cast<QueueRowView*>(row(clip)))->text(), "Completed");
    EXPECT_FALSE(verifying->isVisibleTo(row(clip)));
    EXPECT_EQ(start->text(), "Start");
    EXPECT_FALSE(stop->isVisibleTo(footer.get()));
}

// The row's × while the job's checks run. After a Stop that came too late to stop
// the job, or during a thorough verification asked for by hand, it removes the job
// and its row at once; the checks run on to their end, their console line is
// written and the output takes its name, with no partial file left. Before any
// Stop it is the job's cancel, and the checks then decide how the job ends.
TEST_F(LiveQueue, TheRowsCrossWhileTheChecksRun) {
    struct Case {
        const char* name;
        VerifyTier tier;
        bool byHand;        // a thorough verification of the completed job
        bool stopped;       // Stop once the checks run
        const char* cross;  // what the × is
        const char* line;   // the checks' console line, before the source name
    };
    const Case cases[] = {
        {"standard checks after a late Stop", VerifyTier::standard, false, true, "remove", "VERIFY ✓: "},
        {"thorough checks after a late Stop", VerifyTier::thorough, false, true, "remove", "VERIFY ✓: "},
        {"thorough checks asked for by hand", VerifyTier::off, true, false, "remove", "VERIFY ✓ (manual): "},
        {"thorough checks before any Stop", VerifyTier::thorough, false, false, "cancel", "VERIFY ✓: "},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = QStringLiteral("clip%1.mov").arg(++n);
        verifier->holdStandard = c.tier == VerifyTier::standard;
        verifier->holdThorough = !verifier->holdStandard;
        const CorrectionJob clip = add(source, c.tier);
        queue->start();
        if (c.byHand) {
            ASSERT_TRUE(QTest::qWaitFor([&] {
                return !queue->isProcessing() && queue->jobs().last().status == JobStatus::completed();
            }, 10000));
            queue->manualThoroughVerify(clip.id);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return verifier->held || verifier->heldStandard; }, 10000));
        if (c.stopped) queue->stop();
        pane->refreshNow();
        ASSERT_TRUE(row(clip));
        EXPECT_TRUE(row(clip)->findChild<QWidget*>("verifying")->isVisibleTo(row(clip)));
        auto* cross = row(clip)->findChild<QAbstractButton*>(c.cross);
        ASSERT_TRUE(cross && cross->isVisibleTo(row(clip)));
        EXPECT_TRUE(cross->isEnabled());
        cross->click();
        pane->refreshNow();
        const bool removed = QString::fromLatin1(c.cross) == QStringLiteral("remove");
        EXPECT_EQ(row(clip) == nullptr, removed);
        EXPECT_EQ(queue->indexOfJob(clip.id).has_value(), !removed);

        if (verifier->heldStandard) verifier->releaseHeldStandard();
        if (verifier->held) verifier->releaseHeld();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !queue->isProcessing() && !queue->currentlyVerifyingJobId(); }, 10000));
        queue->waitForSaves();
        pane->refreshNow();
        EXPECT_TRUE(queuetest::messages(*queue).contains(QString::fromUtf8(c.line) + source));
        EXPECT_EQ(queue->indexOfJob(clip.id).has_value(), !removed);
        if (!removed) {
            EXPECT_EQ(queue->jobs().last().status, JobStatus::completed());
            EXPECT_EQ(status(*static_cast<QueueRowView*>(row(clip)))->text(), "Completed");
        }
        EXPECT_TRUE(QFileInfo(clip.outputPath).isFile());
        EXPECT_EQ(QDir(folder + "/out").entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\.")),
                  QStringList());
    }
}

TEST_P(PaneTest, QueuePaneHeaderRowsAndActions) {
    CorrectionQueue& queue = model->queue();
    QueuePaneView pane(&queue);
    pane.resize(1000, 420);
    pane.show();
    QStringList revealed;
    pane.setRevealer([&](const QString& path) { revealed << path; });
    auto* head = pane.findChild<KelpSectionHead*>();
    auto* clearFinished = pane.findChild<QWidget*>("clearFinished");
    auto* clearQueue = pane.findChild<QWidget*>("clearQueue");
    EXPECT_FALSE(head->count());
    EXPECT_FALSE(clearFinished->isVisibleTo(&pane) || clearQueue->isVisibleTo(&pane));
    EXPECT_TRUE(pane.findChild<QWidget*>("emptyState")->isVisibleTo(&pane));
    viewtest::saveGallery(&pane, gallery("queue-empty"));

    const auto pending = job("pending.mov", JobStatus::pending());
    queue.enqueue(pending);
    pane.refreshNow();
    EXPECT_EQ(head->count(), QString("1"));
    EXPECT_TRUE(clearQueue->isVisibleTo(&pane));
    EXPECT_FALSE(clearFinished->isVisibleTo(&pane));

    using S = CheckSeverity;
    const auto done = job("done.mov", JobStatus::completed(), resultOf(VerifyTier::standard, {S::pass, S::warning, S::fail}));
    queue.enqueue(done);
    queue.enqueue(job("failed.mov", JobStatus::failed("Could not write the output")));
    queue.enqueue(job("running.mov", JobStatus::active(), {}, 0.6));
    pane.refreshNow();
    EXPECT_EQ(head->count(), QString("4"));
    EXPECT_TRUE(clearFinished->isVisibleTo(&pane));
    viewtest::saveGallery(&pane, gallery("queue"));

    auto* doneRow = pane.list()->rowWidget(done.id);
    ASSERT_TRUE(doneRow);
    EXPECT_EQ(doneRow->property("rowId").toString(), done.id.toString(QUuid::WithoutBraces));
    doneRow->findChild<QAbstractButton*>("reveal")->click();
    EXPECT_EQ(revealed, QStringList{done.outputPath});
    pane.list()->rowWidget(pending.id)->findChild<QAbstractButton*>("remove")->click();
    EXPECT_FALSE(queue.indexOfJob(pending.id));
    static_cast<QAbstractButton*>(clearFinished)->click();
    pane.refreshNow();
    EXPECT_EQ(queue.jobs().size(), 1);
    EXPECT_EQ(queue.jobs().first().sourceName(), "running.mov");
    EXPECT_FALSE(clearFinished->isVisibleTo(&pane));
}

// A private session bus with a stand-in file manager.
class FileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown << uris; }
};

TEST(Reveal, AsksTheFileManagerOrOpensTheFolder) {
    viewtest::app();
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted(10000)) GTEST_SKIP() << "no dbus-daemon";
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, "reveal-service");
        QDBusConnection client = QDBusConnection::connectToBus(address, "reveal-client");
        ASSERT_TRUE(service.isConnected() && client.isConnected());
        QObject context;
        QList<QUrl> opened;
        auto open = [&](const QUrl& folder) { opened << folder; };

        // No file manager on the bus: the folder opens instead.
        revealInFileManager("/out/a b/clip_TC.mov", client, open, &context);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10000));
        EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile("/out/a b")});

        FileManager manager;
        ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &manager, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
        revealInFileManager("/out/a b/clip_TC.mov", client, open, &context);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.shown.isEmpty(); }, 10000));
        EXPECT_EQ(manager.shown, QStringList{"file:///out/a%20b/clip_TC.mov"});
        QTest::qWait(0);
        EXPECT_EQ(opened.size(), 1);
    }
    QDBusConnection::disconnectFromBus("reveal-service");
    QDBusConnection::disconnectFromBus("reveal-client");
    daemon.kill();
    daemon.waitForFinished();
}

TEST_P(PaneTest, QueueRowGallery) {
    QVBoxLayout* column = nullptr;
    auto sheet = makeSheet(&column);
    using S = CheckSeverity;
    const std::tuple<CorrectionJob, QueueRowView::State> rows[] = {
        {job("A001_C002_queued.mov", JobStatus::pending()), {}},
        {job("preparing.mov", JobStatus::preparing()), {}},
        {job("correcting.mov", JobStatus::active(), {}, 0.42), {}},
        {job("verifying.mov", JobStatus::active(), {}, 1), {true, false, true}},
        {job("deep.mov", JobStatus::active(), {}, 1), {true, true, true}},
        {job("stopped-while-verifying.mov", JobStatus::cancelled()), {true, false, true}},
        {job("clean.mov", JobStatus::completed(), resultOf(VerifyTier::standard, {S::pass})), {false, false, true}},
        {job("warnings.mov", JobStatus::completed(), resultOf(VerifyTier::standard, {S::pass, S::warning, S::warning})), {}},
        {job("six-problems.mov", JobStatus::completed(),
             resultOf(VerifyTier::thorough, {S::fail, S::warning, S::warning, S::fail, S::warning, S::warning})), {}},
        {job("unverified.mov", JobStatus::completed()), {}},
        {job("cancelled.mov", JobStatus::cancelled()), {}},
        {job("failed-with-a-rather-long-file-name-from-the-camera-card-0001.mov", JobStatus::failed("boom")), {}},
    };
    int height = 0;
    for (const auto& [j, state] : rows) {
        auto* row = new QueueRowView(sheet.get());
        row->setJob(j, state, {});
        const int h = QueueRowView::heightFor(j, state.isVerifying);
        row->setFixedHeight(h);
        height += h;
        column->addWidget(row);
    }
    sheet->resize(1000, height);
    sheet->show();
    viewtest::saveGallery(sheet.get(), gallery("queue-rows"));
}

}  // namespace

#include "QueuePane_test.moc"
