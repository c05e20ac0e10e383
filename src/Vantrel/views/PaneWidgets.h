#pragma once

// Small painted pieces the panes share: a spinner, a menu button, a symbol with
// text, a tinted capsule and text made of plain and bold runs.

#include "Vantrel/views/DesignControls.h"

#include <QAbstractButton>
#include <QMenu>
#include <QWidget>

class QVBoxLayout;

namespace vantrel {

// An indeterminate spinner; it turns only while shown.
class KelpSpinner : public QWidget {
    Q_OBJECT
public:
    explicit KelpSpinner(int size = 16, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {size_, size_}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;
    void timerEvent(QTimerEvent*) override;

private:
    int size_;
    int angle_ = 0;
    int timer_ = 0;
};

// A borderless button that opens its menu: a centred title and a small chevron.
class KelpMenuButton : public KelpHoverButton {
    Q_OBJECT
public:
    explicit KelpMenuButton(const QFont& font, int width, QWidget* parent = nullptr);
    QMenu* menu() const { return menu_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QMenu* menu_;
};

// A symbol followed by text, both in one colour (a palette role or a fixed
// colour); the text is cut at the end when space is short.
class SymbolText : public QWidget {
    Q_OBJECT
public:
    SymbolText(const QString& symbol, const QString& text, const QFont& font, Palette::Role role,
               QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    void setText(const QString& text);
    QString text() const { return text_; }
    QString symbol() const { return symbol_; }
    void setRole(Palette::Role role);
    Palette::Role role() const { return role_; }
    void setSymbolSize(int size);
    // Leading (the default) or trailing.
    void setTrailing(bool trailing);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
    QString text_;
    Palette::Role role_;
    int symbolSize_;
    bool trailing_ = false;
};

// Text (with an optional leading symbol) on a capsule tinted with its colour:
// the mismatch mark of a source row and the chips of a queue row.
class KelpCapsule : public QWidget {
    Q_OBJECT
public:
    struct Style {
        QFont font;
        int symbolSize = 0;
        int horizontalInset = 7;
        int verticalInset = 3;
        double fillOpacity = 0.14;
        double borderOpacity = 0;  // none when 0
    };
    explicit KelpCapsule(Style style, QWidget* parent = nullptr);
    void set(const QString& symbol, const QString& text, Palette::Role role);
    QString text() const { return text_; }
    QString symbol() const { return symbol_; }
    Palette::Role role() const { return role_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Style style_;
    QString symbol_;
    QString text_;
    Palette::Role role_ = Palette::Role::success;
};

// One line of text made of runs, some bold; centred.
class RunsLabel : public QWidget {
    Q_OBJECT
public:
    struct Run {
        QString text;
        bool bold = false;
    };
    RunsLabel(QList<Run> runs, int pixelSize, Palette::Role role, QWidget* parent = nullptr);
    QString text() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QFont fontFor(bool bold) const;
    QList<Run> runs_;
    int pixelSize_;
    Palette::Role role_;
};

// The two-line name block of a row: a name in 13 medium, cut in the middle, over
// a second line in the tertiary colour, also cut in the middle.
QWidget* makeNameBlock(int minWidth, const QFont& secondFont, KelpLabel** name, KelpLabel** second,
                       const QString& secondName, QWidget* parent);

// The centred prompt of an empty pane: a large symbol, a line, a line with bold
// runs, and optionally a control under them. Where the pane is too low for all
// of it, the parts give way in turn: the symbol, then the hint, then the title;
// the control stays.
class EmptyState : public QWidget {
    Q_OBJECT
public:
    EmptyState(const QString& symbol, int symbolSize, int spacing, const QString& title, int titleSize,
               QList<RunsLabel::Run> hint, int hintSize, QWidget* parent = nullptr);
    // Adds the control under the texts.
    void addControl(QWidget* control);
    // The control alone.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The height the prompt needs without the first `dropped` parts that give way.
    int neededHeight(int dropped) const;

    QVBoxLayout* column_;
    QList<QWidget*> givingWay_;  // in the order they go
    QWidget* control_ = nullptr;
};

// Draws a full-width line of the given colour along the bottom (or top) edge.
void paintEdgeLine(QWidget* widget, const QColor& color, bool bottom);

}  // namespace vantrel

namespace vantrel {

// A one-pixel line across its width in a palette role.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(Palette::Role role, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Palette::Role role_;
};

// Runs a function once on the next turn of the event loop, however often it is asked.
class TurnScheduler {
public:
    TurnScheduler(QObject* context, std::function<void()> work) : context_(context), work_(std::move(work)) {}
    void schedule();
    // Runs pending work now.
    void flush();

private:
    QObject* context_;
    std::function<void()> work_;
    bool pending_ = false;
};

}  // namespace vantrel
