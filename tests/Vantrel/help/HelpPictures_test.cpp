// The picture of the main window in the help's welcome topic, light and dark, as a
// user would see it mid-shoot: a batch of clips already corrected in the queue and
// the next clips read, with their real embedded and creation timecodes. The
// pictures go to $VANTREL_GALLERY_DIR as help-main-window-{light,dark}.png; the
// files src/Vantrel/help/main-window-*.png are made from them with ImageMagick,
// reduced to a small palette:
//   convert help-main-window-dark.png -strip -dither None -colors 128 PNG8:main-window-dark.png
#include "ShellTestSupport.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/ContentView.h"
#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/PaneWidgets.h"
#include "Vantrel/views/QueuePaneView.h"
#include "Vantrel/views/SourceListPane.h"

using namespace shelltest;

namespace {

class HelpPictures : public ShellTest {
protected:
    // A clip as the camera wrote it: its rate, the timecode it started at and the
    // moment it was recorded.
    QString clip(const QString& name, const QString& rate, const QString& timecode, const QString& recorded) {
        testsupport::MovieRecipe recipe;
        recipe.rate = rate;
        recipe.seconds = 0.4;
        recipe.timecode = timecode;
        recipe.creationDate = recorded;
        const QString path = shoot + QLatin1Char('/') + name;
        QString error;
        EXPECT_TRUE(testsupport::makeMovie(path, recipe, &error)) << error.toStdString();
        return path;
    }

    bool allRead() const {
        const auto& rows = app->model()->sources();
        return std::all_of(rows.cbegin(), rows.cend(), [](const SourceItem& row) { return row.analysis.isDone(); });
    }

    QString shoot;
};

TEST_F(HelpPictures, WelcomeShowsAShootMidway) {
    // Where the folders would be on a user's machine, as the well shows them.
    const QString shown = QStringLiteral("~/Movies/Shoot 2024-05-01/Corrected");
    shoot = pathOf(QStringLiteral("Movies/Shoot 2024-05-01"));
    const QString corrected = shoot + QStringLiteral("/Corrected");
    ASSERT_TRUE(QDir().mkpath(corrected));
    const QStringList first = {
        clip("A001_C001_0501KD.mov", "25", "13:40:58:00", "2024-05-01T13:41:05Z"),
        clip("A001_C002_0501KD.mov", "25", "13:40:58:00", "2024-05-01T13:52:40Z"),
        clip("A001_C003_0501KD.mov", "25", "13:40:58:00", "2024-05-01T13:58:12Z"),
    };
    const QStringList next = {
        clip("A001_C004_0501KD.mov", "25", "14:02:10:12", "2024-05-01T14:02:11Z"),
        clip("A001_C005_0501KD.mov", "25", "10:00:00:00", "2024-05-01T14:09:47Z"),
        clip("B002_C001_0501RT.mov", "30000/1001", "14:15:02;10", "2024-05-01T14:15:02Z"),
        clip("B002_C002_0501RT.mov", "30000/1001", "14:20:31;02", "2024-05-01T14:20:31Z"),
    };

    settings->setValue(ContentView::showConsoleKey, false);
    VantrelApp::Options o = options();
    o.resolver = std::nullopt;  // the system's ffmpeg and ffprobe
    launch(std::move(o));
    app->show();
    MainWindow* window = app->window();
    window->resize(1280, 720);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    AppModel* model = app->model();
    auto* sources = window->findChild<SourceListPane*>();
    auto* queue = window->findChild<QueuePaneView*>();
    ASSERT_TRUE(sources && queue);

    // The first clips, corrected to their time of day and verified.
    model->setOutputFolder(QUrl::fromLocalFile(corrected));
    QList<QUrl> urls;
    for (const QString& path : first) urls << QUrl::fromLocalFile(path);
    model->addSources(urls);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->sources().size() == 3 && allRead(); }, 60000));
    ASSERT_EQ(model->enqueueReadyRows(), 3);
    model->queue().start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& jobs = model->queue().jobs();
            return !model->queue().isProcessing() && std::all_of(jobs.cbegin(), jobs.cend(), [](const CorrectionJob& j) {
                       return j.status.is(JobStatus::Kind::completed) && j.verification;
                   });
        },
        120000))
        << model->queue().logLines().join('\n').toStdString();

    // The next clips, read: one within tolerance, one whose camera was never set,
    // two at 29.97 drop-frame, the last typed by hand.
    urls.clear();
    for (const QString& path : next) urls << QUrl::fromLocalFile(path);
    model->addSources(urls);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->sources().size() == 4 && allRead(); }, 60000));
    const QUuid typed = model->sources().last().id;
    model->setFixMode(typed, FixMode::manual);
    model->setManualComponents(typed, timecode::Timecode::Components{0, 14, 20, 30, 0, 0});

    sources->refreshNow();
    queue->refreshNow();
    QCoreApplication::processEvents();
    // What the picture shows: real timecodes in every row, no test folder.
    for (const SourceItem& row : model->sources()) {
        QWidget* widget = sources->list()->rowWidget(row.id);
        ASSERT_TRUE(widget);
        for (const char* name : {"embedded", "creation"}) {
            const QString text = widget->findChild<vantrel::KelpLabel*>(QLatin1String(name))->text();
            EXPECT_TRUE(text.front().isDigit()) << name << ": " << text.toStdString();
        }
    }
    auto* well = window->findChild<vantrel::KelpPathWell*>(QStringLiteral("outputFolder"));
    ASSERT_TRUE(well);
    EXPECT_EQ(well->path(), corrected);
    if (!testsupport::galleryWanted()) return;
    for (const auto& theme : testsupport::galleryThemes) {
        app->appearance()->setPreference(theme.dark ? AppearancePreference::dark : AppearancePreference::light);
        sources->refreshNow();
        queue->refreshNow();
        QCoreApplication::processEvents();
        well->setPath(shown);
        testsupport::saveGalleryPicture(window, QStringLiteral("help-main-window-") + theme.name);
    }
}

}  // namespace
