// The image view: its states and sizes, the task that follows a widget's
// visibility and identity, and pictures of each state.
#include "GalleryPictures.h"
#include "ImageTestSupport.h"
#include "RemoteImage/IdentityTask.h"
#include "RemoteImage/ImageWidgets.h"
#include "RemoteImage/RemoteImageView.h"

#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>

#include <vector>

using namespace remoteimage;
using namespace imagetest;

namespace {

const QUrl address(QStringLiteral("https://images.test/photo.png"));

QWidget* labelled(const char* name) {
    auto* label = new QLabel(QString::fromLatin1(name));
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString shown(RemoteImageView& view) {
    QWidget* content = view.contentWidget();
    if (!content) return QStringLiteral("nothing");
    if (qobject_cast<ImageWidget*>(content)) return QStringLiteral("image");
    if (qobject_cast<PlaceholderBox*>(content)) return QStringLiteral("box");
    return content->objectName();
}

// Records each start, and whether the task before it had been cancelled by then.
struct Recorder {
    QFuture<void> start() {
        previousCancelled.push_back(!promises.empty() && promises.back()->future().isCanceled());
        promises.push_back(std::make_shared<QPromise<void>>());
        promises.back()->start();
        return promises.back()->future();
    }
    bool lastCancelled() const { return promises.back()->future().isCanceled(); }

    std::vector<std::shared_ptr<QPromise<void>>> promises;
    std::vector<bool> previousCancelled;
};

class RemoteImageViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureWidgetApplication(); }

    RemoteImageView* withFallback(const std::optional<QUrl>& url, qreal scale = 1) {
        auto* view = RemoteImageView::withFallback(
            url, scale, {}, [](const QImage& image, const QSizeF& size) { return new ImageWidget(image, size); },
            [] { return labelled("placeholder"); }, [] { return labelled("fallback"); }, &host);
        view->setImageLoader(&loader);
        return view;
    }

    FakeLoader loader;
    QWidget host;
};

TEST_F(RemoteImageViewTest, ShowsThePlaceholderWhileLoadingAndTheFallbackAfterAFailure) {
    RemoteImageView* without = withFallback(std::nullopt);  // without an address nothing is fetched
    RemoteImageView* view = withFallback(address);
    EXPECT_TRUE(loader.calls.isEmpty());  // nothing loads before the view is shown
    host.show();
    EXPECT_EQ(shown(*without), QStringLiteral("placeholder"));
    EXPECT_EQ(without->model().image(), RemoteImageState());
    EXPECT_EQ(loader.calls, QList<QUrl>{address});
    EXPECT_EQ(shown(*view), QStringLiteral("placeholder"));
    ASSERT_TRUE(loader.fail(address));
    EXPECT_EQ(shown(*view), QStringLiteral("fallback"));
}

TEST_F(RemoteImageViewTest, AnEqualSourceIsNotLoadedAgainAfterHideAndShow) {
    RemoteImageView* view = withFallback(address);
    host.show();
    host.hide();  // the wait is cancelled, the answer is still taken
    ASSERT_TRUE(loader.answer(address, filledImage(40, 30)));
    host.show();
    EXPECT_EQ(loader.calls.size(), 1);
    EXPECT_EQ(shown(*view), QStringLiteral("image"));

    view->setSource(address, 1);  // equal: nothing happens
    EXPECT_EQ(loader.calls.size(), 1);
    view->setSource(address, 2);  // another scale is another source
    EXPECT_EQ(loader.calls.size(), 2);
    ASSERT_TRUE(loader.answer(address, filledImage(40, 30)));
    EXPECT_EQ(view->model().image().idealSize(), QSizeF(20, 15));
}

TEST_F(RemoteImageViewTest, SizeHintsFollowTheLoadedImage) {
    RemoteImageView* view = RemoteImageView::image(address, 1, &host);
    view->setImageLoader(&loader);
    host.show();
    EXPECT_EQ(shown(*view), QStringLiteral("box"));  // a box, not an empty space
    ASSERT_TRUE(loader.answer(address, filledImage(400, 300)));
    EXPECT_EQ(shown(*view), QStringLiteral("image"));
    EXPECT_EQ(view->sizeHint(), QSize(400, 300));
    EXPECT_TRUE(view->hasHeightForWidth());
    EXPECT_EQ(view->heightForWidth(200), 150);
}

