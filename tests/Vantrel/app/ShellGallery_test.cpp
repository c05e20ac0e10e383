// Pictures of the window, its menus, the update dialogs, the question of a quit
// that would lose jobs and the icons, light and dark, written to
// $VANTREL_GALLERY_DIR (nothing when it is unset).
#include "ShellTestSupport.h"
#include "Vantrel/app/AppIconController.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/app/UpdaterController.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/ContentView.h"

#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSignalSpy>

using namespace shelltest;

namespace {

class ShellGallery : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        gallery = qEnvironmentVariable("VANTREL_GALLERY_DIR");
        if (gallery.isEmpty()) GTEST_SKIP() << "VANTREL_GALLERY_DIR is not set";
        QDir().mkpath(gallery);
    }

    void save(const QImage& image, const QString& name, bool dark) {
        const QString path = gallery + QStringLiteral("/shell-%1-%2.png").arg(name, dark ? QStringLiteral("dark") : QStringLiteral("light"));
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }

    void save(QWidget* widget, const QString& name, bool dark) { save(widget->grab().toImage(), name, dark); }

    QString gallery;
};

}  // namespace

TEST_F(ShellGallery, WindowMenusDialogsAndIcons) {
    for (const bool dark : {false, true}) {
        preferences::store(*settings, dark ? AppearancePreference::dark : AppearancePreference::light);
        settings->setValue(ContentView::showConsoleKey, false);
        launch();
        app->show();
        MainWindow* window = app->window();
        window->resize(1280, 760);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QCoreApplication::processEvents();
        save(window, QStringLiteral("window-empty"), dark);

        QList<QUrl> sources;
        for (int i = 0; i < 3; ++i) sources << QUrl::fromLocalFile(pathOf(QStringLiteral("clip%1.mov").arg(i)));
        app->model()->addSources(sources);
        QSignalSpy slid(window->content(), &ContentView::consoleAnimationFinished);
        window->content()->setShowConsole(true);
        ASSERT_TRUE(slid.wait(5000));
        save(window, QStringLiteral("window-sources-console"), dark);

        for (QMenu* menu : {window->fileMenu(), window->appearanceMenu(), window->helpMenu()}) {
            menu->popup(QPoint(0, 0));
            ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
            save(menu, QStringLiteral("menu-") + menu->objectName(), dark);
            menu->close();
        }

        using Result = UpdaterController::Result;
        const appcast::Release release{QStringLiteral("1.4.0"), QStringLiteral("Vantrel 1.4"),
                                       QUrl(QStringLiteral("https://example.com/vantrel"))};
        const std::pair<Result, const char*> dialogs[] = {
            {Result{Result::Kind::available, release, {}}, "update-available"},
            {Result{Result::Kind::upToDate, release, {}}, "update-current"},
            {Result{Result::Kind::failed, {}, QStringLiteral("The update server answered with status 503.")}, "update-error"},
        };
        for (const auto& [result, name] : dialogs) {
            std::unique_ptr<QWidget> dialog(UpdaterController::makeDialog(result, QStringLiteral("1.2.0")));
            dialog->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
            save(dialog.get(), QString::fromLatin1(name), dark);
        }
        const auto unsaved = MainWindow::unsavedJobsBox(
            {QStringLiteral("No space left on device"), 3, pathOf(QStringLiteral("queue/queue.json"))}, window);
        unsaved->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(unsaved.get()));
        save(unsaved.get(), QStringLiteral("quit-unsaved-jobs"), dark);

        QImage icons(2 * 136, 136, QImage::Format_ARGB32_Premultiplied);
        icons.fill(Qt::transparent);
        QPainter painter(&icons);
        int x = 4;
        for (const QString& name : {AppIconController::lightIconName, AppIconController::darkIconName}) {
            painter.drawPixmap(x, 4, app->icons()->loadIcon(name)->pixmap(128, 128));
            x += 136;
        }
        painter.end();
        save(icons, QStringLiteral("icons"), dark);
    }
}
