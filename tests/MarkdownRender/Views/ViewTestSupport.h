#pragma once

// Shared by the Markdown view tests: a view shown in a scroll area at a width,
// providers that never touch the network, and geometry helpers.

#include "GalleryPictures.h"
#include "MarkdownRender/Views/InlineText.h"
#include "MarkdownRender/Views/MarkdownView.h"
#include "MarkdownRender/Views/Providers/ImageProviders.h"
#include "MarkdownRender/Views/Theme.h"

#include <QApplication>
#include <QPromise>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <algorithm>
#include <memory>
#include <vector>

namespace viewtest {

using namespace markdown;

// A grey box of the given size for every block image with an address.
inline std::shared_ptr<const ImageProvider> boxImages(QSize size = {40, 30})
{
    return std::make_shared<FunctionImageProvider>([size](const std::optional<QUrl>& url, const RenderContext&) -> QWidget* {
        if (!url) return nullptr;
        return makeFittedImage(QImage(size, QImage::Format_RGB32), QSizeF(size));
    });
}

// Inline images answered by the test; counts what was asked.
class FakeInlineImages final : public InlineImageProvider {
public:
    QFuture<QImage> image(const QUrl& url, const QString&) const override
    {
        calls.push_back(url);
        auto promise = std::make_shared<QPromise<QImage>>();
        promise->start();
        pending.push_back({url, promise});
        return promise->future();
    }
    void answerAll(const QList<QUrl>& failing = {}) const
    {
        for (auto& [url, promise] : pending) {
            if (!failing.contains(url)) promise->addResult(QImage(8, 8, QImage::Format_RGB32));
            promise->finish();
        }
        pending.clear();
        QCoreApplication::processEvents();
    }
    mutable std::vector<QUrl> calls;
    mutable std::vector<std::pair<QUrl, std::shared_ptr<QPromise<QImage>>>> pending;
};

// A view in a scroll area, shown offscreen.
struct Shown {
    std::unique_ptr<QScrollArea> area;
    MarkdownView* view;

    void resizeTo(int width)
    {
        area->resize(width + 2 * area->frameWidth() + area->verticalScrollBar()->sizeHint().width(), 600);
        settle();
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
    // The top-level rows in order.
    std::vector<QWidget*> rows() const
    {
        QWidget* blocks = view->findChild<QWidget*>(QStringLiteral("blocks"));
        std::vector<QWidget*> result;
        for (QWidget* w : blocks->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) result.push_back(w);
        std::sort(result.begin(), result.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        return result;
    }
    QRect rectIn(QWidget* widget) const { return QRect(widget->mapTo(view, QPoint(0, 0)), widget->size()); }
};

inline Shown show(MarkdownView* view, int width = 600)
{
    testsupport::ensureWidgetApplication();
    Shown shown{std::make_unique<QScrollArea>(), view};
    shown.area->setWidgetResizable(true);
    shown.area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    shown.area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    shown.area->setWidget(view);
    shown.resizeTo(width);
    shown.area->show();
    (void)QTest::qWaitForWindowExposed(shown.area.get());
    shown.settle();
    return shown;
}

inline MarkdownView* makeView(const QString& markdown, const Theme& theme = Theme::basic())
{
    testsupport::ensureWidgetApplication();
    auto* view = new MarkdownView;
    view->setColorScheme(ColorScheme::light);
    view->setTheme(theme);
    view->setImageProvider(boxImages());
    view->setInlineImageProvider(std::make_shared<FakeInlineImages>());
    view->setMarkdown(markdown);
    return view;
}

// The format of the first character of a text.
inline QTextCharFormat firstFormat(InlineText* text)
{
    QTextCursor cursor(text->document().firstBlock());
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat();
}

}  // namespace viewtest
