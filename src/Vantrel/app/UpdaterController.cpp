#include "Vantrel/app/UpdaterController.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

Q_LOGGING_CATEGORY(lcUpdates, "vantrel.updates")

#ifndef VANTREL_UPDATE_FEED_URL
#define VANTREL_UPDATE_FEED_URL ""
#endif

namespace vantrel {

namespace {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

const char* const tooLargeProperty = "vantrelFeedTooLarge";

QString httpError(int status) { return QStringLiteral("The update server answered with status %1.").arg(status); }

}  // namespace

UpdaterController::UpdaterController(const QUrl& feed, QObject* parent)
    : QObject(parent), feed_(feed), currentVersion_(QCoreApplication::applicationVersion()),
      network_(new QNetworkAccessManager(this)) {
    // Redirects are followed by hand so that each target passes the same address check.
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    // Like an observed flag, the first value arrives after construction.
    if (!feed_.isEmpty()) QTimer::singleShot(0, this, [this] { setCanCheck(!checking_); });
}

UpdaterController::~UpdaterController() {
    if (dialog_) delete dialog_.data();
}

QUrl UpdaterController::configuredFeed(const QString& settingValue) {
    const QString text = settingValue.trimmed().isEmpty() ? QStringLiteral(VANTREL_UPDATE_FEED_URL) : settingValue.trimmed();
    if (text.isEmpty()) return {};
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

bool UpdaterController::isAllowedFeedAddress(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url.host());
}

void UpdaterController::setCanCheck(bool canCheck) {
    if (canCheck_ == canCheck) return;
    canCheck_ = canCheck;
    emit canCheckForUpdatesChanged(canCheck);
}

void UpdaterController::checkForUpdates() {
    if (feed_.isEmpty() || checking_) return;
    checking_ = true;
    setCanCheck(false);
    if (!isAllowedFeedAddress(feed_)) {
        qCWarning(lcUpdates) << "refusing update feed" << feed_.toDisplayString();
        QTimer::singleShot(0, this, [this] {
            finish({Result::Kind::failed, {}, QStringLiteral("The update feed address is not secure: it must use HTTPS.")});
        });
        return;
    }
    request(feed_, maxRedirects);
}

void UpdaterController::request(const QUrl& url, int redirectsLeft) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeout_);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Vantrel/%1").arg(QCoreApplication::applicationVersion()));
    QNetworkReply* reply = network_->get(request);
    // A feed larger than the cap is not read to its end.
    auto tooLarge = [reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        return (length.isValid() && length.toLongLong() > maxFeedBytes) || reply->bytesAvailable() > maxFeedBytes;
    };
    auto stopIfTooLarge = [reply, tooLarge] {
        if (!tooLarge()) return;
        reply->setProperty(tooLargeProperty, true);
        reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, stopIfTooLarge);
    connect(reply, &QNetworkReply::readyRead, reply, stopIfTooLarge);
    connect(reply, &QNetworkReply::finished, this, [this, reply, redirectsLeft] { onFinished(reply, redirectsLeft); });
}

