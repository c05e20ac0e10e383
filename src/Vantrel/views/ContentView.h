#pragma once

// The content of the main window: the source list above a divider, the command
// bar and the queue below it, the console while it is switched on, and the
// footer. The divider's position and whether the console shows are kept in the
// settings; the console slides up from the footer and fades in (and back out).
// The console pane exists only while it is switched on, so opening it shows the
// log from its first line.

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
