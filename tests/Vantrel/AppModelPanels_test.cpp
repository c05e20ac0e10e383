// The open panels: each dialog is answered by the test the moment it opens.
#include "AppModelTestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>

using namespace appmodeltest;

namespace {

class AppModelPanelsTest : public ModelTest {
protected:
    static void SetUpTestSuite() {
        // The dialogs need a widget application; make it before the fixture's core one.
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "appmodel-panels-tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }

    // Runs `answer` on the next file dialog that opens, after checking its texts.
    void whenPanelOpens(const QString& title, const QString& acceptLabel, std::function<void(QFileDialog*)> answer) {
        auto* poll = new QTimer(model.get());
        QObject::connect(poll, &QTimer::timeout, poll, [=, this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            poll->stop();
            poll->deleteLater();
            seenTitle = dialog->windowTitle();
            seenAccept = dialog->labelText(QFileDialog::Accept);
            EXPECT_EQ(seenTitle, title);
            EXPECT_EQ(seenAccept, acceptLabel);
            answer(dialog);
        });
        poll->start(10);
    }

    QString seenTitle;
    QString seenAccept;
};

}  // namespace

TEST_F(AppModelPanelsTest, ChooseFilesAddsTheChosenMovies) {
    const QUrl a = movie(QStringLiteral("in/a.mov"));
    const QUrl b = movie(QStringLiteral("in/b.mp4"));
    whenPanelOpens(QStringLiteral("Choose video files to correct"), QStringLiteral("Add"), [&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->setDirectory(pathOf(QStringLiteral("in")));
        dialog->selectFile(QStringLiteral("\"a.mov\" \"b.mp4\""));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    model->chooseFiles();
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("a.mov"), QStringLiteral("b.mp4")}));
    ASSERT_TRUE(allAnalysed());
}

TEST_F(AppModelPanelsTest, ChooseFolderAddsItsMoviesAndCancelAddsNothing) {
    movie(QStringLiteral("in/sub/b.mov"));
    movie(QStringLiteral("in/a.mov"));
    whenPanelOpens(QStringLiteral("Choose a folder of videos to correct"), QStringLiteral("Add"),
                   [&](QFileDialog* dialog) { dialog->reject(); });
    model->chooseFolder();
    EXPECT_TRUE(model->sources().isEmpty());

    whenPanelOpens(QStringLiteral("Choose a folder of videos to correct"), QStringLiteral("Add"),
                   [&](QFileDialog* dialog) {
                       EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
                       dialog->setDirectory(pathOf(QStringLiteral("in")));
                       QMetaObject::invokeMethod(dialog, "accept");
                   });
    model->chooseFolder();
    EXPECT_EQ(rowNames(), (QStringList{QStringLiteral("a.mov"), QStringLiteral("b.mov")}));
    ASSERT_TRUE(allAnalysed());
}

TEST_F(AppModelPanelsTest, ChooseOutputFolderSetsItOnlyWhenAccepted) {
    whenPanelOpens(QStringLiteral("Choose where corrected files are written"), QStringLiteral("Choose"),
                   [&](QFileDialog* dialog) { dialog->reject(); });
    model->chooseOutputFolder();
    EXPECT_FALSE(model->outputFolder().has_value());

    whenPanelOpens(QStringLiteral("Choose where corrected files are written"), QStringLiteral("Choose"),
                   [&](QFileDialog* dialog) {
                       dialog->setDirectory(folder);
                       QMetaObject::invokeMethod(dialog, "accept");
                   });
    model->chooseOutputFolder();
    ASSERT_TRUE(model->outputFolder().has_value());
    EXPECT_EQ(model->outputFolder()->toLocalFile(), folder);
}
