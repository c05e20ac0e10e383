// The feedback window under the offscreen platform: one window, its placement,
// closing, the live status, sending and its outcomes, and the log option.
#include "FeedbackKit/FeedbackPresenter.h"
#include "FeedbackKit/FeedbackView.h"
#include "FeedbackKit/FeedbackWidgets.h"
#include "GalleryPictures.h"
#include "QtPrinting.h"
#include "WireServer.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace feedback;
using namespace wiretest;

namespace {

const QColor kAccent(0x2f, 0x7d, 0x5a);

class FormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureWidgetApplication(); }

    void TearDown() override {
        presenter().close();
        waitClosed();
        if (main) main->close();
        delete main;
    }

    static FeedbackPresenter& presenter() { return FeedbackPresenter::shared(); }

    FeedbackConfig config(LogProvider provider = {}) {
        return {QStringLiteral("vantrel"), server.url(), kAccent, std::move(provider)};
    }

    FeedbackView* open(const FeedbackConfig& c) {
        presenter().show(c);
        EXPECT_TRUE(presenter().window());
        return presenter().view();
    }
    FeedbackView* open() { return open(config()); }

    template <typename T>
    static T* part(FeedbackView* view, const char* name) {
        T* found = view->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    static QString status(FeedbackView* view) { return part<StatusLine>(view, "statusLine")->text(); }
    static QPushButton* sendButton(FeedbackView* view) { return part<QPushButton>(view, "sendButton"); }

    static void fill(FeedbackView* view, bool consent = true) {
        QTest::keyClicks(part<QLineEdit>(view, "titleField"), "Crash on open");
        QTest::keyClicks(part<QPlainTextEdit>(view, "bodyEditor"), "It quits when I add a movie.");
        if (consent) part<QCheckBox>(view, "consentToggle")->setChecked(true);
    }

    void waitClosed() {
        EXPECT_TRUE(QTest::qWaitFor([] { return !FeedbackPresenter::shared().window(); }, 10000));
    }

    WireServer server;
    QWidget* main = nullptr;
};

TEST_F(FormTest, OneWindowKeptUntilClosed) {
    FeedbackView* view = open();
    QDialog* window = presenter().window();
    EXPECT_EQ(window->windowTitle(), "Send Feedback");
    EXPECT_EQ(window->size(), QSize(460, 540));
    EXPECT_FALSE(window->parentWidget());
    // Centred on the screen when no window is active.
    EXPECT_LE((window->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center())
                  .manhattanLength(), 4);

    QTest::keyClicks(part<QLineEdit>(view, "titleField"), "Kept");
    open();
    EXPECT_EQ(presenter().window(), window);
    EXPECT_EQ(view->draft().title, "Kept");

    // Every way of closing leaves the next form empty, with Bug chosen.
    const std::vector<std::pair<const char*, std::function<void(FeedbackView*)>>> closings{
        {"Cancel", [](FeedbackView* v) { QTest::mouseClick(part<QPushButton>(v, "cancelButton"), Qt::LeftButton); }},
        {"Escape", [](FeedbackView* v) { QTest::keyClick(v->window(), Qt::Key_Escape); }},
        {"close button", [](FeedbackView* v) { v->window()->close(); }},
    };
    for (const auto& [name, closeIt] : closings) {
        view = open();
        QTest::mouseClick(part<QToolButton>(view, "kind-question"), Qt::LeftButton);
        QTest::keyClicks(part<QLineEdit>(view, "titleField"), "Something");
        closeIt(view);
        waitClosed();
        view = open();
        EXPECT_EQ(view->draft(), FeedbackDraft()) << name;
        EXPECT_TRUE(part<QToolButton>(view, "kind-bug")->isChecked()) << name;
        presenter().close();
        waitClosed();
    }
}

TEST_F(FormTest, ModalChildOfTheActiveWindow) {
    main = new QWidget;
    main->resize(800, 600);
    main->show();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    FeedbackView* view = open();
    QDialog* window = presenter().window();
    EXPECT_EQ(window->parentWidget(), main);
    EXPECT_EQ(window->windowModality(), Qt::WindowModal);
    QTest::keyClicks(part<QLineEdit>(view, "titleField"), "Kept");
    open();
    EXPECT_EQ(presenter().window(), window);
    EXPECT_EQ(view->draft().title, "Kept");
    presenter().close();
    waitClosed();

    // Over a passing dialog the form is a window of its own.
    QDialog panel(main);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &panel; }));
    open();
    EXPECT_FALSE(presenter().window()->parentWidget());
}

