#pragma once

// The console: the queue's log lines, shown above the footer while switched on,
// with "Copy All" and "Clear". New lines are added one by one and the view
// follows the newest; opening it does not scroll.

#include "Vantrel/views/PaneWidgets.h"

#include <QPlainTextEdit>
#include <QWidget>

class QPropertyAnimation;

namespace vantrel {

class CorrectionQueue;

class ConsoleView : public QWidget {
    Q_OBJECT

public:
    static constexpr int paneHeight = 178;

    explicit ConsoleView(CorrectionQueue* queue, QWidget* parent = nullptr);

    CorrectionQueue* queue() const { return queue_; }
    QPlainTextEdit* text() const { return text_; }
    // Puts every line, joined by line feeds, on the clipboard.
    void copyAll();

signals:
    // The view has scrolled to the newest line after a change.
    void followedTail();

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent*) override;

private:
    void rebuild();
    void append(const QStringList& lines);
    void updateButtons();
    void followTail();
    void recolor();

    CorrectionQueue* queue_;
    QPlainTextEdit* text_;
    KelpButton* copy_;
    KelpButton* clear_;
    QPropertyAnimation* scroll_;
};

}  // namespace vantrel
