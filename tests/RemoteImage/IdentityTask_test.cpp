#include "GalleryPictures.h"
#include "RemoteImage/IdentityTask.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <vector>

using namespace remoteimage;

namespace {

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

}  // namespace
