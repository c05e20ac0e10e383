// The report on the wire, and how each kind of answer (or none) reaches the form.
#include "FeedbackKit/FeedbackSubmitter.h"
#include "QtPrinting.h"
#include "TestMedia.h"
#include "WireServer.h"

#include <gtest/gtest.h>

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace feedback;
using namespace wiretest;
using Kind = FeedbackError::Kind;

namespace {

FeedbackDraft draft() {
    FeedbackDraft d;
    d.type = FeedbackType::feature;
    d.title = QStringLiteral("  Tea & cake + more = joy  ");
    d.body = QStringLiteral("\nLine one\ncaf\u00e9 ~ -x \U0001F600\n\n");
    d.email = QStringLiteral("a@b.c");
    d.consent = true;
    return d;
}

class SubmitterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureApplication(); }

    FeedbackSubmitter submitter(const QUrl& endpoint) {
        FeedbackEnvironment environment;
        environment.appVersion = QStringLiteral("1.4");
        environment.build = QStringLiteral("27");
        environment.osVersion = QStringLiteral("6.1.0");
        return FeedbackSubmitter({QStringLiteral("vantrel"), endpoint, Qt::blue, {}}, environment);
    }

    // Sends and waits for the outcome; nullopt inside means success.
    std::optional<FeedbackError> send(const FeedbackSubmitter& sender, const FeedbackDraft& d = draft()) {
        bool finished = false;
        std::optional<FeedbackError> outcome;
        QObject context;
        sender.submit(d, &context, [&](std::optional<FeedbackError> error) {
            finished = true;
            outcome = std::move(error);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 60000));
        return outcome;
    }

    WireServer server;
};

TEST_F(SubmitterTest, PostsTheFormExactly) {
    server.answer(response("200 OK", "ok"));
    EXPECT_EQ(send(submitter(server.url())), std::nullopt);
    ASSERT_EQ(server.requests.size(), 1);
    const Request& request = server.requests.first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/feedback-submit.php");
    EXPECT_EQ(request.headers.value("content-type"), "application/x-www-form-urlencoded; charset=utf-8");
    EXPECT_EQ(request.body,
              "app=vantrel&type=feature&title=Tea%20%26%20cake%20%2B%20more%20%3D%20joy"
              "&body=Line%20one%0Acaf%C3%A9%20~%20-x%20%F0%9F%98%80&reporter=&email=a%40b.c"
              "&app_version=1.4%20%2827%29&os_version=6.1.0&consent=1&website=");

    FeedbackDraft withoutConsent = draft();
    withoutConsent.consent = false;
    EXPECT_TRUE(submitter(server.url()).formBody(withoutConsent).endsWith("&consent=&website="));
}

TEST_F(SubmitterTest, MapsStatusAndReply) {
    struct Case {
        QByteArray answer;
        std::optional<FeedbackError> outcome;
    };
    const QString replacement(QChar::ReplacementCharacter);
    const std::vector<Case> cases{
        {response("204 No Content"), std::nullopt},
        {response("404 Not Found"), FeedbackError::rejected("Submission was rejected.")},
        {response("503 Service Unavailable"), FeedbackError::server("Server error (503).")},
        {response("429 Too Many Requests", "  Slow down please.  \n"), FeedbackError::rateLimited("Slow down please.")},
        {response("429 Too Many Requests"), FeedbackError::rateLimited("Too many submissions \u2014 try later.")},
        {response("400 Bad Request", "Title missing"), FeedbackError::rejected("Title missing")},
        {response("199 Odd"), FeedbackError::server("Server error (199).")},
        {response("600 Odd"), FeedbackError::server("Server error (600).")},
        {response("500 Internal Server Error", "<b>down</b>"), FeedbackError::server("<b>down</b>")},
        {response("500 Internal Server Error", "bad \xff\xfe end"), FeedbackError::server("bad " + replacement + replacement + " end")},
        {response("502 Bad Gateway", QByteArray(400, 'x')), FeedbackError::server(QString(300, 'x') + QChar(0x2026))},
    };
    for (const Case& c : cases) {
        server.answer(c.answer);
        EXPECT_EQ(send(submitter(server.url())), c.outcome) << c.answer.left(40).toStdString();
    }
}

TEST_F(SubmitterTest, RedirectIsAFailureAndNotFollowed) {
    server.answer(response("302 Found", "moved", "Location: " + server.url("/elsewhere").toEncoded() + "\r\n"));
    EXPECT_EQ(send(submitter(server.url())), FeedbackError::server("Server error (302)."));
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests.first().path, "/feedback-submit.php");
}

TEST_F(SubmitterTest, HugeReplyIsReadOnlyInPart) {
    constexpr qint64 total = 50LL * 1024 * 1024;
    qint64 written = 0;
    server.respond = [&](QTcpSocket* socket) {
        socket->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: " + QByteArray::number(total) + "\r\n\r\n");
        const QByteArray chunk(256 * 1024, 'z');
        auto more = [socket, chunk, &written, total] {
            while (written < total && socket->bytesToWrite() < chunk.size() && socket->state() == QAbstractSocket::ConnectedState)
                written += socket->write(chunk);
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    };
    const auto outcome = send(submitter(server.url()));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, Kind::server);
    EXPECT_EQ(characterCount(outcome->message), 301);
    EXPECT_LT(written, total / 2);
}

TEST_F(SubmitterTest, NoAnswer) {
    // Silence until the transfer timeout.
    FeedbackSubmitter patient = submitter(server.url());
    patient.setTransferTimeout(std::chrono::milliseconds(300));
    EXPECT_EQ(send(patient), FeedbackError::network("The request timed out."));

    // Not an HTTP answer at all.
    server.answer("garbage\r\n\r\n");
    auto outcome = send(submitter(server.url()));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, Kind::network);
    EXPECT_FALSE(outcome->message.isEmpty());

    // Nobody listening: the port stays bound, so no other process can take it meanwhile.
    const int bound = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(bound, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length), 0);
    outcome = send(submitter(QUrl(QStringLiteral("http://127.0.0.1:%1/f").arg(ntohs(address.sin_port)))));
    ::close(bound);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->kind, Kind::network);
    EXPECT_FALSE(outcome->message.isEmpty());
}

TEST_F(SubmitterTest, OnlySecureAddressesAreContacted) {
    const auto refused = FeedbackError::network("No secure feedback address is configured.");
    for (const char* address : {"", "http://example.org/feedback-submit.php", "ftp://127.0.0.1/x", "http:///x"})
        EXPECT_EQ(send(submitter(QUrl(address))), refused) << address;
    EXPECT_TRUE(server.requests.isEmpty());

    for (const char* address : {"https://example.org/f", "http://127.0.0.1:9/f", "http://127.1.2.3/f", "http://[::1]/f"})
        EXPECT_TRUE(FeedbackSubmitter::isSecureEndpoint(QUrl(address))) << address;
}

TEST_F(SubmitterTest, OutcomeReachesOnlyALivingContext) {
    server.answer(response("200 OK"));
    bool called = false;
    const qsizetype before = QCoreApplication::instance()->children().size();
    {
        QObject context;
        submitter(server.url()).submit(draft(), &context, [&](auto) { called = true; });
    }
    // The request runs to its end and tidies itself away, unseen.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QCoreApplication::instance()->children().size() == before; }, 60000));
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_FALSE(called);
}

}  // namespace
