// Update feeds and the order of versions, and the update check against a feed
// server on this machine.
#include "ShellTestSupport.h"
#include "Vantrel/app/Appcast.h"
#include "Vantrel/app/UpdaterController.h"

#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>

using namespace shelltest;
using Kind = UpdaterController::Result::Kind;

namespace {

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Vantrel</title>" + items + "</channel></rss>";
}

QByteArray item(const QByteArray& version, const QByteArray& link = "https://example.com/v") {
    return "<item><title>Vantrel " + version + "</title><link>" + link + "</link><sparkle:shortVersionString>" +
           version + "</sparkle:shortVersionString></item>";
}

// Answers each request with the response set for its path, and records the paths asked for.
class FeedServer : public QObject {
public:
    FeedServer() {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    buffer[socket] += socket->readAll();
                    if (!buffer[socket].contains("\r\n\r\n")) return;
                    const QByteArray path = buffer[socket].split(' ').value(1);
                    // A later connection may get this socket's address: it starts afresh.
                    buffer.erase(socket);
                    requested.append(QString::fromLatin1(path));
                    socket->write(responses.count(path) ? responses[path] : response(404, ""));
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    static QByteArray response(int status, const QByteArray& body, const QByteArray& headers = {}) {
        return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n" + headers + "\r\n" + body;
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path));
    }

    QTcpServer server;
    std::map<QByteArray, QByteArray> responses;
    std::map<QTcpSocket*, QByteArray> buffer;
    QStringList requested;
};

QByteArray feedOf(const QByteArray& version) { return feed(item(version, "https://example.com/vantrel")); }

class UpdaterTest : public ShellTest {
protected:
    // Runs one check of `feed` (version 1.2.0 installed) and returns its result.
    UpdaterController::Result check(const QUrl& feed) {
        UpdaterController updater(feed);
        updater.setCurrentVersion(QStringLiteral("1.2.0"));
        updater.setShowsDialog(false);
        updater.setTimeout(10000);
        QSignalSpy finished(&updater, &UpdaterController::checkFinished);
        EXPECT_TRUE(QTest::qWaitFor([&] { return updater.canCheckForUpdates(); }, 5000));
        updater.checkForUpdates();
        EXPECT_FALSE(updater.canCheckForUpdates());  // not again while a check runs
        EXPECT_TRUE(finished.wait(20000));
        EXPECT_TRUE(updater.canCheckForUpdates());
        if (finished.isEmpty()) return {};
        return finished.first().first().value<UpdaterController::Result>();
    }

    void SetUp() override {
        ShellTest::SetUp();
        server = std::make_unique<FeedServer>();  // needs the application's event loop
    }

    std::unique_ptr<FeedServer> server;
};

}  // namespace

TEST_F(UpdaterTest, FeedVersionAgainstTheInstalledOne) {
    struct Case { const char* version; Kind kind; };
    for (const Case c : {Case{"1.3.0", Kind::available}, Case{"1.2", Kind::upToDate}, Case{"1.1.9", Kind::upToDate},
                         Case{"1.2.0-beta.3", Kind::upToDate}}) {
        server->responses["/appcast.xml"] = FeedServer::response(200, feedOf(c.version));
        const auto result = check(server->url(QStringLiteral("/appcast.xml")));
        EXPECT_EQ(result.kind, c.kind) << c.version << " " << result.error.toStdString();
        ASSERT_TRUE(result.release.has_value());
        EXPECT_EQ(result.release->version, QString::fromLatin1(c.version));
    }
}

TEST_F(UpdaterTest, BadFeedsFailWithAMessage) {
    struct Case { QByteArray path; QByteArray response; const char* message; };
    const QByteArray huge(UpdaterController::maxFeedBytes + 10, 'x');
    const Case cases[] = {
        {"/malformed", FeedServer::response(200, "<rss><channel><item>"), "could not be read"},
        {"/empty", FeedServer::response(200, feedOf("not-a-version!")), "lists no release"},
        {"/huge", FeedServer::response(200, huge), "larger than 1 MB"},
        {"/gone", FeedServer::response(404, "<b>gone</b>"), "status 404"},
        // Redirects are only followed to addresses that pass the same rule.
        {"/away", FeedServer::response(302, "", "Location: http://updates.example.com/appcast.xml\r\n"), "not secure"},
        {"/ftp", FeedServer::response(301, "", "Location: ftp://127.0.0.1/appcast.xml\r\n"), "not secure"},
    };
    for (const Case& c : cases) {
        server->responses[c.path] = c.response;
        const auto result = check(server->url(QString::fromLatin1(c.path)));
        EXPECT_EQ(result.kind, Kind::failed) << c.path.toStdString();
        EXPECT_TRUE(result.error.contains(QLatin1String(c.message))) << result.error.toStdString();
    }
    EXPECT_EQ(server->requested.size(), std::size(cases));  // no redirect target was asked for
}

TEST_F(UpdaterTest, RedirectOnThisMachineIsFollowed) {
    server->responses["/old"] = FeedServer::response(302, "", "Location: /new\r\n");
    server->responses["/new"] = FeedServer::response(200, feedOf("2.0"));
    EXPECT_EQ(check(server->url(QStringLiteral("/old"))).kind, Kind::available);
    EXPECT_EQ(server->requested, QStringList({QStringLiteral("/old"), QStringLiteral("/new")}));
}

