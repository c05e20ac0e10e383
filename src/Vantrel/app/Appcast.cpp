#include "Vantrel/app/Appcast.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

namespace vantrel::appcast {

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

struct Split {
    QStringList numbers;  // digits without leading zeros, any length
    QString preRelease;  // empty for a release
};

// "1.2.3-beta.1" → {1,2,3} and "beta.1"; "1.2b1" → {1,2} and "b1".
Split split(const QString& version) {
    Split result;
    qsizetype i = 0;
    while (i < version.size()) {
        qsizetype start = i;
        while (i < version.size() && version[i].isDigit()) ++i;
        if (i == start) break;
        QString digits = version.mid(start, i - start);
        while (digits.size() > 1 && digits.startsWith(QLatin1Char('0'))) digits.remove(0, 1);
        result.numbers.append(digits);
        if (i < version.size() && version[i] == QLatin1Char('.') && i + 1 < version.size() && version[i + 1].isDigit()) {
            ++i;
            continue;
        }
        break;
    }
    QString rest = version.mid(i);
    const qsizetype plus = rest.indexOf(QLatin1Char('+'));  // build metadata does not order
    if (plus >= 0) rest.truncate(plus);
    while (rest.startsWith(QLatin1Char('-')) || rest.startsWith(QLatin1Char('.'))) rest.remove(0, 1);
    result.preRelease = rest;
    return result;
}

// Two runs of digits without leading zeros: the longer is larger, else by digits.
int compareNumbers(const QString& a, const QString& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int comparePreRelease(const QString& a, const QString& b) {
    const QStringList left = a.split(QRegularExpression(QStringLiteral("[.-]")));
    const QStringList right = b.split(QRegularExpression(QStringLiteral("[.-]")));
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        if (i >= left.size()) return -1;
        if (i >= right.size()) return 1;
        static const QRegularExpression digitsOnly(QStringLiteral("^[0-9]+$"));
        const bool leftNumeric = digitsOnly.match(left[i]).hasMatch();
        const bool rightNumeric = digitsOnly.match(right[i]).hasMatch();
        if (leftNumeric && rightNumeric) {
            QString l = left[i], r = right[i];
            while (l.size() > 1 && l.startsWith(QLatin1Char('0'))) l.remove(0, 1);
            while (r.size() > 1 && r.startsWith(QLatin1Char('0'))) r.remove(0, 1);
            if (const int c = compareNumbers(l, r); c != 0) return c;
        } else if (leftNumeric != rightNumeric) {
            return leftNumeric ? -1 : 1;
        } else if (const int c = QString::compare(left[i], right[i], Qt::CaseInsensitive); c != 0) {
            return c < 0 ? -1 : 1;
        }
    }
    return 0;
}

QUrl webLink(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http")) return {};
    return url;
}

// One <item>: its elements and the enclosure's attributes.
std::optional<Release> readItem(QXmlStreamReader& xml) {
    QString shortVersion, version, title, link, enclosureURL, enclosureVersion, enclosureShortVersion;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        const bool sparkle = xml.namespaceUri() == sparkleNamespace;
        if (name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            enclosureURL = attributes.value(QStringLiteral("url")).toString();
            enclosureVersion = attributes.value(sparkleNamespace, QStringLiteral("version")).toString();
            enclosureShortVersion = attributes.value(sparkleNamespace, QStringLiteral("shortVersionString")).toString();
            xml.skipCurrentElement();
        } else if (sparkle && name == QLatin1String("shortVersionString")) {
            shortVersion = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (sparkle && name == QLatin1String("version")) {
            version = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
        } else if (!sparkle && name == QLatin1String("title")) {
            title = xml.readElementText(QXmlStreamReader::SkipChildElements).simplified();
        } else if (!sparkle && name == QLatin1String("link")) {
            link = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else {
            xml.skipCurrentElement();
        }
    }
    QString chosen;
    for (const QString& candidate : {shortVersion, enclosureShortVersion, version, enclosureVersion}) {
        if (!candidate.isEmpty()) {
            chosen = candidate.trimmed();
            break;
        }
    }
    if (!isPlainVersion(chosen)) return std::nullopt;
    QUrl url = webLink(link);
    if (url.isEmpty()) url = webLink(enclosureURL);
    if (url.isEmpty()) return std::nullopt;
    return Release{chosen, title.left(200), url};
}

}  // namespace

bool isPlainVersion(const QString& version) {
    static const QRegularExpression plain(QStringLiteral("^[0-9][0-9A-Za-z.+-]{0,39}$"));
    return plain.match(version).hasMatch();
}

int compareVersions(const QString& a, const QString& b) {
    const Split left = split(a);
    const Split right = split(b);
    for (qsizetype i = 0; i < std::max(left.numbers.size(), right.numbers.size()); ++i) {
        if (const int c = compareNumbers(i < left.numbers.size() ? left.numbers[i] : QStringLiteral("0"),
                                         i < right.numbers.size() ? right.numbers[i] : QStringLiteral("0"));
            c != 0) {
            return c;
        }
    }
    if (left.preRelease.isEmpty() != right.preRelease.isEmpty()) return left.preRelease.isEmpty() ? 1 : -1;
    return comparePreRelease(left.preRelease, right.preRelease);
}

ParseResult parse(const QByteArray& document) {
    ParseResult result;
    QXmlStreamReader xml(document);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("rss")) {
        result.error = xml.hasError() ? xml.errorString() : QStringLiteral("not an RSS document");
        return result;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("channel")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("item")) {
                xml.skipCurrentElement();
                continue;
            }
            const std::optional<Release> release = readItem(xml);
            if (release && (!result.newest || compareVersions(release->version, result.newest->version) > 0)) {
                result.newest = release;
            }
        }
    }
    if (xml.hasError()) {
        result.newest.reset();
        result.error = xml.errorString();
    }
    return result;
}

}  // namespace vantrel::appcast
