#include "MarkdownRender/Views/InlineText.h"

#include "MarkdownRender/Views/Providers/ImageProviders.h"
#include "MarkdownRender/Views/Theme.h"
#include "RemoteImage/FutureWatch.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace markdown {

std::optional<RawImageData> rawImageData(const InlineNode& node)
{
    if (const auto* image = node.as<InlineNode::Image>()) return RawImageData{image->source, plainText(image->children), {}};
    if (const auto* link = node.as<InlineNode::Link>()) {
        if (link->children.size() != 1) return std::nullopt;
        std::optional<RawImageData> inner = rawImageData(link->children.front());
        if (inner) inner->destination = link->destination;
        return inner;
    }
    return std::nullopt;
}

InlineText::InlineText(std::vector<InlineNode> inlines, const RenderContext& context, QWidget* parent)
    : QWidget(parent), context_(context), inlines_(std::move(inlines))
{
    setUp();
    rewrite();
    loadImages();
}

InlineText::InlineText(const StyledText& text, const RenderContext& context, bool wrap, QWidget* parent)
    : QWidget(parent), context_(context), styledText_(text), wrap_(wrap)
{
    setUp();
    rewrite();
}

void InlineText::setUp()
{
    setObjectName(QStringLiteral("inlineText"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(wrap_);
    setSizePolicy(policy);
    setMouseTracking(true);
    if (context_.textSelectable) {
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::IBeamCursor);
    }
    document_.setDefaultFont(resolvedFont(context_.font().value_or(FontProperties{})));
    document_.setUndoRedoEnabled(false);
}

void InlineText::rewrite()
{
    const StyledText text =
        styledText_ ? *styledText_
                    : renderText(inlines_, context_.baseURL, context_.currentTheme().inlineTextStyles(),
                                 imageSources(images_), context_.softBreakMode, context_.attributes());
    writeStyledText(document_, text, {context_.colorScheme, &images_, context_.lineSpacing});
    tintLinks();
    QTextOption option = document_.defaultTextOption();
    option.setWrapMode(wrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setAlignment(context_.alignment);
    document_.setDefaultTextOption(option);
    heights_.clear();
    naturalSize_.reset();
    selection_ = QTextCursor(&document_);
    updateGeometry();
    update();
}

void InlineText::tintLinks()
{
    // Links whose style gives them no colour take the palette's link colour.
    QTextCharFormat tint;
    tint.setForeground(palette().brush(QPalette::Link));
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            const QTextCharFormat format = piece.charFormat();
            if (!format.isAnchor() || format.hasProperty(QTextFormat::ForegroundBrush)) continue;
            QTextCursor cursor(&document_);
            cursor.setPosition(piece.position());
            cursor.setPosition(piece.position() + piece.length(), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(tint);
        }
    }
}

void InlineText::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) rewrite();
}

void InlineText::loadImages()
{
    if (!context_.inlineImageProvider) return;
    // Equal images (same source, text and link) are fetched once; nested ones
    // are not drawn in running text, so they are not fetched either.
    std::vector<RawImageData> wanted;
    for (const InlineNode& node : inlines_) {
        std::optional<RawImageData> data = rawImageData(node);
        if (data && std::find(wanted.begin(), wanted.end(), *data) == wanted.end()) wanted.push_back(std::move(*data));
    }
    auto arriving = std::make_shared<InlineImages>();
    for (const RawImageData& data : wanted) {
        const std::optional<QUrl> url = linkURL(data.source, context_.imageBaseURL);
        if (!url) continue;
        ++pendingImages_;
        const QFuture<QImage> future =
            context_.inlineImageProvider->image(*url, QString::fromStdString(data.alt));
        remoteimage::whenFinished(future, this, [this, arriving, source = data.source](const QFuture<QImage>& done) {
            // A failed image is left out; the others still show.
            try {
                if (!done.isCanceled() && done.resultCount() > 0 && !done.result().isNull())
                    (*arriving)[source] = done.result();
            } catch (...) {
            }
            if (--pendingImages_ > 0) return;
            if (!arriving->empty()) {
                images_ = *arriving;
                rewrite();
            }
            emit imagesLoaded();
        });
    }
}

QString InlineText::text() const
{
    QString plain = document_.toPlainText();
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
    plain.remove(QChar::ObjectReplacementCharacter);
    return plain;
}

QString InlineText::selectedText() const
{
    QString selected = selection_.selectedText();
    selected.replace(QChar::LineSeparator, QLatin1Char('\n'));
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    selected.remove(QChar::ObjectReplacementCharacter);
    return selected;
}

