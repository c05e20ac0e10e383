// Pictures of the feedback window in each state, light and dark.
#include "FeedbackKit/FeedbackPresenter.h"
#include "FeedbackKit/FeedbackView.h"
#include "FeedbackKit/FeedbackWidgets.h"
#include "GalleryPictures.h"
#include "WireServer.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace feedback;

TEST(FeedbackGallery, FormStates) {
    if (!testsupport::galleryWanted()) GTEST_SKIP() << "VANTREL_GALLERY_DIR is not set";
    testsupport::ensureWidgetApplication();
    wiretest::WireServer server;
    FeedbackPresenter& presenter = FeedbackPresenter::shared();
    for (const auto& theme : testsupport::galleryThemes) {
        QApplication::setPalette(testsupport::galleryPalette(theme.dark));
        const QString suffix = QStringLiteral("-") + theme.name;
        presenter.show({QStringLiteral("vantrel"), server.url(), QColor(0x2f, 0x7d, 0x5a), [] {
                            return std::optional<QString>(QStringLiteral("log"));
                        }});
        FeedbackView* view = presenter.view();
        ASSERT_TRUE(view);
        QApplication::processEvents();
        testsupport::saveGalleryPicture(presenter.window(), "feedback-fresh" + suffix);

        QTest::keyClicks(view->findChild<QLineEdit*>("titleField"), "Timecode off by one frame");
        QTest::keyClicks(view->findChild<QPlainTextEdit*>("bodyEditor"),
                         "After correcting a 29.97 DF clip the start reads 10:00:00;01 instead of 10:00:00;00.");
        QTest::keyClicks(view->findChild<QLineEdit*>("emailField"), "editor@example.org");
        auto* consent = view->findChild<ConsentBox*>("consentBox");
        ASSERT_TRUE(QTest::qWaitFor([&] { return consent->level() == 1.0; }, 10000));
        testsupport::saveGalleryPicture(presenter.window(), "feedback-consent" + suffix);

        server.answer(wiretest::response("503 Service Unavailable",
                                         "The feedback board is down for maintenance tonight; please try again in an "
                                         "hour or so. Nothing you typed is lost, and we are sorry for the wait."));
        consent->checkBox()->setChecked(true);
        view->send();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->phase() == FeedbackView::Phase::failed; }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return consent->level() == 0.0; }, 10000));
        testsupport::saveGalleryPicture(presenter.window(), "feedback-failed" + suffix);

        server.answer(wiretest::response("200 OK"));
        view->send();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->phase() == FeedbackView::Phase::sent; }, 30000));
        testsupport::saveGalleryPicture(presenter.window(), "feedback-thanks" + suffix);
        presenter.close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !presenter.window(); }, 10000));
    }
}
