#pragma once

#include "Vantrel/views/DesignControls.h"

#include <QList>
#include <QUuid>
#include <QWidget>

#include <optional>

class QHBoxLayout;

namespace vantrel {

// Vantrel's painted indicators and pane furniture: a check square, progress
// bars, a path well and a pane's header line. Like the controls, they report
// clicks and redraw from what the owner passes back.

// A 14x14 check square. Clicking emits clicked(); the look changes only when
// the owner calls setOn().
class KelpCheckbox : public QAbstractButton {
    Q_OBJECT
public:
    explicit KelpCheckbox(bool on = false, QWidget* parent = nullptr);
    void setOn(bool on);
    bool isOn() const { return on_; }
    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool on_;
};

// A 5-pixel capsule showing a fraction in the colour of its state. Fractions
// outside 0...1 are clamped; a non-finite fraction draws as 0.
class KelpProgressBar : public QWidget {
    Q_OBJECT
public:
    enum class Fill { running, done, failed };
    explicit KelpProgressBar(double fraction = 0, Fill fill = Fill::running, QWidget* parent = nullptr);
    void setFraction(double fraction);
    double fraction() const { return fraction_; }
    void setFill(Fill fill);
    Fill fill() const { return fill_; }
    QSize sizeHint() const override { return {120, 5}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double fraction_;
    Fill fill_;
};

// One coloured share of a KelpSegmentedBar; each segment made gets a fresh id.
struct KelpBarSegment {
    KelpBarSegment(double fraction, const QColor& color)
        : id(QUuid::createUuid()), fraction(fraction), color(color) {}
    QUuid id;
    double fraction;
    QColor color;
};

// A capsule divided into coloured segments from the leading edge; what no
// segment covers shows the sunken track. Fractions are clamped as for the
// progress bar, not normalised.
class KelpSegmentedBar : public QWidget {
    Q_OBJECT
public:
    explicit KelpSegmentedBar(QList<KelpBarSegment> segments = {}, int height = 6, QWidget* parent = nullptr);
    void setSegments(QList<KelpBarSegment> segments);
    const QList<KelpBarSegment>& segments() const { return segments_; }
    void setBarHeight(int height);
    QSize sizeHint() const override { return {160, height()}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QList<KelpBarSegment> segments_;
};

// A sunken field showing a path (its end kept visible) or a placeholder, with a
// "Choose…" button that emits choose().
class KelpPathWell : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumWellWidth = 460;
    KelpPathWell(const QString& icon, std::optional<QString> path, const QString& placeholder, int height = 28,
                 int minWidth = 240, QWidget* parent = nullptr);
    void setPath(std::optional<QString> path);
    std::optional<QString> path() const { return path_; }
    void setPlaceholder(const QString& placeholder);
    void setIcon(const QString& icon);
    void setWellHeight(int height);
    void setMinWidth(int width);
    KelpButton* chooseButton() const { return choose_; }
    // The text as drawn at the current width (elided at the head), for tests.
    QString shownText() const;
    // The narrowest width at which the placeholder shows whole.
    int widthShowingPlaceholder() const;
    QSize sizeHint() const override;

signals:
    void choose();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QRectF textRect() const;
    void placeButton();
    QString icon_;
    std::optional<QString> path_;
    QString placeholder_;
    KelpButton* choose_;
};

// The header line of a pane: the title in capitals, an optional count, a
// spacer and trailing controls added by the owner.
class KelpSectionHead : public QWidget {
    Q_OBJECT
public:
    explicit KelpSectionHead(const QString& title, std::optional<QString> count = {}, QWidget* parent = nullptr);
    void setTitle(const QString& title);
    void setCount(std::optional<QString> count);
    std::optional<QString> count() const { return count_; }
    void addTrailing(QWidget* widget);
    KelpLabel* titleLabel() const { return title_; }
    KelpLabel* countLabel() const { return countLabel_; }

private:
    KelpLabel* title_;
    KelpLabel* countLabel_;
    std::optional<QString> count_;
    QHBoxLayout* layout_;
};

}  // namespace vantrel