// A disabled Send is the same button faded into the window, on a light window
// and on a dark one: its fill lies much nearer the window than the enabled fill.
TEST_F(FormTest, DisabledSendFadesInLightAndDark) {
    const QPalette before = QApplication::palette();
    const auto distance = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    for (const auto& theme : testsupport::galleryThemes) {
        SCOPED_TRACE(theme.name);
        QApplication::setPalette(testsupport::galleryPalette(theme.dark));
        FeedbackView* view = open();
        QPushButton* send = sendButton(view);
        ASSERT_FALSE(send->isEnabled());
        const QColor window = view->palette().color(QPalette::Window);
        const QPoint inside(8, send->height() / 2);
        const QColor disabled = send->grab().toImage().pixelColor(inside);
        fill(view);
        ASSERT_TRUE(send->isEnabled());
        const QColor enabled = send->grab().toImage().pixelColor(inside);
        EXPECT_LT(distance(disabled, window) * 10, distance(enabled, window) * 6)
            << disabled.name().toStdString() << " against " << enabled.name().toStdString() << " on "
            << window.name().toStdString();
        presenter().close();
        waitClosed();
    }
    QApplication::setPalette(before);
}

// WCAG contrast ratio of two colours.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Send and Done are drawn as the design's prominent buttons: filled with the
// accent itself (the application's orange, and another), the title in white as
// far from the fill as white is, darker by 0.08 while pressed; light and dark.
TEST_F(FormTest, ProminentButtonsAreFilledWithTheAccent) {
    const QPalette before = QApplication::palette();
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2;
    };
    const QColor orange(0xf0, 0x62, 0x2a);
    struct Row {
        const char* what;
        bool dark;
        QColor accent;
        const char* button;
        bool pressed;
    };
    const Row rows[] = {
        {"Send, light", false, orange, "sendButton", false},
        {"Send, dark", true, orange, "sendButton", false},
        {"Send pressed", false, orange, "sendButton", true},
        {"Send, another accent", true, kAccent, "sendButton", false},
        {"Done, dark", true, orange, "doneButton", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QApplication::setPalette(testsupport::galleryPalette(row.dark));
        FeedbackConfig c = config();
        c.accent = row.accent;
        FeedbackView* view = open(c);
        fill(view);
        if (QByteArrayView(row.button) == "doneButton") {
            server.answer(response("201 Created"));
            view->send();
            ASSERT_TRUE(QTest::qWaitFor([&] { return view->phase() == FeedbackView::Phase::sent; }, 30000));
        }
        auto* button = part<QPushButton>(view, row.button);
        ASSERT_TRUE(button->isEnabled());
        button->setDown(row.pressed);
        const QImage picture = button->grab().toImage();
        const double darkening = row.pressed ? 0.08 : 0;
        const QColor fill = QColor::fromRgbF(std::max(0.0, row.accent.redF() - darkening),
                                             std::max(0.0, row.accent.greenF() - darkening),
                                             std::max(0.0, row.accent.blueF() - darkening));
        // Beside the title, half-way down.
        const QColor shown = picture.pixelColor(6, picture.height() / 2);
        EXPECT_TRUE(near(shown, fill)) << shown.name().toStdString() << " for " << fill.name().toStdString();
        // The title: the pixel farthest from the fill, as far as white is.
        double title = 1;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) title = std::max(title, contrast(picture.pixelColor(x, y), fill));
        EXPECT_GE(title, contrast(Qt::white, fill) * 0.95);
        button->setDown(false);
        presenter().close();
        waitClosed();
    }
    QApplication::setPalette(before);
}