TEST_F(RemoteImageViewTest, AFadeEndsWithThePlainImage) {
    RemoteImageView* view = RemoteImageView::image(address, 1, Transaction{40}, [](const QImage& image, const QSizeF& size) {
        return new ImageWidget(image, size);
    }, &host);
    view->setImageLoader(&loader);
    host.show();
    ASSERT_TRUE(loader.answer(address, filledImage(40, 30)));
    ASSERT_NE(view->contentWidget()->graphicsEffect(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->contentWidget()->graphicsEffect() == nullptr; }, 60000));
}

TEST(IdentityTask, FollowsTheWidgetAndItsIdentity) {
    testsupport::ensureWidgetApplication();
    QWidget widget;
    Recorder recorder;
    IdentityTask<int> task(&widget, 1, [&] { return recorder.start(); });

    task.setId(2);  // hidden: nothing starts
    EXPECT_TRUE(recorder.promises.empty());

    widget.show();
    ASSERT_EQ(recorder.promises.size(), 1u);
    EXPECT_TRUE(task.task().has_value());

    task.setId(3);
    ASSERT_EQ(recorder.promises.size(), 2u);
    EXPECT_TRUE(recorder.previousCancelled.back());  // cancelled before the new one started
    task.setId(3);
    EXPECT_EQ(recorder.promises.size(), 2u);

    widget.hide();
    EXPECT_TRUE(recorder.lastCancelled());
    EXPECT_FALSE(task.task().has_value());

    widget.show();
    ASSERT_EQ(recorder.promises.size(), 3u);
    EXPECT_FALSE(recorder.lastCancelled());
}

// Pictures of each state, light and dark, in $VANTREL_GALLERY_DIR.
TEST_F(RemoteImageViewTest, Gallery) {
    if (!testsupport::galleryWanted()) GTEST_SKIP() << "VANTREL_GALLERY_DIR is not set";
    QImage photo(360, 240, QImage::Format_RGB32);
    {
        QPainter painter(&photo);
        QLinearGradient sky(0, 0, 0, 240);
        sky.setColorAt(0, QColor(0x2b, 0x6c, 0xb0));
        sky.setColorAt(1, QColor(0xf0, 0x9a, 0x5a));
        painter.fillRect(photo.rect(), sky);
        painter.setBrush(QColor(0x2e, 0x4a, 0x2e));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(120, 300), 260, 120);
    }
    for (const testsupport::GalleryTheme& theme : testsupport::galleryThemes) {
        QWidget page;
        page.setPalette(testsupport::galleryPalette(theme.dark));
        page.setAutoFillBackground(true);
        auto* layout = new QHBoxLayout(&page);
        const QUrl loading(QStringLiteral("https://images.test/loading.png"));
        const QUrl failing(QStringLiteral("https://images.test/failing.png"));
        const QUrl loaded(QStringLiteral("https://images.test/loaded.png"));
        for (const QUrl& url : {loading, failing, loaded}) {
            auto* view = RemoteImageView::withFallback(
                url, 2, {}, [](const QImage& image, const QSizeF& size) { return new ImageWidget(image, size); },
                [] { return new PlaceholderBox; },
                [] {
                    auto* label = new QLabel(QStringLiteral("The image could not be loaded."));
                    label->setAlignment(Qt::AlignCenter);
                    label->setWordWrap(true);
                    return label;
                });
            view->setImageLoader(&loader);
            view->setFixedSize(180, 120);
            layout->addWidget(view);
        }
        page.show();
        loader.fail(failing);
        loader.answer(loaded, photo);
        testsupport::saveGalleryPicture(&page, QStringLiteral("remote-image-") + QLatin1String(theme.name));
        loader.pending.clear();
    }
}

}  // namespace
