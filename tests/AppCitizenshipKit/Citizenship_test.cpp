// The configuration's addresses, the About credits, the donate link and the menu commands.
#include "AppCitizenshipKit/CitizenshipAbout.h"
#include "AppCitizenshipKit/CitizenshipCommands.h"
#include "FeedbackKit/FeedbackPresenter.h"
#include "GalleryPictures.h"
#include "QtPrinting.h"
#include "SymbolIcons/SymbolIcons.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDesktopServices>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

using namespace citizenship;

// Receives what the application asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() {
        for (const char* scheme : {"https", "mailto"}) QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~OpenedUrls() override {
        for (const char* scheme : {"https", "mailto"}) QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

namespace {

const QColor kLink(0x11, 0x22, 0xcc);

CitizenshipConfig config(bool allLinks = true) {
    CitizenshipConfig c;
    c.appID = QStringLiteral("vantrel");
    c.appName = QStringLiteral("Vantrel");
    c.accent = QColor(0x2f, 0x7d, 0x5a);
    c.feedbackEndpoint = QUrl(QStringLiteral("https://apps.example.org/feedback-submit.php"));
    c.donateBaseURL = QUrl(QStringLiteral("https://apps.example.org/donate.html"));
    if (allLinks) {
        c.websiteURL = QUrl(QStringLiteral("https://apps.example.org/vantrel"));
        c.privacyURL = QUrl(QStringLiteral("https://apps.example.org/privacy"));
        c.supportEmail = QStringLiteral("help@example.org");
    }
    return c;
}

class CitizenshipTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureWidgetApplication(); }
    void TearDown() override {
        if (QDialog* panel = CitizenshipAbout::window()) panel->close();
        feedback::FeedbackPresenter::shared().close();
        EXPECT_TRUE(QTest::qWaitFor([] { return !CitizenshipAbout::window() && !feedback::FeedbackPresenter::shared().window(); }));
    }
};

TEST_F(CitizenshipTest, DonateAddress) {
    const std::vector<std::tuple<QString, QString, QString>> cases{
        {"https://a.example/donate.html", "vantrel", "https://a.example/donate.html?app=vantrel"},
        {"https://a.example/donate.html?b=x%20y&a=1", "vantrel", "https://a.example/donate.html?b=x%20y&a=1&app=vantrel"},
        {"https://a.example/donate.html?app=old", "vantrel", "https://a.example/donate.html?app=old&app=vantrel"},
        {"https://a.example/donate.html?", "vantrel", "https://a.example/donate.html?app=vantrel"},
        {"https://a.example/donate.html#top", "my app&co=1+", "https://a.example/donate.html?app=my%20app%26co%3D1%2B#top"},
        {"", "vantrel", ""},
    };
    for (const auto& [base, appID, expected] : cases) {
        CitizenshipConfig c = config();
        c.donateBaseURL = QUrl(base);
        c.appID = appID;
        EXPECT_EQ(c.donateURL().toString(QUrl::FullyEncoded), expected) << base.toStdString();
        EXPECT_EQ(c.donateURL(), c.donateURL());
        EXPECT_EQ(c.donateBaseURL, QUrl(base));
    }

    EXPECT_EQ(addressOn("https://apps.example.org/", "/privacy"), QUrl("https://apps.example.org/privacy"));
    for (const char* origin : {"", "http://apps.example.org", "apps.example.org", "https://"})
        EXPECT_TRUE(addressOn(origin, "/vantrel").isEmpty()) << origin;
}

TEST_F(CitizenshipTest, FeedbackConfigCarriesTheProvider) {
    CitizenshipConfig c = config();
    EXPECT_FALSE(c.feedbackConfig().logProvider);
    c.logProvider = [] { return std::optional<QString>(QStringLiteral("log")); };
    const feedback::FeedbackConfig f = c.feedbackConfig();
    ASSERT_TRUE(f.logProvider);
    EXPECT_EQ(f.logProvider(), QStringLiteral("log"));
    EXPECT_EQ(f.endpoint, c.feedbackEndpoint);
    EXPECT_EQ(f.appID, "vantrel");
}

// Each run of the credits as (text, link target, coloured).
std::vector<std::tuple<QString, QString, bool>> runs(const QTextDocument& document) {
    std::vector<std::tuple<QString, QString, bool>> found;
    for (auto it = document.begin().begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        found.emplace_back(fragment.text(), format.anchorHref(),
                           format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().color() == kLink);
    }
    return found;
}

