#pragma once

#include "Vantrel/views/Fonts.h"
#include "Vantrel/views/Palette.h"

#include <QAbstractButton>
#include <QFont>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class QHBoxLayout;

namespace vantrel {

// Vantrel's own painted controls. Colours come from Palette at paint time;
// controls never change their owner's values themselves: they report clicks
// and redraw from what the owner passes back.

namespace Kelp {

// The application font at a pixel size with an explicit weight.
inline QFont font(int pixelSize, QFont::Weight weight = QFont::Normal) { return fonts::system(pixelSize, weight); }

// For text whose digits must line up (see fonts::digits).
inline QFont digitsFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    return fonts::digits(pixelSize, weight);
}

// Fills a rounded rectangle; radius is clamped to half the shorter side.
void fillRounded(QPainter& p, const QRectF& rect, qreal radius, const QColor& color);
// Strokes a rounded rectangle inside its border.
void strokeRoundedInside(QPainter& p, const QRectF& rect, qreal radius, qreal width, const QColor& color);

}  // namespace Kelp

// Plain painted text in a palette role (or a fixed colour), one line, elided.
// Never interprets markup.
class KelpLabel : public QWidget {
    Q_OBJECT
public:
    explicit KelpLabel(const QString& text = {}, const QFont& font = Kelp::font(12),
                       Palette::Role role = Palette::Role::textPrimary, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return text_; }
    void setRole(Palette::Role role);
    Palette::Role role() const { return role_; }
    // A fixed colour instead of the role; an invalid colour returns to the role.
    void setColor(const QColor& color);
    void setElideMode(Qt::TextElideMode mode);
    void setAlignment(Qt::Alignment alignment);
    void setLetterSpacing(qreal pixels);
    // Whether the text is cut short at the current width.
    bool isElided() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    Palette::Role role_;
    QColor color_;
    Qt::TextElideMode elide_ = Qt::ElideRight;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

struct KelpButtonStyle {
    enum class Kind { standard, primary, stop, ghost };
    Kind kind = Kind::standard;
    bool large = false;
};

// A titled button (text, or a symbol with text) in one of four kinds and two sizes.
class KelpButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit KelpButton(const QString& title = {}, KelpButtonStyle style = {}, QWidget* parent = nullptr);
    void setButtonStyle(KelpButtonStyle style);
    KelpButtonStyle buttonStyle() const { return style_; }
    // A symbol shown before the title; empty for none.
    void setSymbol(const QString& name);
    QString symbol() const { return symbol_; }
    // Draws the button scaled about its centre; its layout size stays the same.
    void setVisualScale(qreal scale);
    qreal visualScale() const { return scale_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QRectF shapeRect() const;
    KelpButtonStyle style_;
    QString symbol_;
    qreal scale_ = 1.0;
};

// A button that knows whether the pointer is over it and redraws when that changes.
class KelpHoverButton : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;
    bool isHovered() const { return hovered_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

// A 22x22 symbol button that lights up under the pointer.
class KelpIconButton : public KelpHoverButton {
    Q_OBJECT
public:
    explicit KelpIconButton(const QString& symbol = {}, QWidget* parent = nullptr);
    void setSymbol(const QString& name);
    QString symbol() const { return symbol_; }
    // A fixed symbol colour instead of the hover-dependent one; invalid to reset.
    void setSymbolColor(const QColor& color);
    // A fill behind the button (e.g. to mark a switched-on state); invalid for none.
    void setBackdrop(const QColor& color);
    QColor backdrop() const { return backdrop_; }
    QSize sizeHint() const override { return {22, 22}; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
    QColor color_;
    QColor backdrop_;
};

class KelpSegButton;

// A row of segments in a sunken trough; the one whose label equals the active
// label shows as active. Clicking a segment runs its action (and emits
// triggered); the owner passes the new active label back.
class KelpSegGroup : public QWidget {
    Q_OBJECT
public:
    struct Action {
        QString label;
        std::function<void()> action;
    };
    explicit KelpSegGroup(QWidget* parent = nullptr);
    KelpSegGroup(QList<Action> actions, std::optional<QString> activeLabel, QWidget* parent = nullptr);
    void setActions(QList<Action> actions);
    void setActiveLabel(std::optional<QString> label);
    std::optional<QString> activeLabel() const { return active_; }
    int count() const { return int(actions_.size()); }
    QAbstractButton* segment(int index) const;

signals:
    void triggered(int index);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QList<Action> actions_;
    std::optional<QString> active_;
    QList<KelpSegButton*> buttons_;
    QHBoxLayout* layout_;
};

}  // namespace vantrel
