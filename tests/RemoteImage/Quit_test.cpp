// The application object goes while downloads of the shared loader are in
// flight, as when the program quits with a help page still loading.
#include "LocalImageServer.h"
#include "RemoteImage/DefaultRemoteImageLoader.h"
#include "RemoteImage/RemoteImageView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include "TestMedia.h"
#include <QTest>

using namespace remoteimage;
using namespace imagetest;

TEST(RemoteImageQuit, TheApplicationGoesWithDownloadsInFlight) {
    static int argc = 1;
    static char name[] = "vantrel-tests";
    static char* argv[] = {name, nullptr};
    QFuture<RemoteImageResult> outliving;
    {
        testsupport::isolateUserFolders();
        QApplication app(argc, argv);
        LocalImageServer server;
        std::function<void()> release;
        server.route("/held", LocalImageServer::held(LocalImageServer::respond(200, pngBytes(8, 8)), &release));
        const QUrl url = server.url(QStringLiteral("/held"));
        {
            RemoteImageView view(url, 1, [](const RemoteImageState&) { return nullptr; });
            view.show();
            ASSERT_TRUE(QTest::qWaitFor([&] { return bool(release); }, 60000));
        }
        outliving = DefaultRemoteImageLoader::shared()->image(url);
        ASSERT_EQ(DefaultRemoteImageLoader::shared()->downloadsInFlight(), 1);
    }
    EXPECT_TRUE(outliving.isFinished());
    EXPECT_TRUE(outliving.isCanceled());
    EXPECT_EQ(DefaultRemoteImageLoader::shared(), nullptr);
}
