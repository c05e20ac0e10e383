#include "MarkdownRender/Views/MarkdownView.h"

#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/BlockViews.h"
#include "MarkdownRender/Views/StyleKit.h"
#include "MarkdownRender/Views/Theme.h"

#include <QEvent>
#include <QPainter>

namespace markdown {

std::vector<BlockNode> filterImages(const std::vector<BlockNode>& blocks, ColorScheme scheme)
{
    const QString hidden = scheme == ColorScheme::light ? QStringLiteral("gh-dark-mode-only")
                                                        : QStringLiteral("gh-light-mode-only");
    return rewrite(blocks, [&hidden](const InlineNode& node) -> std::vector<InlineNode> {
        const auto* image = node.as<InlineNode::Image>();
        if (!image) return {node};
        const QUrl url(QString::fromStdString(image->source), QUrl::StrictMode);
        if (!url.isValid() || image->source.empty()) return {};
        if (url.hasFragment() && url.fragment().toLower() == hidden) return {};
        return {node};
    });
}

MarkdownView::MarkdownView(QWidget* parent) : MarkdownView(MarkdownContent(), {}, {}, parent) {}

MarkdownView::MarkdownView(const QString& markdown, std::optional<QUrl> baseURL, std::optional<QUrl> imageBaseURL,
                           QWidget* parent)
    : MarkdownView(MarkdownContent(markdown.toStdString()), std::move(baseURL), std::move(imageBaseURL), parent)
{
}

MarkdownView::MarkdownView(MarkdownContent content, std::optional<QUrl> baseURL, std::optional<QUrl> imageBaseURL,
                           QWidget* parent)
    : QWidget(parent), content_(std::move(content)), settings_(RenderContext::defaults())
{
    setObjectName(QStringLiteral("markdownView"));
    QBoxLayout* layout = bareLayout(this, Qt::Vertical);
    // Blocks keep their own heights when the view is taller than they are.
    layout->addStretch(1);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    settings_.imageBaseURL = imageBaseURL ? imageBaseURL : baseURL;
    settings_.baseURL = std::move(baseURL);
    rebuild();
}

void MarkdownView::setMarkdown(const QString& markdown) { setContent(MarkdownContent(markdown.toStdString())); }

void MarkdownView::setContent(MarkdownContent content)
{
    content_ = std::move(content);
    rebuild();
}

void MarkdownView::setBaseURLs(std::optional<QUrl> baseURL, std::optional<QUrl> imageBaseURL)
{
    settings_.imageBaseURL = imageBaseURL ? imageBaseURL : baseURL;
    settings_.baseURL = std::move(baseURL);
    rebuild();
}

void MarkdownView::setTheme(const Theme& theme)
{
    settings_.theme = std::make_shared<const Theme>(theme);
    rebuild();
}

void MarkdownView::setTextStyle(AnyTextStyle style)
{
    textStyle_ = std::move(style);
    rebuild();
}

void MarkdownView::setImageProvider(std::shared_ptr<const ImageProvider> provider)
{
    settings_.imageProvider = std::move(provider);
    rebuild();
}

void MarkdownView::setInlineImageProvider(std::shared_ptr<const InlineImageProvider> provider)
{
    settings_.inlineImageProvider = std::move(provider);
    rebuild();
}

void MarkdownView::setCodeSyntaxHighlighter(std::shared_ptr<const CodeSyntaxHighlighter> highlighter)
{
    settings_.codeSyntaxHighlighter = std::move(highlighter);
    rebuild();
}

void MarkdownView::setSoftBreakMode(SoftBreak::Mode mode)
{
    settings_.softBreakMode = mode;
    rebuild();
}

void MarkdownView::setTableBorderStyle(const TableBorderStyle& style)
{
    settings_.tableBorderStyle = style;
    rebuild();
}

void MarkdownView::setTableBackgroundStyle(const TableBackgroundStyle& style)
{
    settings_.tableBackgroundStyle = style;
    rebuild();
}

void MarkdownView::setImageLoader(remoteimage::RemoteImageLoader* loader)
{
    settings_.imageLoader = loader;
    rebuild();
}

void MarkdownView::setColorScheme(std::optional<ColorScheme> scheme)
{
    colorScheme_ = scheme;
    rebuild();
}

ColorScheme MarkdownView::colorScheme() const
{
    if (colorScheme_) return *colorScheme_;
    return palette().color(QPalette::Window).lightness() < 128 ? ColorScheme::dark : ColorScheme::light;
}

void MarkdownView::setTextAlignment(Qt::Alignment alignment)
{
    settings_.alignment = alignment;
    rebuild();
}

void MarkdownView::setLinkOpener(LinkOpener opener)
{
    settings_.openLink = std::move(opener);
    rebuild();
}

void MarkdownView::setTextSelectable(bool selectable)
{
    settings_.textSelectable = selectable;
    rebuild();
}

void MarkdownView::rebuild()
{
    built_ = settings_;
    built_.colorScheme = colorScheme();
    // The caller's style after the default one, then the theme's text style,
    // then the base size fixed at the size they give (em sizes below refer to it).
    const AnyTextStyle withTheme = appendTextStyle(appendTextStyle(defaultTextStyle(), textStyle_),
                                                   built_.currentTheme().text());
    const std::optional<FontProperties> font = resolve(withTheme).fontProperties;
    built_.textStyle = appendTextStyle(withTheme, FontSize(font ? font->size : FontProperties::defaultSize));
    const std::optional<Color> background = built_.attributes().backgroundColor;
    background_ = background ? std::optional<QColor>(qColor(*background, built_)) : std::nullopt;

    if (blocks_) {
        layout()->removeWidget(blocks_);
        blocks_->hide();
        // Out of the tree at once; deleted once whatever event is running has ended.
        blocks_->setParent(nullptr);
        blocks_->deleteLater();
    }
    blocks_ = buildBlocks(filterImages(content_.blocks, built_.colorScheme), built_).widget;
    blocks_->setObjectName(QStringLiteral("blocks"));
    static_cast<QBoxLayout*>(layout())->insertWidget(0, blocks_);
    update();
}

void MarkdownView::paintEvent(QPaintEvent*)
{
    if (background_) QPainter(this).fillRect(rect(), *background_);
}

void MarkdownView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !colorScheme_ && colorScheme() != built_.colorScheme) rebuild();
}

}  // namespace markdown