// Every field shows its edge against its fill and against the window: on the
// light and the dark test palettes, and on a dark palette whose text base is
// darker than the window (the application's), where the style's own outline,
// taken from the window colour, all but vanishes.
TEST_F(FormTest, FieldsAndTheConsentBoxShowTheirEdges) {
    const QPalette before = QApplication::palette();
    QPalette deepDark = testsupport::galleryPalette(true);
    deepDark.setColor(QPalette::Window, QColor(0x1d, 0x1d, 0x1d));
    deepDark.setColor(QPalette::Base, QColor(0x15, 0x15, 0x15));
    const std::pair<const char*, QPalette> palettes[] = {{"light", testsupport::galleryPalette(false)},
                                                         {"dark", testsupport::galleryPalette(true)},
                                                         {"dark, deep base", deepDark}};
    const auto lightness = [](const QColor& c) { return c.lightness(); };
    for (const auto& [name, palette] : palettes) {
        SCOPED_TRACE(name);
        QApplication::setPalette(palette);
        FeedbackView* view = open();
        QApplication::processEvents();
        const QImage picture = view->grab().toImage();
        const int window = lightness(view->palette().color(QPalette::Window));
        const int fill = lightness(view->palette().color(QPalette::Base));
        // Across the left side of each field at half its height: from the window,
        // over the edge, into the fill. The edge is the pixel farthest from both.
        for (const char* field : {"titleField", "bodyEditor", "reporterField", "emailField", "consentToggle"}) {
            QWidget* widget = part<QWidget>(view, field);
            const QPoint origin = widget->mapTo(view, QPoint(0, widget->height() / 2));
            int edgeContrast = 0;
            for (int x = origin.x() - 6; x < origin.x() + 2; ++x) {
                const int l = lightness(picture.pixelColor(x, origin.y()));
                edgeContrast = std::max(edgeContrast, std::min(std::abs(l - window), std::abs(l - fill)));
            }
            EXPECT_GE(edgeContrast, 30) << field;
        }
        // Rounded: the corners of the description's frame show the window.
        QWidget* frame = part<QWidget>(view, "bodyEditor")->parentWidget();
        const QImage framed = frame->grab().toImage();
        const int edge = lightness(framed.pixelColor(framed.width() / 2, 0));
        EXPECT_GE(std::abs(edge - window), 30);
        EXPECT_LE(std::abs(lightness(framed.pixelColor(0, 0)) - window), 6);
        EXPECT_LE(std::abs(lightness(framed.pixelColor(framed.width() - 1, framed.height() - 1)) - window), 6);
        presenter().close();
        waitClosed();
    }
    QApplication::setPalette(before);
}

TEST_F(FormTest, StatusFollowsTheDraft) {
    FeedbackView* view = open();
    EXPECT_TRUE(view->findChild<QLabel*>("versionLine")->text().contains(" \u00b7 Linux "));
    EXPECT_EQ(status(view), "Add a short title.");
    EXPECT_FALSE(sendButton(view)->isEnabled());

    fill(view, false);
    auto* consent = part<ConsentBox>(view, "consentBox");
    EXPECT_EQ(status(view), "Please tick the box so it can be listed publicly.");
    EXPECT_EQ(part<StatusLine>(view, "statusLine")->color(), kAccent);
    EXPECT_TRUE(view->highlightConsent());
    EXPECT_TRUE(QTest::qWaitFor([&] { return consent->level() == 1.0; }, 10000));

    part<QCheckBox>(view, "consentToggle")->setChecked(true);
    EXPECT_EQ(status(view), "");
    EXPECT_TRUE(sendButton(view)->isEnabled());
    EXPECT_FALSE(consent->isHighlighted());

    // A broken e-mail takes the status again, in the muted colour.
    QTest::keyClicks(part<QLineEdit>(view, "emailField"), "me@home");
    EXPECT_EQ(status(view), "That email looks off.");
    EXPECT_NE(part<StatusLine>(view, "statusLine")->color(), kAccent);
    EXPECT_FALSE(sendButton(view)->isEnabled());
}

