#include "AppCitizenshipKit/CitizenshipConfig.h"

#include "AppCitizenshipKit/WebHost.h"

namespace citizenship {

QUrl addressOn(const QString& origin, const QString& path) {
    if (origin.isEmpty()) return {};
    QString base = origin;
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    const QUrl url(base + path, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty()) return {};
    return url;
}

QUrl CitizenshipConfig::webPage(const QString& path) {
    return addressOn(QString::fromUtf8(kWebOrigin), path);
}

QUrl CitizenshipConfig::defaultFeedbackEndpoint() {
    static const QUrl url = webPage(QStringLiteral("/feedback-submit.php"));
    return url;
}

QUrl CitizenshipConfig::defaultDonateBaseURL() {
    static const QUrl url = webPage(QStringLiteral("/donate.html"));
    return url;
}

QUrl CitizenshipConfig::donateURL() const {
    if (donateBaseURL.isEmpty() || !donateBaseURL.isValid()) return donateBaseURL;
    QUrl url = donateBaseURL;
    // The existing query stays exactly as written; the item goes last.
    QByteArray query = donateBaseURL.query(QUrl::FullyEncoded).toUtf8();
    if (!query.isEmpty()) query += '&';
    query += "app=" + QUrl::toPercentEncoding(appID);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url.isValid() ? url : donateBaseURL;
}

}  // namespace citizenship
