// The whole shell: a restored queue, the File keys and the sources well through
// the window, and the real executable started and stopped like a desktop would.
#include "QueueTestSupport.h"
#include "ShellTestSupport.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/DesignIndicators.h"

#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QTimer>
#include <QUuid>

#include <csignal>

using namespace shelltest;

namespace {

class ShellEndToEnd : public ShellTest {};

// Whether the process has its own handler for the signal (it would die of it otherwise).
bool catchesSignal(qint64 pid, int signal) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

}  // namespace

TEST_F(ShellEndToEnd, RestoredQueueAddedVideoAndClearedQueue) {
    launch();
    app->model()->queue().enqueue(queuetest::makeJob(pathOf(QStringLiteral("a.mov")), pathOf(QStringLiteral("out/a_TC.mov"))));
    app->model()->queue().enqueue(queuetest::makeJob(pathOf(QStringLiteral("b.mov")), pathOf(QStringLiteral("out/b_TC.mov"))));
    QString error;
    ASSERT_TRUE(testsupport::makeMovie(pathOf(QStringLiteral("in/clip.mov")), {}, &error)) << error.toStdString();

    launch();  // relaunch: the two jobs come back from the queue file
    app->show();
    MainWindow* window = app->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(app->model()->queue().jobs().size(), 2);
    QAction* clear = window->fileMenu()->actions().at(2);
    EXPECT_TRUE(clear->isEnabled());

    auto* answer = new QTimer(window);
    QObject::connect(answer, &QTimer::timeout, answer, [this, answer] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialog->setDirectory(pathOf(QStringLiteral("in")));
        if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
        dialog->selectFile(QStringLiteral("clip.mov"));
        if (dialog->selectedFiles().isEmpty()) return;
        answer->stop();
        answer->deleteLater();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    answer->start(10);
    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(app->model()->sources().size(), 1);
    EXPECT_EQ(window->findChild<KelpPathWell*>(QStringLiteral("SourcesWell"))->shownText(), QStringLiteral("1 video"));

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(app->model()->queue().jobs().isEmpty());
    EXPECT_FALSE(clear->isEnabled());
    launch();
    EXPECT_TRUE(app->model()->queue().jobs().isEmpty());  // the cleared queue was saved
}

// The real executable clears what a killed run left in the temporary folder as it
// starts, and runs until it is asked to stop.
TEST_F(ShellEndToEnd, ExecutableRunsUntilAskedToStop) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString dir = pathOf(QString::fromLatin1(xdg).toLower());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(xdg), dir);
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + pathOf(QStringLiteral("no-bus")));
    // A stream-hash file that a process killed mid-verification left behind.
    const QString leftover = pathOf(QStringLiteral("tmp/vantrel-streamhash-%1.txt")
                                        .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
    ASSERT_TRUE(testsupport::writeFile(leftover, "0,v,MD5=00\n"));
    environment.insert(QStringLiteral("TMPDIR"), pathOf(QStringLiteral("tmp")));
    QProcess vantrel;
    vantrel.setProcessEnvironment(environment);
    vantrel.setProcessChannelMode(QProcess::MergedChannels);
    vantrel.start(QStringLiteral(VANTREL_BINARY), {});
    ASSERT_TRUE(vantrel.waitForStarted(10000));
    // Asked to stop only once it listens for the request, however slowly it starts.
    ASSERT_TRUE(QTest::qWaitFor([&] { return catchesSignal(vantrel.processId(), SIGTERM); }, 60000))
        << vantrel.readAll().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(leftover); }, 60000));  // swept at start-up
    EXPECT_FALSE(vantrel.waitForFinished(2000)) << vantrel.readAll().toStdString();  // still running after 2 s
    ASSERT_EQ(vantrel.state(), QProcess::Running);
    ::kill(pid_t(vantrel.processId()), SIGTERM);
    ASSERT_TRUE(vantrel.waitForFinished(10000));
    EXPECT_EQ(vantrel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vantrel.exitCode(), 0) << vantrel.readAll().toStdString();
    EXPECT_TRUE(QFileInfo(pathOf(QStringLiteral("xdg_data_home/Vantrel"))).isDir());  // the queue's folder
}