void InlineText::layoutAt(int width) const
{
    const qreal wanted = wrap_ ? qreal(width) : -1;
    if (document_.textWidth() != wanted) document_.setTextWidth(wanted);
}

QSize InlineText::sizeHint() const
{
    if (!naturalSize_) {
        document_.setTextWidth(-1);
        const QSizeF size = document_.size();
        naturalSize_ = QSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
    }
    return *naturalSize_;
}

QSize InlineText::minimumSizeHint() const
{
    if (!wrap_) return sizeHint();
    // Long words break anywhere, so the text can become narrow.
    const int narrow = int(std::min<double>(sizeHint().width(), 8 * context_.fontSize()));
    return {narrow, 0};
}

int InlineText::heightForWidth(int width) const
{
    const auto cached = heights_.constFind(width);
    if (cached != heights_.constEnd()) return *cached;
    layoutAt(width);
    const int height = int(std::ceil(document_.size().height()));
    if (heights_.size() > 64) heights_.clear();
    heights_.insert(width, height);
    return height;
}

void InlineText::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutAt(width());
}

void InlineText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    layoutAt(width());
    QAbstractTextDocumentLayout::PaintContext paint;
    paint.palette = palette();
    paint.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    if (selection_.hasSelection()) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = selection_;
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        paint.selections.append(selection);
    }
    document_.documentLayout()->draw(&painter, paint);
}

int InlineText::positionAt(const QPoint& point) const
{
    layoutAt(width());
    return std::max(0, document_.documentLayout()->hitTest(point, Qt::FuzzyHit));
}

QString InlineText::anchorAt(const QPoint& point) const
{
    layoutAt(width());
    return document_.documentLayout()->anchorAt(point);
}

void InlineText::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressedAnchor_ = anchorAt(event->position().toPoint());
    if (context_.textSelectable) {
        selection_.setPosition(positionAt(event->position().toPoint()));
        dragging_ = true;
        update();
    }
    event->accept();
}

void InlineText::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (dragging_) {
        selection_.setPosition(positionAt(point), QTextCursor::KeepAnchor);
        update();
        return;
    }
    if (!anchorAt(point).isEmpty())
        setCursor(Qt::PointingHandCursor);
    else if (context_.textSelectable)
        setCursor(Qt::IBeamCursor);
    else
        unsetCursor();
}

void InlineText::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    const QString anchor = anchorAt(event->position().toPoint());
    const bool clicked = !anchor.isEmpty() && anchor == pressedAnchor_ && !selection_.hasSelection();
    pressedAnchor_.clear();
    if (clicked && context_.openLink) context_.openLink(QUrl(anchor, QUrl::StrictMode));
    event->accept();
}

void InlineText::keyPressEvent(QKeyEvent* event)
{
    if (!context_.textSelectable) return QWidget::keyPressEvent(event);
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selection_.select(QTextCursor::Document);
        update();
        return;
    }
    static const std::pair<QKeySequence::StandardKey, QTextCursor::MoveOperation> moves[] = {
        {QKeySequence::SelectNextChar, QTextCursor::NextCharacter},
        {QKeySequence::SelectPreviousChar, QTextCursor::PreviousCharacter},
        {QKeySequence::SelectNextWord, QTextCursor::NextWord},
        {QKeySequence::SelectPreviousWord, QTextCursor::PreviousWord},
        {QKeySequence::SelectStartOfLine, QTextCursor::StartOfLine},
        {QKeySequence::SelectEndOfLine, QTextCursor::EndOfLine},
        {QKeySequence::SelectNextLine, QTextCursor::Down},
        {QKeySequence::SelectPreviousLine, QTextCursor::Up},
        {QKeySequence::SelectStartOfDocument, QTextCursor::Start},
        {QKeySequence::SelectEndOfDocument, QTextCursor::End},
    };
    for (const auto& [key, move] : moves) {
        if (!event->matches(key)) continue;
        layoutAt(width());
        selection_.movePosition(move, QTextCursor::KeepAnchor);
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void InlineText::focusOutEvent(QFocusEvent* event)
{
    // One selection at a time: clicking into other text drops this one.
    if (event->reason() == Qt::MouseFocusReason || event->reason() == Qt::TabFocusReason ||
        event->reason() == Qt::BacktabFocusReason) {
        selection_.clearSelection();
        update();
    }
    QWidget::focusOutEvent(event);
}

void InlineText::copySelection() const
{
    if (!selection_.hasSelection()) return;
    QGuiApplication::clipboard()->setText(selectedText());
}

}  // namespace markdown
