#pragma once

// The form's own small widgets: the kind picker, the consent box with its
// highlight, and the two-line status.

#include <QColor>
#include <QIcon>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QVariantAnimation;

namespace feedback {

// A symbol from the application's icon set, tinted.
QIcon symbolIcon(const QString& name, const QColor& color, int size);

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
    QCheckBox* checkBox() const { return m_check; }
    void setAccent(const QColor& accent);
    void setHighlighted(bool on);
    bool isHighlighted() const { return m_highlighted; }
    qreal level() const { return m_level; }  // 0 to 1, animated

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QCheckBox* m_check;
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
