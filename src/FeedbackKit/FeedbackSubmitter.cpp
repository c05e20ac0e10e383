#include "FeedbackKit/FeedbackSubmitter.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace feedback {

namespace {

const QString kTimedOut = QStringLiteral("The request timed out.");

// One request in flight. It owns its network manager and removes itself when the
// reply has finished; the application object holds it until then.
class Transfer : public QObject {
public:
    Transfer(QObject* context, FeedbackSubmitter::Completion done)
        : QObject(QCoreApplication::instance()), m_context(context), m_done(std::move(done)) {}

    void start(QNetworkRequest request, const QByteArray& body) {
        auto* manager = new QNetworkAccessManager(this);
        m_reply = manager->post(request, body);
        // Keep Qt from buffering more than we are going to read.
        m_reply->setReadBufferSize(FeedbackSubmitter::maxReplyBytes);
        connect(m_reply, &QNetworkReply::readyRead, this, &Transfer::read);
        connect(m_reply, &QNetworkReply::finished, this, &Transfer::finish);
    }

private:
    void read() {
        if (m_finished || !m_reply->isOpen()) return;
        m_data += m_reply->read(FeedbackSubmitter::maxReplyBytes - m_data.size());
        if (m_data.size() >= FeedbackSubmitter::maxReplyBytes && m_reply->bytesAvailable() > 0) {
            m_reply->abort();  // the status is known by now; the rest is not wanted
        }
    }

    void finish() {
        if (m_finished) return;
        read();
        m_finished = true;
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        std::optional<FeedbackError> outcome;
        if (status.isValid()) {
            outcome = FeedbackSubmitter::mapResponse(status.toInt(), m_data);
        } else if (m_reply->error() == QNetworkReply::OperationCanceledError
                   || m_reply->error() == QNetworkReply::TimeoutError) {
            // Nothing else aborts a reply without a status: the transfer stalled.
            outcome = FeedbackError::network(kTimedOut);
        } else if (m_reply->error() != QNetworkReply::NoError) {
            outcome = FeedbackError::network(m_reply->errorString());
        } else {
            outcome = FeedbackError::network(QStringLiteral("No HTTP response."));
        }
        if (m_context && m_done) m_done(outcome);
        deleteLater();
    }

    QPointer<QObject> m_context;
    FeedbackSubmitter::Completion m_done;
    QNetworkReply* m_reply = nullptr;
    QByteArray m_data;
    bool m_finished = false;
};

QByteArray pair(const QString& name, const QString& value) {
    return QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
}

}  // namespace

FeedbackSubmitter::FeedbackSubmitter(FeedbackConfig config, FeedbackEnvironment environment)
    : m_config(std::move(config)), m_environment(std::move(environment)) {}

QByteArray FeedbackSubmitter::formBody(const FeedbackDraft& draft) const {
    const QList<QByteArray> pairs{
        pair(QStringLiteral("app"), m_config.appID),
        pair(QStringLiteral("type"), wireValue(draft.type)),
        pair(QStringLiteral("title"), draft.sentTitle()),
        pair(QStringLiteral("body"), draft.composedBody()),
        pair(QStringLiteral("reporter"), draft.reporter),
        pair(QStringLiteral("email"), draft.email),
        pair(QStringLiteral("app_version"), m_environment.appVersionField()),
        pair(QStringLiteral("os_version"), m_environment.osVersion),
        pair(QStringLiteral("consent"), draft.consent ? QStringLiteral("1") : QString()),
        pair(QStringLiteral("website"), QString()),
    };
    return pairs.join('&');
}

bool FeedbackSubmitter::isSecureEndpoint(const QUrl& endpoint) {
    if (!endpoint.isValid() || endpoint.host().isEmpty()) return false;
    const QString scheme = endpoint.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && QHostAddress(endpoint.host()).isLoopback();
}

std::optional<FeedbackError> FeedbackSubmitter::mapResponse(int status, const QByteArray& reply) {
    if (status >= 200 && status <= 299) return std::nullopt;
    // Redirects are never followed, so the report did not arrive where it was sent.
    if (status >= 300 && status <= 399) return FeedbackError::server(QStringLiteral("Server error (%1).").arg(status));
    QString text = QString::fromUtf8(reply).trimmed();
    if (characterCount(text) > maxMessageCharacters)
        text = leftCharacters(text, maxMessageCharacters) + QChar(0x2026);
    if (status == 429)
        return FeedbackError::rateLimited(text.isEmpty() ? QStringLiteral("Too many submissions \u2014 try later.") : text);
    if (status >= 400 && status <= 499)
        return FeedbackError::rejected(text.isEmpty() ? QStringLiteral("Submission was rejected.") : text);
    return FeedbackError::server(text.isEmpty() ? QStringLiteral("Server error (%1).").arg(status) : text);
}

void FeedbackSubmitter::submit(const FeedbackDraft& draft, QObject* context, Completion done) const {
    if (!isSecureEndpoint(m_config.endpoint)) {
        // Name, e-mail and text never travel in clear.
        if (!context) return;
        QTimer::singleShot(0, context, [done = std::move(done)] {
            done(FeedbackError::network(QStringLiteral("No secure feedback address is configured.")));
        });
        return;
    }
    QNetworkRequest request(m_config.endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded; charset=utf-8"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(int(m_timeout.count()));
    auto* transfer = new Transfer(context, std::move(done));
    transfer->start(request, formBody(draft));
}

}  // namespace feedback
