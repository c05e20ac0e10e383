#pragma once

// The explorer: drives the real application object with seeded random user
// actions and checks after each step what must always hold. One exploration runs
// in a process of its own (see explore_main.cpp), so that a crash, a sanitizer
// report or a hang is seen from outside and reported with the seed and the
// actions that led there.

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>

class QAction;
class QFile;
class QMenu;
class QTimer;
class QWidget;

namespace vantrel {
class VantrelApp;
}

namespace explore {

// A seeded source of choices; the same seed gives the same sequence on every run.
class Choices {
public:
    explicit Choices(std::uint64_t seed) : engine_(seed) {}
    // 0 <= result < n (n > 0).
    int below(int n) { return int(engine_() % std::uint64_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    const T& pick(const QList<T>& list) { return list[below(int(list.size()))]; }

private:
    std::mt19937_64 engine_;
};

// Names a widget for the list of actions: its class, name, text and window.
QString describe(const QWidget* w);

// What the explorer's own input can start that runs an event loop of its own and
// so holds the step until it is answered: a drag that Qt starts while the button
// is held and the pointer moves (QDrag::exec, which on a real window system waits
// for the button to come up, and the explorer could only send that after the
// move returns), a menu run with exec(), a modal box. A timer answers each from
// inside its loop, as a user would: the button let go or Escape, an entry or
// Escape, the box closed or, when it will not close, one of its buttons. File
// dialogs are the explorer's own to answer, with the card's folders.
class LoopAnswers {
public:
    using Log = std::function<void(const QString&)>;
    LoopAnswers(Choices& choices, Log log);
    ~LoopAnswers();

    // Press at `from`, move to `to` in four steps and let go, as a hand does; it
    // returns with the button up, whatever Qt started on the way.
    void drag(QWidget* target, QPoint from, QPoint to);
    // Answers the innermost loop that holds the step, if one runs (the timer calls it).
    void answer();

    // How often a drag that Qt started is escaped rather than let go, in per cent.
    int escapePercent = 25;

private:
    struct Held;
    void endDrag();
    void answerMenu(QMenu* menu);
    void answerModal(QWidget* modal);

    Choices& choices_;
    Log log_;
    std::unique_ptr<QTimer> timer_;
    std::unique_ptr<Held> held_;  // while drag() holds the button down
    bool queued_ = false;  // an answer waits for its turn
};

// The folders of one exploration: the card of movies, the output folder and the
// application's profile.
struct Fixture {
    QString root;
    QString card;
    QString output;
    QStringList movies;  // file names in the card, the text file named .mov among them

    // Makes the movies with ffmpeg; false (with a message on stderr) when it cannot.
    bool make(const QString& root);
};

class Explorer {
public:
    struct Options {
        std::uint64_t seed = 1;
        int steps = 100;
        bool byHand = false;      // list slow GUI-thread events
        bool impatient = false;   // often act again before the application is idle
        QString logPath;          // the actions, one line each, written as they start
    };

    using AppFactory = std::function<std::unique_ptr<vantrel::VantrelApp>()>;

    // Makes the application with `makeApp` and shows it; makes it again when the
    // explorer quits and starts it again (the same profile, as after a restart).
    Explorer(AppFactory makeApp, const Fixture& fixture, Options options);
    ~Explorer();

    // Runs every step; 0 when every check held, otherwise the failure is on stderr.
    int run();

    // Called by the application object on every event it dispatches at the top level.
    static void eventStarted();
    static void eventFinished(const char* what, qint64 elapsedMs);

private:
    struct Action;

    QList<Action> actions();
    void step(int index);
    void settle(int maxMs);
    bool isIdle() const;
    bool check(QString* failure);
    void logLine(const QString& line);

    // Targets.
    QList<QWidget*> windows() const;
    QList<QWidget*> candidates() const;
    QWidget* named(const QString& name, QWidget* within = nullptr) const;
    QList<QAction*> menuActions() const;
    bool clickNamed(const QString& name, QWidget* within = nullptr);

    // Actions.
    QString clickSomewhere(int kind);
    QString wheel();
    QString drag();
    QString pressKey();
    QString typeWords();
    QString paste();
    QString resizeWindow();
    QString switchAppearance();
    QString triggerMenuAction();
    QString pressShortcut();
    QString road();
    QString runControl();
    QString closeWindow();
    QString dropFiles();
    QString quitAndRelaunch();
    QString moveFilesAround();
    QString editRow();

    // Answers a file dialog the application opened, from a timer while it is modal.
    void answerDialogs();
    QString text(int maxLength);

    AppFactory makeApp_;
    std::unique_ptr<vantrel::VantrelApp> app_;
    Fixture fixture_;
    Options options_;
    Choices choices_;
    Choices dialogChoices_;
    Choices patience_;
    QStringList words_;
    std::unique_ptr<QFile> log_;
    QTimer* dialogTimer_ = nullptr;
    std::unique_ptr<LoopAnswers> loops_;  // every other loop the input starts
    QString dialogAnswer_;  // what the last answered dialog was given, for the action list
    bool roadDialog_ = false;
    int step_ = -1;
    QString failure_;  // found by an action, reported by the next check
};

}  // namespace explore
