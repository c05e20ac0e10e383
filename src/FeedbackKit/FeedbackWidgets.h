#pragma once

// The form's own small widgets: the kind picker, the framed fields, the check
// box, the consent box with its highlight, and the two-line status.

#include <QCheckBox>
#include <QColor>
#include <QIcon>
#include <QPushButton>
#include <QWidget>

class QButtonGroup;
class QVariantAnimation;

namespace feedback {

// A symbol from the application's icon set, tinted.
QIcon symbolIcon(const QString& name, const QColor& color, int size);

// `top` at `opacity` over an opaque `bottom`, as one opaque colour.
QColor over(const QColor& top, qreal opacity, const QColor& bottom);

// Light or dark text, whichever reads better on the fill.
QColor textOn(const QColor& fill);

// The edge of a field or a check box: the text colour faded into the window,
// so it stands apart from both the window and the field's fill, light or dark.
QColor fieldEdge(const QPalette& palette);

// A text field or editor inside a rounded edge: the text base as fill and a
// 1-px stroke inside the edge, in the highlight colour while the editor has
// the focus. The editor draws no frame of its own; the style's frame takes its
// edge from the window colour and all but vanishes on a dark window.
class FieldFrame : public QWidget {
    Q_OBJECT
public:
    FieldFrame(QWidget* editor, qreal radius, int inset, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_editor;
    qreal m_radius;
};

// A prominent button (Send, Done): a rounded shape filled with the accent under
// light or dark text, whichever reads better on it, with a faint highlight along
// its top edge; darker while pressed, faded into the window while disabled. A
// ring inside its edge shows the keyboard focus.
class ProminentButton : public QPushButton {
    Q_OBJECT
public:
    explicit ProminentButton(const QString& text, QWidget* parent = nullptr);
    void setAccent(const QColor& accent);
    QColor accent() const { return m_accent; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QColor m_accent;
    bool m_focusFromKeyboard = false;
};

// A check box whose box has a visible edge on any window, filled with the
// highlight colour and ticked when on.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Segment buttons side by side, exactly one checked.
class SegmentPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentPicker(QWidget* parent = nullptr);
    void addSegment(const QString& text, const QString& symbolName, const QString& objectName);
    int current() const;
    void setCurrent(int index);

signals:
    void currentChanged(int index);

private:
    QButtonGroup* m_group;
};

// A check box that lights up (accent fill and outline) when ticking it is all
// that is left to do; the change fades over 0.15 s.
class ConsentBox : public QWidget {
    Q_OBJECT
public:
    ConsentBox(const QString& text, QWidget* parent = nullptr);
    CheckBox* checkBox() const { return m_check; }
    void setAccent(const QColor& accent);
    void setHighlighted(bool on);
    bool isHighlighted() const { return m_highlighted; }
    qreal level() const { return m_level; }  // 0 to 1, animated

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CheckBox* m_check;
    QVariantAnimation* m_animation;
    QColor m_accent;
    bool m_highlighted = false;
    qreal m_level = 0;
};

// A symbol and a message of at most two lines, elided; always plain text.
class StatusLine : public QWidget {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);
    void setMessage(const QString& symbolName, const QString& text, const QColor& color);
    void clear();
    QString text() const { return m_text; }
    QColor color() const { return m_color; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    QString m_text;
    QColor m_color;
};

}  // namespace feedback
