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
        for (QProcess* p : {&first, &third}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(30000);
            }
        }
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    void start(QProcess& process) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Every folder the application writes to lies in the test's own folder.
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), folder + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), folder + QStringLiteral("/state"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VANTREL_EXECUTABLE), {});
        ASSERT_TRUE(process.waitForStarted(30000)) << process.errorString().toStdString();
    }

    // Until the lock file names the process (generous limit: the copy has to start).
    bool holdsLock(const QProcess& process) {
        return QTest::qWaitFor(
            [&] {
                qint64 pid = 0;
                QString host, app;
                QLockFile probe(dataFolder + QStringLiteral("/vantrel.lock"));
                return probe.getLockInfo(&pid, &host, &app) && pid == process.processId();
            },
            60000);
    }

    QByteArray queueFile() const {
        QFile file(dataFolder + QStringLiteral("/queue.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    const QByteArray queueBytes = "[\n]\n";
    QString folder, dataFolder;
    QProcess first, third;
};

}  // namespace

TEST_F(InstanceTest, SecondCopyTellsTheUserAndLeavesTheQueueAlone) {
    start(first);
    ASSERT_TRUE(holdsLock(first));

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(second.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(second.readAllStandardError());
    EXPECT_TRUE(said.contains(QStringLiteral("Vantrel is already running"))) << said.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(queueFile(), queueBytes);

    // A copy killed outright leaves its lock behind; the next one takes it over.
    first.kill();
    ASSERT_TRUE(first.waitForFinished(30000));
    ASSERT_TRUE(QFile::exists(dataFolder + QStringLiteral("/vantrel.lock")));
    start(third);
    EXPECT_TRUE(holdsLock(third));
    EXPECT_EQ(third.state(), QProcess::Running);
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
