// Reading update feeds and ordering versions.
#include "QtPrinting.h"
#include "Vantrel/app/Appcast.h"

#include <gtest/gtest.h>

using namespace vantrel::appcast;

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

}  // namespace

TEST(Appcast, VersionsCompareNumericallyWithPreReleasesFirst) {
    struct Case { const char* a; const char* b; int order; };
    const Case cases[] = {
        {"1.10", "1.9", 1},         {"1.2", "1.2.0", 0},        {"2.0", "10.0", -1},
        {"1.2-beta", "1.2", -1},    {"1.2b1", "1.2", -1},       {"1.2-beta.2", "1.2-beta.10", -1},
        {"1.2-alpha", "1.2-beta", -1}, {"1.2.1-rc.1", "1.2", 1}, {"1.0+build.7", "1.0", 0},
        {"0.1.0", "0.1.0", 0},      {"99999999999999999999", "1", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.order) << c.a << " vs " << c.b;
        EXPECT_EQ(compareVersions(QString::fromLatin1(c.b), QString::fromLatin1(c.a)), -c.order) << c.b << " vs " << c.a;
    }
}

TEST(Appcast, NewestUsableReleaseWins) {
    const ParseResult result = parse(feed(item("1.2.0") + item("1.10.0") + item("1.9.9") +
                                          item("7.0", "javascript:alert(1)") + item("8.0", "file:///etc/passwd") +
                                          item("<b>9</b>") + item("9.0 beta") + item("")));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    ASSERT_TRUE(result.newest.has_value());
    EXPECT_EQ(result.newest->version, QStringLiteral("1.10.0"));
    EXPECT_EQ(result.newest->link, QUrl(QStringLiteral("https://example.com/v")));
}

TEST(Appcast, EnclosureSuppliesVersionAndLink) {
    const ParseResult result = parse(feed("<item><title>x</title><enclosure url=\"https://dl.example.com/v2.tar.gz\" "
                                          "sparkle:version=\"2.0.1\" length=\"1\" type=\"application/gzip\"/></item>"));
    ASSERT_TRUE(result.newest.has_value());
    EXPECT_EQ(result.newest->version, QStringLiteral("2.0.1"));
    EXPECT_EQ(result.newest->link.host(), QStringLiteral("dl.example.com"));
}

TEST(Appcast, UnreadableDocumentsAreErrors) {
    for (const QByteArray& document : {QByteArray(), QByteArray("not xml"), QByteArray("<html><body/></html>"),
                                       feed(item("1.0")).left(120)}) {
        const ParseResult result = parse(document);
        EXPECT_FALSE(result.error.isEmpty()) << document.toStdString();
        EXPECT_FALSE(result.newest.has_value());
    }
    EXPECT_FALSE(parse(feed("")).newest.has_value());
    EXPECT_TRUE(parse(feed("")).error.isEmpty());
}
