#include "ImageTestSupport.h"
#include "RemoteImage/RemoteImageModel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace remoteimage;
using namespace imagetest;

namespace {

const QUrl a(QStringLiteral("https://images.test/a.png"));
const QUrl b(QStringLiteral("https://images.test/b.png"));
const QUrl c(QStringLiteral("https://images.test/c.png"));

class RemoteImageModelTest : public ::testing::Test {
protected:
    RemoteImageModelTest() {
        testsupport::ensureApplication();
        model.setImageLoader(&loader);
    }

    FakeLoader loader;
    RemoteImageModel model;
    QSignalSpy sources{&model, &RemoteImageModel::sourceChanged};
    QSignalSpy images{&model, &RemoteImageModel::imageChanged};
    const QImage wide = filledImage(200, 100);
};

TEST_F(RemoteImageModelTest, MovesThroughItsStatesSourceBySource) {
    EXPECT_EQ(model.image(), RemoteImageState());

    model.update(ImageSource{a, 2});
    EXPECT_EQ(model.image(), RemoteImageState());  // nothing until the answer
    ASSERT_TRUE(loader.answer(a, wide));
    EXPECT_EQ(model.image(), RemoteImageState::success(wide, QSizeF(100, 50)));

    // An equal source: no load, nothing published.
    EXPECT_TRUE(model.update(ImageSource{a, 2}).isFinished());
    EXPECT_EQ(loader.calls.size(), 1);
    EXPECT_EQ(sources.size(), 1);
    EXPECT_EQ(images.size(), 1);

    // Another scale is another source, and another size.
    model.update(ImageSource{a, 1});
    ASSERT_TRUE(loader.answer(a, wide));
    EXPECT_EQ(model.image(), RemoteImageState::success(wide, QSizeF(200, 100)));

    // An absent source keeps what is shown.
    model.update(std::nullopt);
    EXPECT_FALSE(model.source().has_value());
    EXPECT_EQ(model.image(), RemoteImageState::success(wide, QSizeF(200, 100)));

    model.update(ImageSource{b, 1});
    ASSERT_TRUE(loader.fail(b));
    EXPECT_EQ(model.image(), RemoteImageState::failure());

    model.update(ImageSource{c, 1});
    EXPECT_EQ(model.image(), RemoteImageState::failure());  // the old state stays while loading
    ASSERT_TRUE(loader.answer(c, wide));
    EXPECT_TRUE(model.image().isSuccess());
    EXPECT_EQ(sources.size(), 5);
}

TEST_F(RemoteImageModelTest, AnAnswerForAnEarlierSourceIsDropped) {
    const QImage first = filledImage(10, 10), second = filledImage(20, 20);
    model.update(ImageSource{a, 1});
    model.update(ImageSource{b, 1});
    ASSERT_TRUE(loader.answer(b, second));
    ASSERT_TRUE(loader.answer(a, first));  // the earlier answer arrives last
    EXPECT_EQ(model.image(), RemoteImageState::success(second, QSizeF(20, 20)));

    model.update(ImageSource{a, 1});
    model.update(ImageSource{c, 1});
    ASSERT_TRUE(loader.fail(a));
    EXPECT_EQ(model.image(), RemoteImageState::success(second, QSizeF(20, 20)));
    ASSERT_TRUE(loader.answer(c, first));
    EXPECT_EQ(model.image(), RemoteImageState::success(first, QSizeF(10, 10)));
}

TEST_F(RemoteImageModelTest, ACancelledWaitStillPublishesForTheCurrentSource) {
    QFuture<void> waiting = model.update(ImageSource{a, 1});
    waiting.cancel();
    ASSERT_TRUE(loader.answer(a, wide));
    EXPECT_TRUE(model.image().isSuccess());
}

}  // namespace
