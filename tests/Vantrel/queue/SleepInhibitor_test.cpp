// The logind sleep lock is asked for without waiting for the answer: a stand-in
// for logind on a private bus answers only when the test says so.
#include "Vantrel/queue/SleepInhibitor.h"

#include "TestMedia.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace vantrel;

namespace {

const QString service = QStringLiteral("org.freedesktop.login1");

class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QList<QDBusMessage> calls;

public slots:
    // Held: answered by answer().
    QDBusUnixFileDescriptor Inhibit(const QString&, const QString&, const QString&, const QString&,
                                    const QDBusMessage& message) {
        message.setDelayedReply(true);
        calls << message;
        return {};
    }
};

// Whether the read end of a pipe sees its end: every write end closed.
bool writeEndsClosed(int readEnd) {
    char byte;
    return ::read(readEnd, &byte, 1) == 0;
}

class SleepInhibitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ensureApplication();
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                      QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        logindBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("fake-logind")));
        clientBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("inhibitor")));
        ASSERT_TRUE(logindBus->isConnected() && clientBus->isConnected());
        ASSERT_TRUE(logindBus->registerService(service));
        ASSERT_TRUE(logindBus->registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                              QDBusConnection::ExportAllSlots));
        ASSERT_EQ(::pipe2(pipe, O_NONBLOCK | O_CLOEXEC), 0);
    }

    void TearDown() override {
        logindBus.reset();
        clientBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
        QDBusConnection::disconnectFromBus(QStringLiteral("inhibitor"));
        if (daemon.state() != QProcess::NotRunning) {
            daemon.terminate();
            daemon.waitForFinished(10000);
        }
        for (int fd : pipe)
            if (fd >= 0) ::close(fd);
    }

    // Answers the held call with the write end of the pipe as the lock.
    void answer(int call) {
        {
            const QDBusMessage reply =
                logind.calls.at(call).createReply(QVariant::fromValue(QDBusUnixFileDescriptor(pipe[1])));
            ASSERT_TRUE(logindBus->send(reply));
        }
        ::close(pipe[1]);  // only the copies sent on remain
        pipe[1] = -1;
    }

    QProcess daemon;
    std::unique_ptr<QDBusConnection> logindBus, clientBus;
    FakeLogind logind;
    int pipe[2] = {-1, -1};
};

}  // namespace

TEST_F(SleepInhibitorTest, AsksWithoutWaitingAndHoldsTheLockOnceAnswered) {
    LogindSleepInhibitor inhibitor(*clientBus, service);
    // logind answers only later: a call that waited for it would come back empty.
    EXPECT_TRUE(inhibitor.acquire(QStringLiteral("Vantrel is correcting timecode")));
    EXPECT_FALSE(inhibitor.isHeld());
    ASSERT_TRUE(QTest::qWaitFor([&] { return logind.calls.size() == 1; }, 10000));
    EXPECT_EQ(logind.calls[0].arguments().at(0).toString(), QStringLiteral("idle"));
    EXPECT_EQ(logind.calls[0].arguments().at(3).toString(), QStringLiteral("block"));
    // Asking again while the answer is on its way sends nothing more.
    EXPECT_TRUE(inhibitor.acquire(QStringLiteral("again")));

    answer(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inhibitor.isHeld(); }, 10000));
    EXPECT_FALSE(writeEndsClosed(pipe[0]));
    EXPECT_EQ(logind.calls.size(), 1);
    inhibitor.release();
    EXPECT_FALSE(inhibitor.isHeld());
    EXPECT_TRUE(QTest::qWaitFor([&] { return writeEndsClosed(pipe[0]); }, 10000));
}

TEST_F(SleepInhibitorTest, AnAnswerArrivingAfterTheReleaseIsDropped) {
    LogindSleepInhibitor inhibitor(*clientBus, service);
    EXPECT_TRUE(inhibitor.acquire(QStringLiteral("Vantrel is correcting timecode")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return logind.calls.size() == 1; }, 10000));
    inhibitor.release();
    answer(0);
    // The lock it brings is closed at once, never held.
    EXPECT_TRUE(QTest::qWaitFor([&] { return writeEndsClosed(pipe[0]); }, 10000));
    EXPECT_FALSE(inhibitor.isHeld());
    // And a new request goes out.
    EXPECT_TRUE(inhibitor.acquire(QStringLiteral("again")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return logind.calls.size() == 2; }, 10000));
}

TEST_F(SleepInhibitorTest, NoBusIsNoLock) {
    LogindSleepInhibitor inhibitor(QDBusConnection(QStringLiteral("never-connected")), service);
    EXPECT_FALSE(inhibitor.acquire(QStringLiteral("Vantrel is correcting timecode")));
    inhibitor.release();
}

#include "SleepInhibitor_test.moc"