TEST_F(CitizenshipTest, Credits) {
    QTextDocument document;
    CitizenshipAbout::buildCredits(&document, config(false), kLink);
    EXPECT_EQ(document.toPlainText(), "Tip Jar");
    EXPECT_EQ(document.begin().blockFormat().alignment(), Qt::AlignHCenter);

    CitizenshipAbout::buildCredits(&document, config(), kLink);
    using Run = std::tuple<QString, QString, bool>;
    const std::vector<Run> expected{
        {"Website", "https://apps.example.org/vantrel", true}, {"    ", "", false},
        {"Tip Jar", "https://apps.example.org/donate.html?app=vantrel", true}, {"    ", "", false},
        {"Privacy", "https://apps.example.org/privacy", true}, {"    ", "", false},
        {"Email", "mailto:help@example.org", true},
    };
    EXPECT_EQ(runs(document), expected);

    // Without addresses nothing is linked, and nothing is left dangling.
    CitizenshipConfig bare = config(false);
    bare.donateBaseURL = QUrl();
    CitizenshipAbout::buildCredits(&document, bare, kLink);
    EXPECT_EQ(document.toPlainText(), "");
}

TEST_F(CitizenshipTest, Commands) {
    QObject owner;
    auto texts = [&](const CitizenshipCommands& commands) {
        QStringList list;
        for (QAction* action : commands.makeActions(&owner)) list.append(action->isSeparator() ? "-" : action->text());
        return list;
    };
    EXPECT_EQ(texts(CitizenshipCommands(config(), false, false)), QStringList{"Send Feedback\u2026"});
    EXPECT_EQ(texts(CitizenshipCommands(config(), true, true)),
              (QStringList{"Send Feedback\u2026", "-", "Leave a Tip", "-", "About Vantrel"}));

    OpenedUrls opened;
    CitizenshipCommands commands(config(), true, true);
    commands.leaveTip();
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl("https://apps.example.org/donate.html?app=vantrel")});

    CitizenshipConfig bare = config();
    bare.donateBaseURL = QUrl();
    CitizenshipCommands(bare, true, true).leaveTip();
    EXPECT_EQ(opened.urls.size(), 1);

    commands.sendFeedback();
    EXPECT_TRUE(feedback::FeedbackPresenter::shared().window());
}

TEST_F(CitizenshipTest, AboutPanelAndDonateLink) {
    OpenedUrls opened;
    CitizenshipCommands commands(config(), true, true);
    commands.makeActions(&opened).last()->trigger();
    QDialog* panel = CitizenshipAbout::window();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), "About Vantrel");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->findChild<QLabel*>("appVersion")->text().startsWith("Version "));
    commands.showAbout();
    EXPECT_EQ(CitizenshipAbout::window(), panel);

    // A click on a title opens its address.
    auto* credits = panel->findChild<QTextBrowser*>("credits");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    QTextCursor cursor(credits->document());
    cursor.setPosition(2);  // inside "Website"
    QTest::mouseClick(credits->viewport(), Qt::LeftButton, {}, credits->cursorRect(cursor).center());
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl("https://apps.example.org/vantrel")});

    DonateLink link(config());
    EXPECT_EQ(link.text(), "\u2665 Leave a Tip");
    EXPECT_EQ(link.textFormat(), Qt::PlainText);
    link.show();
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(opened.urls.last(), QUrl("https://apps.example.org/donate.html?app=vantrel"));
    EXPECT_EQ(DonateLink(config(), QStringLiteral("<b>Trinkgeld</b>")).text(), "<b>Trinkgeld</b>");
}

TEST_F(CitizenshipTest, Gallery) {
    if (!testsupport::galleryWanted()) GTEST_SKIP() << "VANTREL_GALLERY_DIR is not set";
    QApplication::setWindowIcon(SymbolIcons::icon(QStringLiteral("film"), QColor(0x2f, 0x7d, 0x5a), 64));
    for (const auto& theme : testsupport::galleryThemes) {
        QApplication::setPalette(testsupport::galleryPalette(theme.dark));
        CitizenshipAbout::show(config());
        QApplication::processEvents();
        testsupport::saveGalleryPicture(CitizenshipAbout::window(), QStringLiteral("about-") + theme.name);
        CitizenshipAbout::window()->close();
        ASSERT_TRUE(QTest::qWaitFor([] { return !CitizenshipAbout::window(); }));
    }
}

}  // namespace

#include "Citizenship_test.moc"