TEST_F(UpdaterTest, OnlySecureFeedsAreFetched) {
    EXPECT_TRUE(UpdaterController::isAllowedFeedAddress(QUrl(QStringLiteral("https://example.com/a.xml"))));
    EXPECT_TRUE(UpdaterController::isAllowedFeedAddress(QUrl(QStringLiteral("http://localhost:8/a.xml"))));
    EXPECT_TRUE(UpdaterController::isAllowedFeedAddress(QUrl(QStringLiteral("http://[::1]:8/a.xml"))));
    EXPECT_FALSE(UpdaterController::isAllowedFeedAddress(QUrl(QStringLiteral("ftp://example.com/a.xml"))));
    EXPECT_FALSE(UpdaterController::isAllowedFeedAddress(QUrl(QStringLiteral("file:///tmp/a.xml"))));
    // Refused without a connection: the address is never tried.
    const auto result = check(QUrl(QStringLiteral("http://updates.example.com/appcast.xml")));
    EXPECT_EQ(result.kind, Kind::failed);
    EXPECT_TRUE(result.error.contains(QLatin1String("HTTPS")));
}

TEST_F(UpdaterTest, WithoutAFeedNoCheckCanStart) {
    UpdaterController updater{QUrl()};
    QSignalSpy finished(&updater, &UpdaterController::checkFinished);
    QCoreApplication::processEvents();
    updater.checkForUpdates();
    QCoreApplication::processEvents();
    EXPECT_FALSE(updater.canCheckForUpdates());
    EXPECT_TRUE(finished.isEmpty());
}

TEST_F(UpdaterTest, AvailableDialogShowsPlainText) {
    UpdaterController::Result result{Kind::available, appcast::Release{QStringLiteral("2.0"), {}, QUrl(QStringLiteral("https://example.com/<b>"))}, {}};
    std::unique_ptr<QWidget> dialog(UpdaterController::makeDialog(result, QStringLiteral("1.0")));
    auto* detail = dialog->findChild<QLabel*>(QStringLiteral("UpdateDetail"));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->textFormat(), Qt::PlainText);
    EXPECT_EQ(detail->text(), QStringLiteral("Vantrel 2.0 is now available—you have 1.0."));
    EXPECT_NE(dialog->findChild<QPushButton*>(QStringLiteral("OpenDownloadPage")), nullptr);
}

TEST(Appcast, VersionsCompareNumericallyWithPreReleasesFirst) {
    struct Case { const char* a; const char* b; int order; };
    const Case cases[] = {
        {"1.10", "1.9", 1},         {"1.2", "1.2.0", 0},        {"2.0", "10.0", -1},
        {"1.2-beta", "1.2", -1},    {"1.2b1", "1.2", -1},       {"1.2-beta.2", "1.2-beta.10", -1},
        {"1.2-alpha", "1.2-beta", -1}, {"1.2.1-rc.1", "1.2", 1}, {"1.0+build.7", "1.0", 0},
        {"0.1.0", "0.1.0", 0},      {"99999999999999999999", "1", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(appcast::compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.order) << c.a << " vs " << c.b;
        EXPECT_EQ(appcast::compareVersions(QString::fromLatin1(c.b), QString::fromLatin1(c.a)), -c.order) << c.b << " vs " << c.a;
    }
}

TEST(Appcast, NewestUsableReleaseWins) {
    const appcast::ParseResult result = appcast::parse(feed(item("1.2.0") + item("1.10.0") + item("1.9.9") +
                                          item("7.0", "javascript:alert(1)") + item("8.0", "file:///etc/passwd") +
                                          item("<b>9</b>") + item("9.0 beta") + item("")));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    ASSERT_TRUE(result.newest.has_value());
    EXPECT_EQ(result.newest->version, QStringLiteral("1.10.0"));
    EXPECT_EQ(result.newest->link, QUrl(QStringLiteral("https://example.com/v")));
}

TEST(Appcast, EnclosureSuppliesVersionAndLink) {
    const appcast::ParseResult result = appcast::parse(feed("<item><title>x</title><enclosure url=\"https://dl.example.com/v2.tar.gz\" "
                                          "sparkle:version=\"2.0.1\" length=\"1\" type=\"application/gzip\"/></item>"));
    ASSERT_TRUE(result.newest.has_value());
    EXPECT_EQ(result.newest->version, QStringLiteral("2.0.1"));
    EXPECT_EQ(result.newest->link.host(), QStringLiteral("dl.example.com"));
}

TEST(Appcast, UnreadableDocumentsAreErrors) {
    for (const QByteArray& document : {QByteArray(), QByteArray("not xml"), QByteArray("<html><body/></html>"),
                                       feed(item("1.0")).left(120)}) {
        const appcast::ParseResult result = appcast::parse(document);
        EXPECT_FALSE(result.error.isEmpty()) << document.toStdString();
        EXPECT_FALSE(result.newest.has_value());
    }
    EXPECT_FALSE(appcast::parse(feed("")).newest.has_value());
    EXPECT_TRUE(appcast::parse(feed("")).error.isEmpty());
}
