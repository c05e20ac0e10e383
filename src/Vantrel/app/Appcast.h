#pragma once

// Reading an update feed: an RSS 2.0 appcast whose items name a release by its
// version and link to the page where it can be downloaded. Nothing here touches
// the network.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace vantrel::appcast {

struct Release {
    QString version;  // plain dotted version, e.g. "1.4.2" or "2.0-beta.1"
    QString title;
    QUrl link;        // http or https only
};

struct ParseResult {
    std::optional<Release> newest;  // none: the feed names no usable release
    QString error;                  // set when the document is not a readable appcast
};

// The newest release the feed offers. Items whose version is missing or not a
// plain version, or whose link is not http or https, are skipped.
ParseResult parse(const QByteArray& document);

// A version is plain when it is at most 40 characters of digits, letters, '.',
// '-' and '+', starting with a digit.
bool isPlainVersion(const QString& version);

// Orders dotted versions numerically ("1.10" after "1.9", "1.2" equal to
// "1.2.0"); a pre-release ("1.2-beta", "1.2b1") sorts before its release.
// Negative, zero or positive like a comparison of a with b.
int compareVersions(const QString& a, const QString& b);

}  // namespace vantrel::appcast