TEST_F(FormTest, SendingFailingAndSucceeding) {
    QPointer<QTcpSocket> pending;
    server.respond = [&](QTcpSocket* socket) { pending = socket; };
    FeedbackView* view = open();
    fill(view);
    QTest::mouseClick(sendButton(view), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(pending); }, 30000));
    EXPECT_EQ(sendButton(view)->text(), "Sending\u2026");
    EXPECT_FALSE(sendButton(view)->isEnabled());

    pending->write(response("500 Internal Server Error", "<b>down</b>"));
    pending->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->phase() == FeedbackView::Phase::failed; }, 30000));
    EXPECT_EQ(status(view), "<b>down</b>");
    EXPECT_EQ(part<StatusLine>(view, "statusLine")->color().red(), 0xd7);
    EXPECT_TRUE(sendButton(view)->isEnabled());

    server.answer(response("201 Created"));
    QTest::mouseClick(part<QToolButton>(view, "kind-feature"), Qt::LeftButton);
    QTest::mouseClick(sendButton(view), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->phase() == FeedbackView::Phase::sent; }, 30000));
    EXPECT_EQ(part<QLabel>(view, "thanksLabel")->text(), "Thanks \u2014 your feature request was sent.");
    EXPECT_TRUE(server.requests.last().body.startsWith("app=vantrel&type=feature&"));
    QTest::keyClick(view->window(), Qt::Key_Return);
    waitClosed();
}

// A failure's message stays until the next send, also while the user edits and
// while the draft has a problem (which still turns Send off); the next send
// takes it away.
TEST_F(FormTest, AFailureStaysUntilTheNextSend) {
    server.answer(response("503 Service Unavailable", "down for the night"));
    FeedbackView* view = open();
    fill(view);
    view->send();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->phase() == FeedbackView::Phase::failed; }, 30000));
    struct Edit {
        const char* what;
        std::function<void()> make;
        bool sendable;
    };
    auto* email = part<QLineEdit>(view, "emailField");
    auto* title = part<QLineEdit>(view, "titleField");
    const Edit edits[] = {
        {"title typed on", [&] { QTest::keyClicks(title, "!"); }, true},
        {"e-mail broken", [&] { QTest::keyClicks(email, "foo@"); }, false},
        {"e-mail mended", [&] { QTest::keyClicks(email, "home.org"); }, true},
        {"consent taken back", [&] { part<QCheckBox>(view, "consentToggle")->setChecked(false); }, false},
        {"title emptied", [&] { title->clear(); }, false},
        {"filled in again", [&] {
             QTest::keyClicks(title, "Crash");
             part<QCheckBox>(view, "consentToggle")->setChecked(true);
         }, true},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        edit.make();
        EXPECT_EQ(status(view), "down for the night");
        EXPECT_EQ(part<StatusLine>(view, "statusLine")->color().red(), 0xd7);
        EXPECT_EQ(sendButton(view)->isEnabled(), edit.sendable);
    }
    QPointer<QTcpSocket> pending;
    server.respond = [&](QTcpSocket* socket) { pending = socket; };
    view->send();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(pending); }, 30000));
    EXPECT_EQ(status(view), "");
}

TEST_F(FormTest, ClosingWhileSending) {
    QPointer<QTcpSocket> pending;
    server.respond = [&](QTcpSocket* socket) { pending = socket; };
    QPointer<FeedbackView> view = open();
    fill(view);
    view->send();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(pending); }, 30000));
    presenter().close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view; }, 10000));

    // The reply arrives for nobody; a new form is unaffected.
    const qsizetype before = QCoreApplication::instance()->children().size();
    pending->write(response("200 OK"));
    pending->disconnectFromHost();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QCoreApplication::instance()->children().size() < before; }, 30000));
    EXPECT_EQ(open()->phase(), FeedbackView::Phase::editing);
}

TEST_F(FormTest, LogIsCapturedWhenTicked) {
    int calls = 0;
    FeedbackView* view = open(config([&] {
        ++calls;
        return std::optional<QString>(QStringLiteral("log text"));
    }));
    auto* toggle = part<QCheckBox>(view, "logToggle");
    EXPECT_EQ(calls, 0);
    toggle->setChecked(true);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(view->draft().attachedLog, QStringLiteral("log text"));
    toggle->setChecked(false);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(view->draft().attachedLog, std::nullopt);
    presenter().close();
    waitClosed();

    EXPECT_FALSE(open()->findChild<QCheckBox*>("logToggle"));
}

}  // namespace
