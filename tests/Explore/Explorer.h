#pragma once

// The explorer: drives the real application object with seeded random user
// actions and checks after each step what must always hold. One exploration runs
// in a process of its own (see explore_main.cpp), so that a crash, a sanitizer
// report or a hang is seen from outside and reported with the seed and the
// actions that led there.

#include <QList>
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
    // Closes a message box and answers a context menu run with exec().
    void answerOtherModals();
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
    QTimer* modalTimer_ = nullptr;
    QString dialogAnswer_;  // what the last answered dialog was given, for the action list
    bool roadDialog_ = false;
    int step_ = -1;
    QString failure_;  // found by an action, reported by the next check
};

}  // namespace explore
