#pragma once

#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/Views/RenderContext.h"

#include <QColor>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace markdown {

struct Theme;

// The blocks with every image marked for the other colour scheme left out: a
// source whose fragment is "gh-dark-mode-only" shows only in the dark scheme,
// "gh-light-mode-only" only in the light one (any case). Sources that form no
// address are left out too.
std::vector<BlockNode> filterImages(const std::vector<BlockNode>& blocks, ColorScheme scheme);

// A Markdown document as a themed widget tree: every block one below the
// other, height-for-width, for a scroll area to hold. Every setter rebuilds.
class MarkdownView final : public QWidget {
    Q_OBJECT
public:
    explicit MarkdownView(QWidget* parent = nullptr);
    // The image base falls back to the link base; the link base never to the image base.
    explicit MarkdownView(const QString& markdown, std::optional<QUrl> baseURL = {},
                          std::optional<QUrl> imageBaseURL = {}, QWidget* parent = nullptr);
    explicit MarkdownView(MarkdownContent content, std::optional<QUrl> baseURL = {},
                          std::optional<QUrl> imageBaseURL = {}, QWidget* parent = nullptr);

    void setMarkdown(const QString& markdown);
    void setContent(MarkdownContent content);
    const MarkdownContent& content() const { return content_; }
    void setBaseURLs(std::optional<QUrl> baseURL, std::optional<QUrl> imageBaseURL = {});

    void setTheme(const Theme& theme);
    // A text style applied after the default one (a 15 px body, for one).
    void setTextStyle(AnyTextStyle style);
    void setImageProvider(std::shared_ptr<const ImageProvider> provider);
    void setInlineImageProvider(std::shared_ptr<const InlineImageProvider> provider);
    void setCodeSyntaxHighlighter(std::shared_ptr<const CodeSyntaxHighlighter> highlighter);
    void setSoftBreakMode(SoftBreak::Mode mode);
    void setTableBorderStyle(const TableBorderStyle& style);
    void setTableBackgroundStyle(const TableBackgroundStyle& style);
    // Where remote block images come from (null: the shared loader).
    void setImageLoader(remoteimage::RemoteImageLoader* loader);
    // None follows the palette: a dark window colour means the dark scheme.
    void setColorScheme(std::optional<ColorScheme> scheme);
    ColorScheme colorScheme() const;
    // Centred or right, every block keeps its own width and is placed so too;
    // dividers and code blocks keep the whole width.
    void setTextAlignment(Qt::Alignment alignment);
    // Receives clicked links, resolved; by default the desktop opens web and mail links.
    void setLinkOpener(LinkOpener opener);
    // Off by default. On, text can be selected with the mouse and the keyboard
    // and copied with the copy shortcut.
    void setTextSelectable(bool selectable);
    bool isTextSelectable() const { return settings_.textSelectable; }

    // The context the blocks were built with.
    const RenderContext& context() const { return built_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();

    MarkdownContent content_;
    RenderContext settings_;  // what the setters set
    AnyTextStyle textStyle_;
    std::optional<ColorScheme> colorScheme_;
    RenderContext built_;
    std::optional<QColor> background_;  // the text style's, resolved when built
    QWidget* blocks_ = nullptr;
};

}  // namespace markdown
