#pragma once

// The content of the main window: the source list above a divider, the command
// bar and the queue below it, the console while it is switched on, and the
// footer. The divider's position and whether the console shows are kept in the
// settings; the console slides up from the footer and fades in (and back out).
// The console pane exists only while it is switched on, so opening it shows the
// log from its first line.
//
// On a window too low for the designed heights, nothing overlaps: the two panes
// of the split give up height first (paneMinimums), down to their headers; past
// that the console gives way, the bottom of its log cut off under its header.

#include <QString>
#include <QWidget>

class QGraphicsOpacityEffect;
class QParallelAnimationGroup;
class QSettings;
class QSplitter;

namespace vantrel {

class AppModel;
class ConsoleView;
class FooterBar;

class ContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int sourcesMinimumHeight = 220;
    static constexpr int queueMinimumHeight = 212;
    static constexpr int consoleHeight = 178;
    static constexpr int animationMilliseconds = 180;
    // The settings it keeps: whether the console shows, and the divider's position.
    static inline const QString showConsoleKey = QStringLiteral("showConsole");
    static inline const QString splitKey = QStringLiteral("MainSourcesQueueSplit");

    ContentView(AppModel* model, QSettings* settings, QWidget* parent = nullptr);

    // Heights of the split's two panes: the source list, and the command bar with
    // the queue.
    struct PaneHeights {
        int sources = 0;
        int queue = 0;
        friend bool operator==(const PaneHeights&, const PaneHeights&) = default;
    };
    // The least heights of the panes when the split has `room` for both, given the
    // heights of their headers and of one row of each list: as designed where there
    // is room for that; else a header and a row each, the rest of the room left to
    // the divider; where there is no room for that either, each keeps its header
    // and the same share of its row, so that the two fill the room exactly; never
    // less than the headers.
    static PaneHeights paneMinimums(int room, PaneHeights headers, PaneHeights rows);

    AppModel* model() const { return model_; }
    QSplitter* splitter() const { return splitter_; }
    FooterBar* footer() const { return footer_; }
    // The console pane, made when the console turns on and dropped once it has
    // slid out; null while the console is off.
    ConsoleView* console() const { return console_; }

    bool showConsole() const { return showConsole_; }
    // Stores the flag and slides the console in or out.
    void setShowConsole(bool show);
    // Whether the console is still sliding.
    bool isAnimating() const;

signals:
    void consoleAnimationFinished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void makeConsole();
    void dropConsole();

    AppModel* model_;
    QSettings* settings_;
    bool showConsole_;
    QSplitter* splitter_;
    QWidget* drawer_;  // clips the console while it slides
    ConsoleView* console_ = nullptr;
    FooterBar* footer_;
    QGraphicsOpacityEffect* fade_;
    QParallelAnimationGroup* animation_;
};

}  // namespace vantrel