void UpdaterController::onFinished(QNetworkReply* reply, int redirectsLeft) {
    reply->deleteLater();
    if (reply->property(tooLargeProperty).toBool() || reply->bytesAvailable() > maxFeedBytes) {
        return finish({Result::Kind::failed, {}, QStringLiteral("The update feed is larger than 1 MB.")});
    }
    const QVariant statusValue = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusValue.isValid() ? statusValue.toInt() : 0;
    if (status >= 300 && status < 400) {
        const QUrl target = reply->url().resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        const bool lessSafe = reply->url().scheme() == QLatin1String("https") && target.scheme() != QLatin1String("https");
        if (redirectsLeft <= 0) return finish({Result::Kind::failed, {}, QStringLiteral("The update feed redirects too often.")});
        if (lessSafe || !isAllowedFeedAddress(target)) {
            qCWarning(lcUpdates) << "refusing redirect to" << target.toDisplayString();
            return finish({Result::Kind::failed, {}, QStringLiteral("The update feed redirects to an address that is not secure.")});
        }
        return request(target, redirectsLeft - 1);
    }
    if (reply->error() != QNetworkReply::NoError && status == 0) {
        const QString message = reply->error() == QNetworkReply::OperationCanceledError
                                    ? QStringLiteral("The update server did not answer in time.")
                                    : reply->errorString();
        return finish({Result::Kind::failed, {}, message});
    }
    if (status < 200 || status >= 300) return finish({Result::Kind::failed, {}, httpError(status)});
    const appcast::ParseResult parsed = appcast::parse(reply->read(maxFeedBytes + 1));
    if (!parsed.error.isEmpty()) {
        return finish({Result::Kind::failed, {}, QStringLiteral("The update feed could not be read: %1").arg(parsed.error)});
    }
    if (!parsed.newest) {
        return finish({Result::Kind::failed, {}, QStringLiteral("The update feed lists no release.")});
    }
    const bool newer = appcast::compareVersions(parsed.newest->version, currentVersion_) > 0;
    finish({newer ? Result::Kind::available : Result::Kind::upToDate, parsed.newest, {}});
}

void UpdaterController::finish(const Result& result) {
    checking_ = false;
    setCanCheck(true);
    if (showsDialog_) {
        if (dialog_) dialog_->close();
        dialog_ = makeDialog(result, currentVersion_, QApplication::activeWindow());
        dialog_->show();
        dialog_->raise();
        dialog_->activateWindow();
    }
    emit checkFinished(result);
}

QWidget* UpdaterController::makeDialog(const Result& result, const QString& currentVersion, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("UpdateDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Software Update"));
    auto* heading = new QLabel(dialog);
    heading->setObjectName(QStringLiteral("UpdateHeading"));
    QFont headingFont = heading->font();
    headingFont.setPixelSize(15);
    headingFont.setWeight(QFont::DemiBold);
    heading->setFont(headingFont);
    auto* detail = new QLabel(dialog);
    detail->setObjectName(QStringLiteral("UpdateDetail"));
    detail->setWordWrap(true);
    heading->setTextFormat(Qt::PlainText);
    detail->setTextFormat(Qt::PlainText);
    auto* buttons = new QDialogButtonBox(dialog);
    switch (result.kind) {
    case Result::Kind::available: {
        heading->setText(QStringLiteral("A new version of Vantrel is available!"));
        detail->setText(QStringLiteral("Vantrel %1 is now available—you have %2.").arg(result.release->version, currentVersion));
        auto* open = buttons->addButton(QStringLiteral("Open Download Page"), QDialogButtonBox::AcceptRole);
        open->setObjectName(QStringLiteral("OpenDownloadPage"));
        open->setToolTip(result.release->link.toDisplayString());
        const QUrl link = result.release->link;
        QObject::connect(open, &QPushButton::clicked, dialog, [link] { QDesktopServices::openUrl(link); });
        buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
        break;
    }
    case Result::Kind::upToDate:
        heading->setText(QStringLiteral("You’re up to date!"));
        detail->setText(QStringLiteral("Vantrel %1 is currently the newest version available.").arg(currentVersion));
        buttons->addButton(QDialogButtonBox::Ok);
        break;
    case Result::Kind::failed:
        heading->setText(QStringLiteral("Update Error!"));
        detail->setText(result.error);
        buttons->addButton(QDialogButtonBox::Ok);
        break;
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* icon = new QLabel(dialog);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->setSpacing(10);
    text->addWidget(heading);
    text->addWidget(detail);
    text->addStretch();
    auto* row = new QHBoxLayout;
    row->setSpacing(18);
    row->addWidget(icon);
    row->addLayout(text, 1);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    dialog->setMinimumWidth(440);
    return dialog;
}

}  // namespace vantrel
