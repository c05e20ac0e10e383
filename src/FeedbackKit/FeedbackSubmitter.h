#pragma once

// Posts one feedback report to the configured address as a URL-encoded form and
// turns every way this can fail into one FeedbackError whose message the form shows.

#include "FeedbackKit/FeedbackDraft.h"

#include <QByteArray>
#include <QObject>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>

namespace feedback {

struct FeedbackError {
    enum class Kind { network, rejected, rateLimited, server };
    Kind kind = Kind::network;
    QString message;

    bool operator==(const FeedbackError&) const = default;

    friend void PrintTo(const FeedbackError& error, std::ostream* os) {
        *os << int(error.kind) << ": " << error.message.toStdString();
    }

    static FeedbackError network(QString message) { return {Kind::network, std::move(message)}; }
    static FeedbackError rejected(QString message) { return {Kind::rejected, std::move(message)}; }
    static FeedbackError rateLimited(QString message) { return {Kind::rateLimited, std::move(message)}; }
    static FeedbackError server(QString message) { return {Kind::server, std::move(message)}; }
};

class FeedbackSubmitter {
public:
    // Absent error: the server accepted the report.
    using Completion = std::function<void(std::optional<FeedbackError>)>;

    static constexpr qsizetype maxReplyBytes = 64 * 1024;
    static constexpr qsizetype maxMessageCharacters = 300;

    FeedbackSubmitter(FeedbackConfig config, FeedbackEnvironment environment);

    // How long the transfer may stall before it is given up (60 s unless changed).
    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // Sends the draft as it is (the caller has validated it). `done` runs later on
    // the calling thread, and only while `context` still exists; the request
    // itself runs to its end either way.
    void submit(const FeedbackDraft& draft, QObject* context, Completion done) const;

    // The request body: ten pairs in a fixed order, every name and value percent-encoded.
    QByteArray formBody(const FeedbackDraft& draft) const;

    // https anywhere, or http to a loopback address; nothing else is ever contacted.
    static bool isSecureEndpoint(const QUrl& endpoint);

    // The outcome of an HTTP status and the (at most maxReplyBytes) reply bytes.
    static std::optional<FeedbackError> mapResponse(int status, const QByteArray& reply);

private:
    FeedbackConfig m_config;
    FeedbackEnvironment m_environment;
    std::chrono::milliseconds m_timeout{60000};
};

}  // namespace feedback
