// Pictures of one document with every construct, in every built-in theme, light
// and dark; images come from a server on 127.0.0.1.

#include "../../RemoteImage/LocalImageServer.h"
#include "RemoteImage/DefaultRemoteImageLoader.h"
#include "RemoteImage/RemoteImageView.h"
#include "ViewTestSupport.h"

#include <QLinearGradient>
#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

using namespace markdown;
using namespace viewtest;
using imagetest::LocalImageServer;

namespace {

QString document(const LocalImageServer& server)
{
    const auto url = [&](const char* path) { return server.url(QString::fromLatin1(path)).toString(); };
    return QStringLiteral(
               "# Vantrel Help\n\n"
               "Vantrel reads the **creation date**, the *timecode track* and `tmcd` data, ~~rewrites~~ copies, "
               "and links [the queue](https://example.org/queue). An icon ![dot](%1) sits in the text.\n\n"
               "## Lists\n\n"
               "1. Add movies.\n2. Choose the output folder.\n   - nested bullet\n     - deeper bullet\n"
               "3. Press **Start**.\n\n"
               "- [x] Read the overview\n- [ ] Try a correction\n\n"
               "> Queued jobs survive a restart.\n>\n> > Sources are never touched.\n\n"
               "```json\n{\"status\": \"pending\", \"progress\": 0, \"note\": \"a long line that needs scrolling "
               "sideways when the view is narrow\"}\n{\"status\": \"done\"}\n```\n\n"
               "| Check | Standard | Thorough |\n|:--|:-:|--:|\n| Write-back | yes | yes |\n"
               "| Stream hash | | yes |\n| Full decode | no | yes |\n\n"
               "---\n\n"
               "![A wide picture](%2)\n\n"
               "![one](%3)\n![two](%4)\n\n"
               "<div>raw HTML shows as text</div>\n\n"
               "###### A small heading\n")
        .arg(url("/dot.png"), url("/wide.png"), url("/badge1.png"), url("/badge2.png"));
}

bool imagesSettled(MarkdownView* view)
{
    for (auto* image : view->findChildren<remoteimage::RemoteImageView*>()) {
        if (!image->contentWidget()) return false;
    }
    for (InlineText* text : view->findChildren<InlineText*>()) {
        if (text->isLoadingImages()) return false;
    }
    return true;
}

int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    return int(colours.size());
}

TEST(MarkdownViewGallery, EveryConstructInEveryTheme)
{
    testsupport::ensureWidgetApplication();
    LocalImageServer server;
    server.route("/dot.png", LocalImageServer::respond(200, imagetest::pngBytes(14, 14, QColor(0xE0, 0x60, 0x30))));
    server.route("/wide.png", LocalImageServer::respond(200, imagetest::pngBytes(360, 120, QColor(0x2A, 0x8C, 0x8C))));
    server.route("/badge1.png", LocalImageServer::respond(200, imagetest::pngBytes(70, 20, QColor(0x44, 0x99, 0x44))));
    server.route("/badge2.png", LocalImageServer::respond(200, imagetest::pngBytes(90, 20, QColor(0x33, 0x66, 0xCC))));
    remoteimage::DefaultRemoteImageCache cache;
    remoteimage::DefaultRemoteImageLoader loader(cache, remoteimage::imageLoadingSession({}, 0));

    const std::pair<const char*, const Theme*> themes[] = {
        {"basic", &Theme::basic()}, {"documentation", &Theme::documentation()}, {"repository", &Theme::repository()}};
    for (const auto& [name, theme] : themes) {
        QImage light;
        for (const testsupport::GalleryTheme& scheme : testsupport::galleryThemes) {
            auto* view = new MarkdownView;
            view->setPalette(testsupport::galleryPalette(scheme.dark));
            view->setTheme(*theme);
            view->setImageLoader(&loader);
            view->setInlineImageProvider(std::make_shared<DefaultInlineImageProvider>(&loader));
            view->setMarkdown(document(server));
            EXPECT_EQ(view->colorScheme(), scheme.dark ? ColorScheme::dark : ColorScheme::light);
            Shown shown = show(view, 640);
            EXPECT_TRUE(QTest::qWaitFor([&] { return imagesSettled(view); }, 20000)) << name;
            shown.settle();
            EXPECT_EQ(view->findChildren<QWidget*>("image").size(), 3) << name;
            const QImage picture = view->grab().toImage();
            EXPECT_GT(colourCount(picture), 20) << name << " " << scheme.name;
            if (!scheme.dark)
                light = picture;
            else
                EXPECT_NE(picture, light) << name;
            testsupport::saveGalleryPicture(view, QStringLiteral("markdown-%1-%2").arg(QLatin1String(name), QLatin1String(scheme.name)));
        }
    }
}

// A centred document whose table has dashed borders and a shaded header.
TEST(MarkdownViewGallery, CentredDocumentWithADashedTable)
{
    testsupport::ensureWidgetApplication();
    const auto pictures = std::make_shared<FunctionImageProvider>(
        [](const std::optional<QUrl>& url, const RenderContext&) -> QWidget* {
            if (!url) return nullptr;
            QImage image(240, 90, QImage::Format_RGB32);
            QPainter painter(&image);
            QLinearGradient sky(0, 0, 0, 90);
            sky.setColorAt(0, QColor(0x2A, 0x8C, 0x8C));
            sky.setColorAt(1, QColor(0x1C, 0x4E, 0x7A));
            painter.fillRect(image.rect(), sky);
            return makeFittedImage(image, QSizeF(240, 90));
        });
    QLinearGradient header(0, 0, 0, 1);
    header.setCoordinateMode(QGradient::ObjectMode);
    header.setColorAt(0, QColor(0x7F, 0x9F, 0xBF, 0x50));
    header.setColorAt(1, QColor(0x7F, 0x9F, 0xBF, 0x18));
    const Color banded = Color::adaptive(Color::rgba(0x0000000A), Color::rgba(0xFFFFFF10));

    for (const testsupport::GalleryTheme& scheme : testsupport::galleryThemes) {
        auto* view = new MarkdownView;
        view->setPalette(testsupport::galleryPalette(scheme.dark));
        view->setImageProvider(pictures);
        view->setInlineImageProvider(std::make_shared<FakeInlineImages>());
        view->setTextAlignment(Qt::AlignHCenter);
        view->setTableBorderStyle({TableBorderSelector::allBorders(), Color::secondary(),
                                   StrokeStyle{2, Qt::FlatCap, Qt::MiterJoin, 10, {6, 4}}});
        view->setTableBackgroundStyle(TableBackgroundStyle::alternatingRows(Color::clear(), banded, QBrush(header)));
        view->setMarkdown(QStringLiteral(
            "# Checking a correction\n\n"
            "Vantrel compares the written timecode with the one asked for, "
            "then reads the movie back.\n\n"
            "![A timeline](timeline.png)\n\n"
            "| Check | Standard | Thorough |\n|:--|:-:|--:|\n| Write-back | yes | yes |\n"
            "| Stream hash | | yes |\n| Full decode | no | yes |\n\n"
            "---\n\n"
            "1. Add the movies.\n2. Start the queue.\n\n"
            "> Sources are never touched.\n\n"
            "```json\n{\"check\": \"thorough\", \"result\": \"verified\"}\n```\n"));
        Shown shown = show(view, 640);
        const QImage picture = view->grab().toImage();
        EXPECT_GT(colourCount(picture), 20) << scheme.name;
        testsupport::saveGalleryPicture(view, QStringLiteral("markdown-centred-dashed-table-%1").arg(QLatin1String(scheme.name)));
    }
}

}  // namespace
