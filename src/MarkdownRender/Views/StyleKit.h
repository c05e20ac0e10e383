#pragma once

#include "MarkdownRender/Views/RenderContext.h"

#include <QBoxLayout>
#include <QColor>
#include <QMargins>
#include <QScrollArea>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

// The pieces block styles are made of: margins, paddings, boxes, dividers,
// stacks, the code block's scroll area and the list markers.

namespace markdown {

namespace edges {
constexpr int top = 1, leading = 2, bottom = 4, trailing = 8;
constexpr int horizontal = leading | trailing, vertical = top | bottom, all = horizontal | vertical;
}  // namespace edges

// The colour of a colour in the context's scheme.
QColor qColor(const Color& color, const RenderContext& context);
// The text colour of the context: its text style's, else the palette's.
std::optional<QColor> textColor(const RenderContext& context);

// A box layout on `widget` without margins or spacing.
QBoxLayout* bareLayout(QWidget* widget, Qt::Orientation orientation);

// Declares margins, max-merged with those declared inside.
Built margin(Built built, std::optional<double> top, std::optional<double> bottom);
Built margin(Built built, const RenderContext& context, std::optional<RelativeSize> top,
             std::optional<RelativeSize> bottom);

// A box around content: padding, and optionally a (rounded) fill and a border
// drawn inside its edge.
class BlockBox final : public QWidget {
    Q_OBJECT
public:
    explicit BlockBox(QWidget* content, const QMargins& padding = {}, QWidget* parent = nullptr);
    void setLook(std::optional<QColor> fill, std::optional<QColor> border = {}, double borderWidth = 1,
                 double radius = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QColor> fill_;
    std::optional<QColor> border_;
    double borderWidth_ = 1;
    double radius_ = 0;
};

Built padding(Built built, int edges, double points);
Built padding(Built built, const RenderContext& context, int edges, RelativeSize length);

struct BoxLook {
    std::optional<Color> fill;
    std::optional<Color> border;
    double borderWidth = 1;
    double radius = 0;
};
Built boxed(Built built, const BoxLook& look, const RenderContext& context);

// Built pieces one below or beside another, without gaps; margins and marker
// widths merge.
Built stacked(std::vector<Built> parts, Qt::Orientation orientation);

// A full-width line `thickness` pixels high; the separator colour when none is given.
QWidget* divider(const RenderContext& context, std::optional<Color> color = {}, int thickness = 1);
// A vertical bar of a fixed width, rounded by `radius`, as tall as what stands beside it.
QWidget* sideBar(const RenderContext& context, const Color& color, int width, double radius);

// The code block's horizontal-only scroll area: as tall as its content plus the
// scroll bar when one is shown.
class CodeScrollArea final : public QScrollArea {
    Q_OBJECT
public:
    explicit CodeScrollArea(QWidget* content, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
Built codeScrollArea(Built content);

// A list or task marker: text or a drawn symbol, at least `minWidth` wide and
// one text line high, set against its trailing edge. Its frame widens when the
// list gives its markers a common width.
class MarkerWidget final : public QWidget {
    Q_OBJECT
public:
    enum class Symbol { text, disc, circle, square, checkedSquare, emptySquare };

    MarkerWidget(Symbol symbol, const QString& text, const RenderContext& context, QWidget* parent = nullptr);

    Symbol symbol() const { return symbol_; }
    const QString& text() const { return text_; }
    // The primary and secondary colours of a symbol (default: the text colour).
    void setColors(std::optional<QColor> primary, std::optional<QColor> secondary);
    void setFrameWidth(std::optional<int> width);
    // Its own width, before any common width.
    int naturalWidth() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol symbol_;
    QString text_;
    QFont font_;
    int textSize_;
    int minWidth_;
    std::optional<int> frameWidth_;
    std::optional<QColor> primary_;
    std::optional<QColor> secondary_;
};

// Makes its content a link: a click opens the destination through the opener.
class LinkArea final : public QWidget {
    Q_OBJECT
public:
    LinkArea(QWidget* content, QUrl url, LinkOpener opener, QWidget* parent = nullptr);
    const QUrl& url() const { return url_; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QUrl url_;
    LinkOpener opener_;
};

}  // namespace markdown
