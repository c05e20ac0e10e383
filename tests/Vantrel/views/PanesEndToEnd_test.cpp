// The whole road through the real window: movies added through the model and by
// a drop, the output folder set, "Add 2 to Queue", Start, clean seals and the
// right timecodes in the outputs, sources untouched, and the queue cleared by key.
#include "ShellTestSupport.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/PaneWidgets.h"
#include "Vantrel/views/QueuePaneView.h"
#include "Vantrel/views/QueueRowView.h"
#include "Vantrel/views/SourceListPane.h"

#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>

using namespace shelltest;

namespace {

class PanesEndToEnd : public ShellTest {};

TEST_F(PanesEndToEnd, FromDropToCleanSeals) {
    const QString in = pathOf("card");
    auto movie = [&](const QString& name, const QString& rate, std::optional<QString> timecode, const QString& created) {
        testsupport::MovieRecipe recipe;
        recipe.rate = rate;
        recipe.seconds = 0.5;
        recipe.timecode = std::move(timecode);
        recipe.creationDate = created;
        QString error;
        EXPECT_TRUE(testsupport::makeMovie(in + "/" + name, recipe, &error)) << error.toStdString();
        return in + "/" + name;
    };
    const QString pal = movie("pal.mov", "25", "10:00:00:00", "2024-05-01T11:22:33Z");
    const QString ntsc = movie("ntsc.mov", "30000/1001", "01:00:00;00", "2024-05-01T12:34:56Z");
    const QString bare = movie("bare.mov", "25", std::nullopt, "2024-05-01T09:00:00Z");
    const QString broken = in + "/broken.mov";
    ASSERT_TRUE(testsupport::writeFile(broken, QByteArray(4096, 'x')));
    QHash<QString, QString> hashes;
    for (const QString& path : {pal, ntsc, bare, broken}) hashes.insert(path, testsupport::sha256OfFile(path));

    VantrelApp::Options o = options();
    o.resolver = std::nullopt;  // the system's ffmpeg and ffprobe
    launch(std::move(o));
    app->show();
    MainWindow* window = app->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->objectName(), "main");
    AppModel* model = app->model();
    auto* sources = window->findChild<SourceListPane*>();
    auto* queuePane = window->findChild<QueuePaneView*>();
    ASSERT_TRUE(sources && queuePane);

    // Half through the model, half by one drop.
    model->addSources({QUrl::fromLocalFile(pal), QUrl::fromLocalFile(bare)});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(ntsc), QUrl::fromLocalFile(broken)});
    // As a drag does: it enters the pane, then drops there.
    QDragEnterEvent enter(QPoint(40, 80), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(sources, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(40, 80), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, {});
    QSignalSpy dropped(sources, &SourceListPane::dropHandled);
    QApplication::sendEvent(sources, &drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dropped.count() == 1; }, 30000));
    ASSERT_TRUE(QDir().mkpath(pathOf("out")));
    model->setOutputFolder(QUrl::fromLocalFile(pathOf("out")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return model->sources().size() == 4 &&
                   std::all_of(model->sources().cbegin(), model->sources().cend(), [](const SourceItem& row) {
                       return row.analysis.isDone() || row.analysis.kind() == SourceItem::AnalysisState::Kind::failed;
                   });
        },
        60000));
    sources->refreshNow();

    QHash<QString, QString> expected;  // output name → the start timecode its row resolved
    for (const SourceItem& row : model->sources())
        if (const auto tc = row.resolvedStartTimecode())
            expected.insert(row.url.fileName(), QString::fromStdString(tc->tc.stringValue()));
    EXPECT_EQ(expected.value("pal.mov"), "11:22:33:00");
    EXPECT_EQ(expected.value("ntsc.mov"), "12:34:56;00");

    auto* enqueue = window->findChild<QAbstractButton*>("enqueue");
    ASSERT_TRUE(QTest::qWaitFor([&] { return enqueue->text() == "Add 2 to Queue" && enqueue->isEnabled(); }, 30000));
    enqueue->click();
    ASSERT_EQ(model->queue().jobs().size(), 2);
    EXPECT_FALSE(model->queue().isProcessing());
    sources->refreshNow();
    for (const SourceItem& row : model->sources()) {
        QWidget* widget = sources->list()->rowWidget(row.id);
        ASSERT_TRUE(widget);
        if (row.url.fileName() == "bare.mov")
            EXPECT_TRUE(widget->findChild<QWidget*>("blocking")->isVisibleTo(widget));
        else
            EXPECT_TRUE(widget->findChild<QWidget*>("unreadable")->isVisibleTo(widget));
    }

    auto* start = window->findChild<QAbstractButton*>("start");
    ASSERT_TRUE(QTest::qWaitFor([&] { return start->isEnabled(); }, 30000));
    start->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& jobs = model->queue().jobs();
            return !model->queue().isProcessing() &&
                   std::all_of(jobs.cbegin(), jobs.cend(), [](const CorrectionJob& j) { return j.status.is(JobStatus::Kind::completed); });
        },
        120000))
        << model->queue().logLines().join('\n').toStdString();
    queuePane->refreshNow();
    for (const CorrectionJob& job : model->queue().jobs()) {
        SCOPED_TRACE(job.sourceName().toStdString());
        ASSERT_TRUE(job.verification);
        EXPECT_EQ(job.verification->outcome(), VerificationResult::Outcome::clean);
        EXPECT_EQ(testsupport::probeTimecode(job.outputPath), expected.value(job.sourceName()));
        QWidget* row = queuePane->list()->rowWidget(job.id);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->findChild<SymbolText*>("status")->symbol(), "checkmark.seal.fill");
    }
    for (auto it = hashes.cbegin(); it != hashes.cend(); ++it)
        EXPECT_EQ(testsupport::sha256OfFile(it.key()), it.value()) << it.key().toStdString();
    // The finished run (the help's own picture is HelpPictures_test's).
    if (testsupport::galleryWanted()) {
        window->resize(1280, 720);
        for (const auto& theme : testsupport::galleryThemes) {
            app->appearance()->setPreference(theme.dark ? AppearancePreference::dark : AppearancePreference::light);
            sources->refreshNow();
            queuePane->refreshNow();
            testsupport::saveGalleryPicture(window, QStringLiteral("main-window-after-run-") + theme.name);
        }
    }

    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    queuePane->refreshNow();
    EXPECT_TRUE(model->queue().jobs().isEmpty());
    EXPECT_TRUE(queuePane->findChild<QWidget*>("emptyState")->isVisibleTo(queuePane));
}

}  // namespace
