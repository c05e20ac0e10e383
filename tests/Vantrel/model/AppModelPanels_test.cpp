// The open panels: each dialog is answered by the test the moment it opens.
#include "AppModelTestSupport.h"
#include "Vantrel/views/OpenPanel.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>

using namespace appmodeltest;

namespace {

class PanelsTest : public ModelTest {
protected:
    // The views' own dialog, as the main window hands it to its model.
    void SetUp() override {
        ModelTest::SetUp();
        model->setOpenPanelRunner([](const OpenPanelRequest& request) { return runOpenPanel(request); });
    }

    // Runs the panel operation; answers its dialog, after checking its texts, by
    // going to `directory` (and selecting `files` there) and accepting, or, without
    // a directory, by cancelling.
    void answer(void (AppModel::*choose)(), const QString& message, const QString& prompt,
                const QString& directory = {}, const QString& files = {}) {
        auto* poll = new QTimer(model.get());
        QObject::connect(poll, &QTimer::timeout, poll, [=] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (!directory.isEmpty()) {
                dialog->setDirectory(directory);
                // A dialog leaves the name field alone while it has the focus.
                if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
                if (!files.isEmpty()) dialog->selectFile(files);
                if (dialog->selectedFiles().isEmpty()) return;  // not taken yet: next tick
            }
            poll->stop();  // one dialog per answer
            poll->deleteLater();
            EXPECT_EQ(dialog->windowTitle(), message);
            EXPECT_EQ(dialog->labelText(QFileDialog::Accept), prompt);
            if (directory.isEmpty()) return dialog->reject();
            QMetaObject::invokeMethod(dialog, "accept");
        });
        poll->start(10);
        (model.get()->*choose)();
    }
};

}  // namespace

TEST_F(PanelsTest, ChosenFilesAndFoldersAreAdded) {
    movie(QStringLiteral("in/a.mov"));
    movie(QStringLiteral("in/b.mp4"));
    movie(QStringLiteral("in/sub/c.mov"));
    const QString files = QStringLiteral("Choose video files to correct");
    const QString folders = QStringLiteral("Choose a folder of videos to correct");
    answer(&AppModel::chooseFiles, files, QStringLiteral("Add"));
    answer(&AppModel::chooseFolder, folders, QStringLiteral("Add"));
    EXPECT_TRUE(model->sources().isEmpty());

    answer(&AppModel::chooseFiles, files, QStringLiteral("Add"), pathOf(QStringLiteral("in")),
           QStringLiteral("\"b.mp4\" \"a.mov\""));
    EXPECT_EQ(model->sources().size(), 2);
    answer(&AppModel::chooseFolder, folders, QStringLiteral("Add"), pathOf(QStringLiteral("in")));
    // The folder is walked on a worker; its rows follow.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->sources().size() == 3; }, 30000));
    EXPECT_EQ(model->sources().last().url.fileName(), QStringLiteral("c.mov"));
    ASSERT_TRUE(allAnalysed());
}

TEST_F(PanelsTest, OutputFolderIsSetOnlyWhenAccepted) {
    const QString message = QStringLiteral("Choose where corrected files are written");
    answer(&AppModel::chooseOutputFolder, message, QStringLiteral("Choose"));
    EXPECT_FALSE(model->outputFolder().has_value());
    answer(&AppModel::chooseOutputFolder, message, QStringLiteral("Choose"), folder);
    EXPECT_EQ(model->outputFolder(), QUrl::fromLocalFile(folder));
}

TEST_F(PanelsTest, ARunnerOfItsOwnAnswersInsteadOfADialog) {
    // A dialog opening anyway is cancelled (and counted) rather than left waiting.
    int dialogs = 0;
    auto* poll = new QTimer(model.get());
    QObject::connect(poll, &QTimer::timeout, poll, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->reject();
        }
    });
    poll->start(10);
    QList<OpenPanelRequest> asked;
    QList<QList<QUrl>> answers = {{}, {QUrl::fromLocalFile(folder)}};
    model->setOpenPanelRunner([&](const OpenPanelRequest& request) {
        asked.append(request);
        return answers.takeFirst();
    });
    model->chooseFiles();  // cancelled
    model->chooseOutputFolder();
    EXPECT_EQ(dialogs, 0);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].kind, OpenPanelRequest::Kind::movieFiles);
    EXPECT_EQ(asked[0].prompt, QStringLiteral("Add"));
    EXPECT_EQ(asked[1].kind, OpenPanelRequest::Kind::folder);
    EXPECT_EQ(asked[1].message, QStringLiteral("Choose where corrected files are written"));
    EXPECT_TRUE(model->sources().isEmpty());
    EXPECT_EQ(model->outputFolder(), QUrl::fromLocalFile(folder));
    delete poll;
}

// A model with no window to show a panel over opens no dialog of its own and chooses nothing.
TEST_F(ModelTest, WithoutARunnerNothingIsChosen) {
    movie(QStringLiteral("in/a.mov"));
    int dialogs = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            ++dialogs;
            dialog->reject();
        }
    });
    poll.start(10);
    model->chooseFiles();
    model->chooseFolder();
    model->chooseOutputFolder();
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(model->sources().isEmpty());
    EXPECT_FALSE(model->outputFolder().has_value());
}
