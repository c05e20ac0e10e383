#pragma once

#include "MarkdownRender/InlineNode.h"
#include "MarkdownRender/Renderers/StyledText.h"
#include "MarkdownRender/Views/RenderContext.h"
#include "MarkdownRender/Views/TextAdapter.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

namespace markdown {

// An image of a document: its source as written, its alternative text (the
// plain text of its children) and the link around it, if it is a link's only
// child.
struct RawImageData {
    std::string source;
    std::string alt;
    std::optional<std::string> destination;

    friend bool operator==(const RawImageData&, const RawImageData&) = default;
};

// The image an image inline, or a link whose only child yields one, stands for;
// none for every other inline. With nested links the outermost destination wins.
std::optional<RawImageData> rawImageData(const InlineNode& node);

// A run of inlines as one styled text document, wrapped to the width it is
// given (height-for-width), or unwrapped for code. Links open through the
// context's opener. The top-level inline images load through the context's
// inline image provider; the text is drawn at once and once more when all of
// them have answered, with the ones that arrived.
class InlineText final : public QWidget {
    Q_OBJECT
public:
    InlineText(std::vector<InlineNode> inlines, const RenderContext& context, QWidget* parent = nullptr);
    // Ready styled text (a code block): not wrapped unless `wrap`.
    InlineText(const StyledText& text, const RenderContext& context, bool wrap, QWidget* parent = nullptr);

    QTextDocument& document() { return document_; }
    QString text() const;
    QString selectedText() const;
    // The images shown, by source.
    const InlineImages& images() const { return images_; }
    bool isLoadingImages() const { return pendingImages_ > 0; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return wrap_; }
    int heightForWidth(int width) const override;

signals:
    void imagesLoaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setUp();
    void rewrite();
    void tintLinks();
    void loadImages();
    void layoutAt(int width) const;
    int positionAt(const QPoint& point) const;
    QString anchorAt(const QPoint& point) const;
    void copySelection() const;

    RenderContext context_;
    std::vector<InlineNode> inlines_;
    std::optional<StyledText> styledText_;  // for ready text
    bool wrap_ = true;
    mutable QTextDocument document_;
    InlineImages images_;
    int pendingImages_ = 0;
    mutable QHash<int, int> heights_;
    mutable std::optional<QSize> naturalSize_;
    QTextCursor selection_;
    QString pressedAnchor_;
    bool dragging_ = false;
};

}  // namespace markdown
