// Two real copies of the application on one data folder.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/app/InstanceLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ensureApplication();
        folder = testsupport::makeTestFolder(QStringLiteral("instance"));
        dataFolder = folder + QStringLiteral("/data/Vantrel");
        ASSERT_TRUE(testsupport::writeFile(dataFolder + QStringLiteral("/queue.json"), queueBytes));
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second, &third, &screen}) end(*p);
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    static void end(QProcess& process) {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(30000);
    }

    // `display`: on that X server, else offscreen. `writesNothing`: no file of the
    // copy's may hold a byte, as on a full disk.
    void start(QProcess& process, const QString& display = {}, bool writesNothing = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Every folder the application writes to lies in the test's own folder.
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), folder + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), folder + QStringLiteral("/state"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
        if (!display.isEmpty()) env.insert(QStringLiteral("DISPLAY"), display);
        process.setProcessEnvironment(env);
        process.setChildProcessModifier([writesNothing] {
            if (!writesNothing) return;
            const rlimit none{0, 0};
            ::setrlimit(RLIMIT_FSIZE, &none);
            ::signal(SIGXFSZ, SIG_IGN);
        });
        process.start(QStringLiteral(VANTREL_EXECUTABLE), {});
        ASSERT_TRUE(process.waitForStarted(30000)) << process.errorString().toStdString();
    }

    // An X server of the test's own, on a display number it finds free itself.
    QString startScreen() {
        screen.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-ac"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("800x600x24")});
        if (!screen.waitForStarted(30000)) return {};
        if (!QTest::qWaitFor([&] { return screen.canReadLine(); }, 30000)) return {};
        const QByteArray number = screen.readLine().trimmed();
        return number.isEmpty() ? QString() : QLatin1Char(':') + QString::fromLatin1(number);
    }

    // Until the process holds the folder's lock and, where it can write, the lock
    // file names it: a copy killed sooner may leave the file half taken over
    // (generous limit: the copy has to start).
    bool holdsLock(const QProcess& process, bool named = true) {
        return QTest::qWaitFor(
            [&] {
                const qint64 pid = process.processId();
                return pid > 0 && vantrel::InstanceLock::holderOf(dataFolder) == pid && (!named || lockFileNames() == pid);
            },
            60000);
    }

    qint64 lockFileNames() const {
        qint64 pid = 0;
        QString host, application;
        QLockFile(dataFolder + QStringLiteral("/vantrel.lock")).getLockInfo(&pid, &host, &application);
        return pid;
    }

    QByteArray queueFile() const {
        QFile file(dataFolder + QStringLiteral("/queue.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    const QByteArray queueBytes = "[\n]\n";
    QString folder, dataFolder;
    QProcess first, second, third, screen;
};

}  // namespace

// A second copy on the same data folder says so and leaves: also when the first
// could write no lock file (its disk was full at launch, with a lock file of a copy
// that was killed standing in the folder), and with its box open on
// a screen, which a termination signal closes, ending the copy with 0. A copy
// killed outright leaves its lock file behind; the next one takes it over.
TEST_F(InstanceTest, SecondCopyTellsTheUserAndLeavesTheQueueAlone) {
    const struct {
        const char* name;
        bool firstWritesNothing;
        bool onAScreen;  // the second copy's box stays open until a SIGTERM
    } rows[] = {{"a second copy", false, false},
                {"the first copy's disk full", true, false},
                {"the box open, then SIGTERM", false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        start(first, {}, row.firstWritesNothing);
        ASSERT_TRUE(holdsLock(first, !row.firstWritesNothing));

        const QString display = row.onAScreen ? startScreen() : QString();
        ASSERT_EQ(display.isEmpty(), !row.onAScreen) << "Xvfb did not start";
        start(second, display);
        const QString said = QStringLiteral("Vantrel is already running (process %1). "
                                            "Only one copy can work on the queue at a time.")
                                 .arg(first.processId());
        QByteArray told;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                told += second.readAllStandardError();
                return told.contains(said.toLocal8Bit()) || second.state() == QProcess::NotRunning;
            },
            60000));
        told += second.readAllStandardError();
        EXPECT_TRUE(told.contains(said.toLocal8Bit())) << told.toStdString();
        if (row.onAScreen) {
            EXPECT_FALSE(second.waitForFinished(1000));  // the box waits for an answer
            ::kill(pid_t(second.processId()), SIGTERM);
        }
        ASSERT_TRUE(second.state() == QProcess::NotRunning || second.waitForFinished(60000));
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode() == 0, row.onAScreen);
        EXPECT_EQ(first.state(), QProcess::Running);
        EXPECT_EQ(queueFile(), queueBytes);

        EXPECT_EQ(lockFileNames() == first.processId(), !row.firstWritesNothing);
        first.kill();
        ASSERT_TRUE(first.waitForFinished(30000));
        start(third);
        EXPECT_TRUE(holdsLock(third));
        EXPECT_EQ(third.state(), QProcess::Running);
        for (QProcess* p : {&third, &screen}) end(*p);
    }
}

TEST_F(InstanceTest, OneLockPerFolderWithinAProcessToo) {
    auto lock = vantrel::InstanceLock::acquire(dataFolder);
    ASSERT_TRUE(lock);
    EXPECT_FALSE(vantrel::InstanceLock::acquire(dataFolder));
    EXPECT_FALSE(vantrel::InstanceLock::acquireOrTellUser(dataFolder));
    lock.reset();
    EXPECT_TRUE(vantrel::InstanceLock::acquire(dataFolder));

    // Where no lock file can be made there is no queue file either: the application
    // goes on.
    ASSERT_TRUE(testsupport::writeFile(folder + QStringLiteral("/blocker"), "a file, not a folder"));
    EXPECT_FALSE(vantrel::InstanceLock::acquire(folder + QStringLiteral("/blocker/Vantrel")));
    EXPECT_TRUE(vantrel::InstanceLock::acquireOrTellUser(folder + QStringLiteral("/blocker/Vantrel")));
}
