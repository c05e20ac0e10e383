// The whole shell: a restored queue, the File keys and the sources well through
// the window, and the real executable started and stopped like a desktop would.
#include "QueueTestSupport.h"
#include "ShellTestSupport.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/DesignIndicators.h"

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QUuid>

#include <csignal>
#include <sys/resource.h>

using namespace shelltest;

namespace {

class ShellEndToEnd : public ShellTest {};

// Bytes a file may hold: too few for a queue file with two jobs, enough for the
// lock file.
constexpr rlim_t fileSizeLimit = 512;

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
// starts, and runs until it is asked to stop. SIGTERM and SIGINT end it at once
// with 0, never asking; when its last save fails and jobs would be lost, it says so
// in one line on standard error. To make the save fail, the queue file it starts
// with has an unreadable record, so that the start moves it aside and writes the
// two readable jobs back at once, and its files may not grow past a few hundred
// bytes: that write fails, the lock file fits.
TEST_F(ShellEndToEnd, ExecutableRunsUntilAskedToStop) {
    const struct {
        const char* name;
        int signal;
        bool unsaved;  // two jobs the queue file cannot keep
    } rows[] = {{"SIGTERM", SIGTERM, false},
                {"SIGTERM with an unsaved queue", SIGTERM, true},
                {"SIGINT with an unsaved queue", SIGINT, true}};
    int run = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString root = pathOf(QStringLiteral("run%1").arg(++run));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString dir = root + QLatin1Char('/') + QString::fromLatin1(xdg).toLower();
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            environment.insert(QString::fromLatin1(xdg), dir);
        }
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + root + QStringLiteral("/no-bus"));
        // A stream-hash file that a process killed mid-verification left behind.
        const QString leftover = root + QStringLiteral("/tmp/vantrel-streamhash-%1.txt")
                                            .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
        ASSERT_TRUE(testsupport::writeFile(leftover, "0,v,MD5=00\n"));
        environment.insert(QStringLiteral("TMPDIR"), root + QStringLiteral("/tmp"));
        const QString queueFolder = root + QStringLiteral("/xdg_data_home/Vantrel");
        QProcess vantrel;
        vantrel.setProcessEnvironment(environment);
        if (row.unsaved) {
            const QJsonArray records{queuetest::makeJob(root + QStringLiteral("/a.mov"), root + QStringLiteral("/out/a_TC.mov")).toJson(),
                                     QJsonObject{{QStringLiteral("id"), QStringLiteral("nonsense")}},
                                     queuetest::makeJob(root + QStringLiteral("/b.mov"), root + QStringLiteral("/out/b_TC.mov")).toJson()};
            ASSERT_TRUE(testsupport::writeFile(queueFolder + QStringLiteral("/queue.json"), QJsonDocument(records).toJson()));
            vantrel.setChildProcessModifier([] {
                const rlimit limit{fileSizeLimit, fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::signal(SIGXFSZ, SIG_IGN);
            });
        }
        vantrel.start(QStringLiteral(VANTREL_BINARY), {});
        ASSERT_TRUE(vantrel.waitForStarted(10000));
        const auto output = [&] {
            return (vantrel.readAllStandardOutput() + vantrel.readAllStandardError()).toStdString();
        };
        // Asked to stop only once it listens for the request, however slowly it starts.
        ASSERT_TRUE(QTest::qWaitFor([&] { return catchesSignal(vantrel.processId(), row.signal); }, 60000)) << output();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(leftover); }, 60000));  // swept at start-up
        if (row.unsaved) {  // the file with the unreadable record, moved aside
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return !QDir(queueFolder).entryList({QStringLiteral("queue.json.unreadable-*")}).isEmpty(); }, 60000));
        }
        EXPECT_FALSE(vantrel.waitForFinished(2000)) << output();  // still running after 2 s
        ASSERT_EQ(vantrel.state(), QProcess::Running);
        ::kill(pid_t(vantrel.processId()), row.signal);
        ASSERT_TRUE(vantrel.waitForFinished(10000)) << "still running 10 s after the signal";
        EXPECT_EQ(vantrel.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(vantrel.exitCode(), 0);
        // Its own lines; Qt and the decoder of the queue file have theirs.
        QStringList said;
        for (const QString& line : QString::fromLocal8Bit(vantrel.readAllStandardError()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("Vantrel:"))) said << line;
        }
        EXPECT_EQ(said.size(), row.unsaved ? 1 : 0) << said.join(QLatin1Char('\n')).toStdString();
        const QRegularExpression lost(QStringLiteral("^Vantrel: the queue could not be saved \\(.+\\), so 2 jobs would be "
                                                     "missing the next time Vantrel opens; the queue's folder: ") +
                                      QRegularExpression::escape(queueFolder) + QLatin1Char('$'));
        for (const QString& line : std::as_const(said)) EXPECT_TRUE(lost.match(line).hasMatch()) << line.toStdString();
        EXPECT_TRUE(QFileInfo(queueFolder).isDir());
    }
}
