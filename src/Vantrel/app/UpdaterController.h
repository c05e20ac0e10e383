#pragma once

// Checks the update feed on request and tells the user what it found. The feed
// address comes from the build (VANTREL_UPDATE_FEED_URL) or the "updateFeedURL"
// setting; without one no check can start. Only an https feed is fetched (plain
// http only to this machine, for testing); nothing is downloaded or run: an
// available release is offered as a link to its page.

#include "Vantrel/app/Appcast.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QWidget;

namespace vantrel {

class UpdaterController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    static constexpr qint64 maxFeedBytes = 1024 * 1024;
    static constexpr int timeoutMilliseconds = 30000;
    static constexpr int maxRedirects = 5;

    struct Result {
        enum class Kind { available, upToDate, failed };
        Kind kind = Kind::failed;
        std::optional<appcast::Release> release;  // the newest release (available, upToDate)
        QString error;                            // failed
    };

    // `feed` empty: no feed, checks stay off. `currentVersion` defaults to the
    // application's version.
    explicit UpdaterController(const QUrl& feed, QObject* parent = nullptr);
    ~UpdaterController() override;

    // The feed from the setting, else from the build; empty when neither names one.
    static QUrl configuredFeed(const QString& settingValue);
    // https anywhere, http only to a loopback address.
    static bool isAllowedFeedAddress(const QUrl& url);

    bool canCheckForUpdates() const { return canCheck_; }
    const QUrl& feed() const { return feed_; }
    void setCurrentVersion(const QString& version) { currentVersion_ = version; }
    // Whether a finished check shows its dialog (on by default).
    void setShowsDialog(bool shows) { showsDialog_ = shows; }
    void setTimeout(int milliseconds) { timeout_ = milliseconds; }

    // Starts a check; does nothing while one runs or without a feed.
    void checkForUpdates();

    // The dialog for a result, parented to `parent`, deleted when closed.
    static QWidget* makeDialog(const Result& result, const QString& currentVersion, QWidget* parent = nullptr);

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkFinished(const vantrel::UpdaterController::Result& result);

private:
    void setCanCheck(bool canCheck);
    void request(const QUrl& url, int redirectsLeft);
    void onFinished(QNetworkReply* reply, int redirectsLeft);
    void finish(const Result& result);

    QUrl feed_;
    QString currentVersion_;
    bool canCheck_ = false;
    bool checking_ = false;
    bool showsDialog_ = true;
    int timeout_ = timeoutMilliseconds;
    QNetworkAccessManager* network_;
    QPointer<QWidget> dialog_;
};

}  // namespace vantrel
