#include "Explorer.h"

#include "HelpMenu/HelpWindowController.h"
#include "TestMedia.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/app/VantrelApp.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/queue/QueueFile.h"
#include "Vantrel/tools/ToolThreadPool.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMutex>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace explore {

namespace {

// ---- What every step watches ----

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Where every thread of this process is, through gdb when it is installed.
void printStacks() {
    static const char* gdb = "/usr/bin/gdb";
    if (::access(gdb, X_OK) != 0) return;
    char pid[32];
    std::snprintf(pid, sizeof pid, "%d", int(::getpid()));
    const char* argv[] = {gdb, "-p", pid, "-batch", "-nx", "-ex", "thread apply all bt 40", nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, gdb, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return;
    int status = 0;
    ::waitpid(child, &status, 0);
}

// A step makes progress each time it starts or one of its bounded waits goes
// round; ten seconds without progress is a hang, whatever the machine's speed.
struct Watchdog {
    static constexpr qint64 limitMs = 10000;
    std::atomic<qint64> lastProgress{0};
    std::atomic<int> step{-1};
    std::atomic<bool> stopped{false};
    std::thread thread;

    void start() {
        // gdb, started by the watchdog, may look into this process.
        ::prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
        lastProgress = nowMs();
        thread = std::thread([this] {
            while (!stopped) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (stopped || nowMs() - lastProgress <= limitMs) continue;
                char line[160];
                const int n = std::snprintf(line, sizeof line,
                                            "\nEXPLORER HANG: step %d made no progress for %lld s (the GUI thread is stuck)\n",
                                            step.load(), limitMs / 1000);
                [[maybe_unused]] const auto written = ::write(2, line, size_t(n));
                printStacks();
                ::_exit(3);
            }
        });
    }
    void stop() {
        stopped = true;
        if (thread.joinable()) thread.join();
    }
};
Watchdog watchdog;
void progress() { watchdog.lastProgress = nowMs(); }

// Qt's warnings about a widget, a layout or an object used wrongly.
QMutex messagesMutex;
QStringList misuse;
QStringList otherWarnings;
QtMessageHandler previousHandler = nullptr;

bool isMisuse(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg) return false;
    const QString category = QString::fromLatin1(context.category ? context.category : "");
    if (category.startsWith(QLatin1String("qt.qpa"))) return false;  // the window system's own chatter
    static const QRegularExpression classes(QStringLiteral(
        "\\b(Q\\w*Layout|QLayoutItem|QWidget|QObject|QPainter|QBackingStore|QMainWindow|QSplitter|QScrollArea|"
        "QAbstract\\w*View|QListWidget|QTextLayout|QTextLine|QFont|QPixmap|QIcon|QLabel|QMenu|QAction|"
        "QStackedWidget|QTimer|QBasicTimer|QCoreApplication|QApplication|QSocketNotifier|Kelp\\w*)\\b|layout"),
        QRegularExpression::CaseInsensitiveOption);
    return classes.match(message).hasMatch() || type == QtFatalMsg;
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        QMutexLocker lock(&messagesMutex);
        if (isMisuse(type, context, message)) misuse.append(message);
        else if (type != QtDebugMsg && type != QtInfoMsg) otherWarnings.append(message);
    }
    if (previousHandler) previousHandler(type, context, message);
}

// GUI-thread events that took long, for the exploration by hand.
QMutex slowMutex;
QStringList slowEvents;
int eventDepth = 0;

// ---- Texts a restless user types ----

QStringList specialTexts() {
    return {QString(),
            QStringLiteral("01:00:00:00"),
            QStringLiteral("01:00:00;02"),
            QStringLiteral("00:01:00;00"),
            QStringLiteral("23:59:59:29"),
            QStringLiteral("10:00:00.00"),
            QStringLiteral("99:99:99:99"),
            QStringLiteral("1:2:3:4"),
            QStringLiteral("00000000"),
            QStringLiteral("235959;29"),
            QStringLiteral("-01:00:00:00"),
            QStringLiteral("%s%s%n%x"),
            QStringLiteral("../"),
            QStringLiteral("../../../etc/passwd"),
            QStringLiteral("/"),
            QStringLiteral("{name}_TC"),
            QStringLiteral("{name}"),
            QStringLiteral("{"),
            QStringLiteral("{name}/{name}"),
            QStringLiteral("a\tb"),
            QStringLiteral("<b>bold</b> &amp;"),
            QStringLiteral("*emphasis* `code` [link](http://x)"),
            QString::fromUtf8("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD"),         // Hebrew, right to left
            QString::fromUtf8("\u0645\u0631\u062D\u0628\u0627 timecode \u0645\u0631\u062D\u0628\u0627"),  // Arabic and Latin
            QString::fromUtf8("e\u0301\u0301\u0301 a\u0308\u0304 \u202Eevil\u202C"),        // combining marks, override
            QString::fromUtf8("\U0001F3AC \U0001F44D\U0001F3FD"),                           // emoji
            QStringLiteral("   "),
            QStringLiteral("0"),
            QStringLiteral("1e309"),
            QStringLiteral("-1"),
            QStringLiteral("NaN")};
}

QStringList helpWords(const vantrel::VantrelApp& app) {
    QSet<QString> seen;
    static const QRegularExpression nonWord(QStringLiteral("[^\\w]+"));
    for (const auto& topic : app.helpContent().topics) {
        for (const QString& word : topic.markdown.split(nonWord, Qt::SkipEmptyParts)) {
            if (word.size() >= 1 && word.size() <= 20) seen.insert(word);
        }
        seen.insert(topic.title);
    }
    QStringList words(seen.begin(), seen.end());
    words.sort();
    return words;
}

// A stable place in the window tree, for ordering windows the same way every run.
QString pathOf(const QObject* object) {
    QStringList parts;
    for (const QObject* o = object; o; o = o->parent()) {
        const QObject* parent = o->parent();
        const int index = parent ? int(parent->children().indexOf(const_cast<QObject*>(o))) : 0;
        parts.prepend(QStringLiteral("%1:%2#%3").arg(QString::fromLatin1(o->metaObject()->className()),
                                                      o->objectName()).arg(index));
    }
    return parts.join(QLatin1Char('/'));
}

// Types `text` key by key, as a keyboard (or an input method, for what no key gives) would.
void typeInto(const QPointer<QWidget>& target, const QString& text) {
    for (qsizetype i = 0; i < text.size() && target; ++i) {
        const char32_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7f) {
            QTest::keyClick(target.data(), char(c));
        } else if (c == '\t') {
            QTest::keyClick(target.data(), Qt::Key_Tab);
        } else {
            // A character beyond ASCII (a surrogate pair stays together).
            const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, target.data(), Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
            i += n - 1;
        }
    }
}

QString visible(const QString& text) {
    QString shown = text.left(60);
    shown.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\t'), QLatin1String("\\t"));
    if (text.size() > 60) shown += QStringLiteral("…(%1 characters)").arg(text.size());
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

bool isInteractive(const QWidget* w) {
    return w->focusPolicy() != Qt::NoFocus || qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QMenu*>(w) ||
           qobject_cast<const QMenuBar*>(w) || qobject_cast<const QScrollBar*>(w) || w->inherits("KelpSegGroup") ||
           w->inherits("QAbstractButton");
}

bool insideFileDialog(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (qobject_cast<const QFileDialog*>(w)) return true;
    return false;
}

}  // namespace

struct Explorer::Action {
    int weight;
    std::function<QString()> run;
};

// ---- Fixture ----

bool Fixture::make(const QString& folder) {
    root = folder;
    card = root + QStringLiteral("/card");
    output = root + QStringLiteral("/out");
    QDir().mkpath(card + QStringLiteral("/PRIVATE"));
    QDir().mkpath(output);
    struct Movie {
        QString name;
        testsupport::MovieRecipe recipe;
    };
    const QString created = QStringLiteral("2024-05-06T07:08:09Z");
    QList<Movie> list;
    list.append({QStringLiteral("A001_25.mov"), {}});
    list.last().recipe.timecode = QStringLiteral("10:00:00:00");
    list.last().recipe.creationTime = created;
    list.append({QStringLiteral("A002_2997DF.mov"), {}});
    list.last().recipe.rate = QStringLiteral("30000/1001");
    list.last().recipe.timecode = QStringLiteral("01:00:00;02");
    list.last().recipe.creationTime = created;
    list.last().recipe.audio = true;
    list.append({QStringLiteral("A003_23976.mov"), {}});
    list.last().recipe.rate = QStringLiteral("24000/1001");
    list.last().recipe.timecode = QStringLiteral("00:59:58:00");
    list.last().recipe.creationTime = created;
    list.append({QStringLiteral("A004_no_timecode.mov"), {}});
    list.last().recipe.creationTime = created;
    for (const Movie& movie : list) {
        QString error;
        if (!testsupport::makeMovie(card + QLatin1Char('/') + movie.name, movie.recipe, &error)) {
            std::fprintf(stderr, "cannot make %s: %s\n", qPrintable(movie.name), qPrintable(error));
            return false;
        }
        movies.append(movie.name);
    }
    testsupport::writeFile(card + QStringLiteral("/A005_notes.mov"), "These are the shoot notes, not a movie.\n");
    movies.append(QStringLiteral("A005_notes.mov"));
    testsupport::writeFile(card + QStringLiteral("/PRIVATE/readme.txt"), "card index\n");
    return true;
}

// ---- The exploration ----

Explorer::Explorer(AppFactory makeApp, const Fixture& fixture, Options options)
    : makeApp_(std::move(makeApp)), app_(makeApp_()), fixture_(fixture), options_(std::move(options)), choices_(options_.seed),
      dialogChoices_(options_.seed * 7919 + 17), patience_(options_.seed * 104729 + 3) {
    words_ = helpWords(*app_);
    words_ += specialTexts();
    if (!options_.logPath.isEmpty()) {
        log_ = std::make_unique<QFile>(options_.logPath);
        if (!log_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) log_.reset();
    }
    previousHandler = qInstallMessageHandler(messageHandler);
    app_->show();
    dialogTimer_ = new QTimer;
    dialogTimer_->setInterval(30);
    QObject::connect(dialogTimer_, &QTimer::timeout, [this] { answerDialogs(); });
    dialogTimer_->start();
    // A second timer, for what a dialog's answer opens while the first one's is
    // running, and for every other loop the input starts (drags, menus, boxes).
    loops_ = std::make_unique<LoopAnswers>(dialogChoices_, [this](const QString& line) { logLine(line); });
}

Explorer::~Explorer() {
    delete dialogTimer_;
    loops_.reset();
    app_.reset();
    qInstallMessageHandler(previousHandler);
}

void Explorer::eventStarted() { ++eventDepth; }

void Explorer::eventFinished(const char* what, qint64 elapsedMs) {
    --eventDepth;
    if (eventDepth == 0 && elapsedMs > 500) {
        QMutexLocker lock(&slowMutex);
        slowEvents.append(QStringLiteral("%1 ms: %2").arg(elapsedMs).arg(QString::fromUtf8(what)));
    }
}

void Explorer::logLine(const QString& line) {
    // An action's lines carry its step.
    const QString text = line.startsWith(QLatin1String("  ")) && step_ >= 0
                             ? QStringLiteral("step %1: %2").arg(step_).arg(line.mid(2))
                             : line;
    const QByteArray bytes = text.toUtf8() + '\n';
    if (log_) log_->write(bytes);
    if (options_.byHand) {
        std::fputs(bytes.constData(), stdout);
        std::fflush(stdout);
    }
}

int Explorer::run() {
    QElapsedTimer clock;
    clock.start();
    watchdog.start();
    logLine(QStringLiteral("seed %1, %2 steps%3").arg(options_.seed).arg(options_.steps).arg(options_.impatient ? ", impatient" : ""));
    settle(4000);
    int result = 0;
    for (int i = 0; i < options_.steps; ++i) {
        watchdog.step = i;
        progress();
        const qint64 began = clock.elapsed();
        step(i);
        if (options_.byHand && clock.elapsed() - began > 1500)
            logLine(QStringLiteral("  (the step took %1 s)").arg((clock.elapsed() - began) / 1000.0, 0, 'f', 1));
        QString failure;
        if (!check(&failure)) {
            std::fprintf(stderr, "EXPLORER CHECK FAILED after step %d: %s\n", i, qPrintable(failure));
            result = 1;
            break;
        }
        if (options_.byHand) {
            QMutexLocker lock(&slowMutex);
            for (const QString& slow : std::as_const(slowEvents))
                logLine(QStringLiteral("  slow GUI-thread event: %1").arg(slow));
            slowEvents.clear();
        }
    }
    watchdog.stop();
    {
        QMutexLocker lock(&messagesMutex);
        if (options_.byHand && !otherWarnings.isEmpty()) {
            otherWarnings.removeDuplicates();
            for (const QString& w : std::as_const(otherWarnings)) {
                // The offscreen and xcb plugins say what they cannot do; that is no news.
                if (!w.startsWith(QLatin1String("This plugin does not support")))
                    logLine(QStringLiteral("  other warning: %1").arg(w));
            }
        }
    }
    logLine(QStringLiteral("%1 after %2 s").arg(result ? "failed" : "passed").arg(clock.elapsed() / 1000.0, 0, 'f', 1));
    return result;
}

void Explorer::step(int index) {
    step_ = index;
    // A closed main window comes back, as when the user starts the application again.
    if (!app_->window()->isVisible()) {
        logLine(QStringLiteral("  the main window is shown again"));
        app_->show();
    }
    QList<Action> list = actions();
    int total = 0;
    for (const Action& a : list) total += a.weight;
    int draw = choices_.below(total);
    for (const Action& a : list) {
        if (draw < a.weight) {
            const QString what = a.run();
            // The action has written its own line when it began; this is what it did.
            if (!what.isEmpty()) logLine(QStringLiteral("  %1").arg(what.trimmed()));
            break;
        }
        draw -= a.weight;
    }
    if (options_.impatient && patience_.chance(40)) {
        // The next action comes while analyses, runs and saves are still under way.
        for (int i = patience_.below(4); i > 0; --i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return;
    }
    settle(4000);
}

QList<Explorer::Action> Explorer::actions() {
    return {
        {22, [this] { return clickSomewhere(0); }},
        {4, [this] { return clickSomewhere(1); }},
        {3, [this] { return clickSomewhere(2); }},
        {3, [this] { return wheel(); }},
        {12, [this] { return pressKey(); }},
        {11, [this] { return typeWords(); }},
        {4, [this] { return paste(); }},
        {3, [this] { return resizeWindow(); }},
        {2, [this] { return switchAppearance(); }},
        {7, [this] { return triggerMenuAction(); }},
        {3, [this] { return pressShortcut(); }},
        {10, [this] { return road(); }},
        {6, [this] { return runControl(); }},
        {6, [this] { return editRow(); }},
        {2, [this] { return closeWindow(); }},
        {3, [this] { return dropFiles(); }},
        {1, [this] { return quitAndRelaunch(); }},
        {2, [this] { return moveFilesAround(); }},
        {4, [this] { return drag(); }},
    };
}

void Explorer::settle(int maxMs) {
    QDeadlineTimer deadline(maxMs);
    int quietRounds = 0;
    while (!deadline.hasExpired()) {
        progress();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (isIdle()) {
            if (++quietRounds >= 3) break;
        } else {
            quietRounds = 0;
            QThread::msleep(5);
        }
    }
    progress();
}

bool Explorer::isIdle() const {
    vantrel::AppModel* model = app_->model();
    for (const auto& row : model->sources()) {
        const auto kind = row.analysis.kind();
        if (kind == vantrel::SourceItem::AnalysisState::Kind::pending ||
            kind == vantrel::SourceItem::AnalysisState::Kind::analyzing)
            return false;
    }
    const auto& queue = model->queue();
    return !queue.isProcessing() && !queue.currentlyVerifyingJobId() &&
           QThreadPool::globalInstance()->activeThreadCount() == 0 &&
           vantrel::toolThreadPool()->activeThreadCount() == 0;
}

bool Explorer::check(QString* failure) {
    if (!failure_.isEmpty()) {
        *failure = failure_;
        return false;
    }
    {
        QMutexLocker lock(&messagesMutex);
        if (!misuse.isEmpty()) {
            *failure = QStringLiteral("Qt warned about a misuse: %1").arg(misuse.join(QStringLiteral(" | ")));
            return false;
        }
    }
    const auto& queue = app_->model()->queue();
    if (queue.persistenceError()) {
        *failure = QStringLiteral("the queue could not be saved: %1").arg(*queue.persistenceError());
        return false;
    }
    const auto& path = queue.queueFilePath();
    if (!path || !QFile::exists(*path)) return true;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("the queue file cannot be read");
        return false;
    }
    const vantrel::QueueFileContents contents = vantrel::decodeQueueFile(file.readAll());
    if (contents.isUnreadable || contents.unreadableRecords > 0) {
        *failure = QStringLiteral("the queue file does not parse (%1 unreadable records)").arg(contents.unreadableRecords);
        return false;
    }
    QSet<QUuid> saved;
    for (const auto& job : contents.jobs) saved.insert(job.id);
    for (const auto& job : queue.jobs()) {
        if (!saved.contains(job.id)) {
            *failure = QStringLiteral("the queue holds job %1 (%2) that the queue file does not list")
                           .arg(job.id.toString(), job.sourcePath);
            return false;
        }
    }
    return true;
}

// ---- Targets ----

QList<QWidget*> Explorer::windows() const {
    QList<QWidget*> list;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !qobject_cast<QFileDialog*>(w) && !w->inherits("QTipLabel")) list.append(w);
    }
    std::sort(list.begin(), list.end(), [](QWidget* a, QWidget* b) { return pathOf(a) < pathOf(b); });
    return list;
}

QList<QWidget*> Explorer::candidates() const {
    QList<QWidget*> list;
    for (QWidget* window : windows()) {
        if (!window->isEnabled()) continue;
        list.append(window);
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->isVisible() && w->isEnabled() && !w->isWindow() && w->width() > 0 && w->height() > 0 &&
                !insideFileDialog(w))
                list.append(w);
        }
    }
    return list;
}

QWidget* Explorer::named(const QString& name, QWidget* within) const {
    const QList<QWidget*> roots = within ? QList<QWidget*>{within} : windows();
    for (QWidget* root : roots) {
        if (root->objectName() == name && root->isVisible()) return root;
        for (QWidget* w : root->findChildren<QWidget*>(name))
            if (w->isVisible() && w->isEnabled()) return w;
    }
    return nullptr;
}

QList<QAction*> Explorer::menuActions() const {
    QList<QAction*> list;
    vantrel::MainWindow* main = app_->window();
    for (QMenu* menu : {main->fileMenu(), main->appearanceMenu(), main->helpMenu()}) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || !action->isEnabled() || action->menu()) continue;
            if (action->menuRole() == QAction::QuitRole || action->text().contains(QLatin1String("Quit"))) continue;
            list.append(action);
        }
    }
    return list;
}

bool Explorer::clickNamed(const QString& name, QWidget* within) {
    QWidget* w = named(name, within);
    if (!w) return false;
    logLine(QStringLiteral("  click %1").arg(describe(w)));
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && w->visibleRegion().isEmpty()) {
        button->click();  // scrolled out of sight: the same as reaching it first
    } else {
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }
    return true;
}

// ---- Actions ----

QString Explorer::clickSomewhere(int kind) {
    const QList<QWidget*> all = candidates();
    if (all.isEmpty()) return QStringLiteral("nothing to click");
    QList<QWidget*> interactive;
    for (QWidget* w : all)
        if (isInteractive(w)) interactive.append(w);
    QWidget* target = (!interactive.isEmpty() && choices_.chance(75)) ? choices_.pick(interactive) : choices_.pick(all);
    const QPoint at(choices_.below(std::max(1, target->width())), choices_.below(std::max(1, target->height())));
    static const char* names[] = {"click", "double-click", "right-click"};
    logLine(QStringLiteral("  %1 %2 at %3,%4").arg(names[kind], describe(target)).arg(at.x()).arg(at.y()));
    QPointer<QWidget> guard(target);
    switch (kind) {
    case 0: QTest::mouseClick(target, Qt::LeftButton, {}, at); break;
    case 1: QTest::mouseDClick(target, Qt::LeftButton, {}, at); break;
    default:
        QTest::mouseClick(target, Qt::RightButton, {}, at);
        if (guard) {
            QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
            QCoreApplication::sendEvent(target, &menuEvent);
        }
        break;
    }
    return {};
}

QString Explorer::drag() {
    // Press, move in a few steps (across the widget's edge at times) and release:
    // splitter handles, scroll bars, text selections, rows.
    QList<QWidget*> all;
    for (QWidget* w : candidates())
        if (!qobject_cast<QMenu*>(w->window())) all.append(w);
    if (all.isEmpty()) return {};
    QList<QWidget*> handles;
    for (QWidget* w : all)
        if (w->inherits("QSplitterHandle") || qobject_cast<QScrollBar*>(w)) handles.append(w);
    QWidget* target = (!handles.isEmpty() && choices_.chance(50)) ? choices_.pick(handles) : choices_.pick(all);
    const QPoint from(choices_.below(std::max(1, target->width())), choices_.below(std::max(1, target->height())));
    const QPoint to = from + QPoint(choices_.below(601) - 300, choices_.below(401) - 200);
    logLine(QStringLiteral("  drag in %1 from %2,%3 to %4,%5")
                .arg(describe(target)).arg(from.x()).arg(from.y()).arg(to.x()).arg(to.y()));
    loops_->drag(target, from, to);
    return {};
}

QString Explorer::wheel() {
    const QList<QWidget*> all = candidates();
    if (all.isEmpty()) return {};
    QWidget* target = choices_.pick(all);
    const int delta = (choices_.chance(50) ? 1 : -1) * (1 + choices_.below(3)) * 120;
    const bool horizontal = choices_.chance(20);
    const QPoint at(target->width() / 2, target->height() / 2);
    logLine(QStringLiteral("  wheel %1 by %2%3").arg(describe(target)).arg(delta).arg(horizontal ? " sideways" : ""));
    QWheelEvent event(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(),
                      horizontal ? QPoint(delta, 0) : QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
    return {};
}

QString Explorer::pressKey() {
    static const QList<Qt::Key> keys = {
        Qt::Key_Left,  Qt::Key_Right,     Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Tab,    Qt::Key_Backtab,
        Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space,
        Qt::Key_Home,  Qt::Key_End,       Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_0,    Qt::Key_1,
        Qt::Key_5,     Qt::Key_9,         Qt::Key_Colon,  Qt::Key_Semicolon, Qt::Key_Period, Qt::Key_Minus,
        Qt::Key_Plus,  Qt::Key_A,         Qt::Key_C,      Qt::Key_V,      Qt::Key_X,      Qt::Key_Z,
        Qt::Key_F,     Qt::Key_E,         Qt::Key_F1,     Qt::Key_Insert};
    const Qt::Key key = choices_.pick(keys);
    Qt::KeyboardModifiers modifiers;
    const int m = choices_.below(10);
    if (m == 0) modifiers = Qt::ShiftModifier;
    if (m == 1) modifiers = Qt::ControlModifier;
    if (m == 2) modifiers = Qt::ControlModifier | Qt::ShiftModifier;
    if (m == 3) modifiers = Qt::AltModifier;
    if (key == Qt::Key_Q && (modifiers & Qt::ControlModifier)) modifiers = {};  // never quits
    QWidget* target = QApplication::focusWidget();
    if (!target || choices_.chance(30)) {
        const QList<QWidget*> all = candidates();
        if (all.isEmpty()) return {};
        target = choices_.pick(all);
        target->setFocus(Qt::OtherFocusReason);
    }
    logLine(QStringLiteral("  key %1 to %2").arg(QKeySequence(int(modifiers) | int(key)).toString(), describe(target)));
    QTest::keyClick(target, key, modifiers);
    return {};
}

QString Explorer::text(int maxLength) {
    QString text = choices_.pick(words_);
    while (choices_.chance(25) && text.size() < maxLength) text += QLatin1Char(' ') + choices_.pick(words_);
    return text.left(maxLength);
}

QString Explorer::typeWords() {
    QWidget* target = nullptr;
    QList<QWidget*> fields;
    for (QWidget* w : candidates()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w) || w->inherits("TimecodeField") || w->objectName() == "timecodeField")
            fields.append(w);
    }
    if (!fields.isEmpty() && choices_.chance(85)) target = choices_.pick(fields);
    else target = QApplication::focusWidget();
    if (!target) return QStringLiteral("no field to type into");
    const QString typed = text(40);
    const bool replace = choices_.chance(40);
    logLine(QStringLiteral("  type %1 into %2%3").arg(visible(typed), describe(target), replace ? " (select all first)" : ""));
    QPointer<QWidget> guard(target);
    target->setFocus(Qt::OtherFocusReason);
    if (replace) QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    typeInto(guard, typed);
    if (guard && choices_.chance(30)) QTest::keyClick(guard.data(), Qt::Key_Return);
    return {};
}

QString Explorer::paste() {
    QString content;
    switch (choices_.below(4)) {
    case 0: content = QString(5000, QLatin1Char('x')); break;
    case 1: content = QString::fromUtf8("\u05D0").repeated(2000) + QStringLiteral(" 01:00:00;00"); break;
    case 2: content = fixture_.card + QLatin1Char('/') + choices_.pick(fixture_.movies); break;
    default: content = text(200) + QStringLiteral("\n") + text(200); break;
    }
    QWidget* target = QApplication::focusWidget();
    if (!target || choices_.chance(50)) {
        QList<QWidget*> fields;
        for (QWidget* w : candidates())
            if (w->focusPolicy() != Qt::NoFocus) fields.append(w);
        if (fields.isEmpty()) return {};
        target = choices_.pick(fields);
    }
    logLine(QStringLiteral("  paste %1 into %2").arg(visible(content), describe(target)));
    QApplication::clipboard()->setText(content);
    target->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    return {};
}

QString Explorer::resizeWindow() {
    QList<QWidget*> list;
    for (QWidget* w : windows())
        if (!qobject_cast<QMenu*>(w)) list.append(w);
    if (list.isEmpty()) return {};
    QWidget* window = choices_.pick(list);
    const QSize min = window->minimumSize();
    const int width = std::max(1, min.width() + choices_.below(std::max(1, 1600 - min.width() + 1)));
    const int height = std::max(1, min.height() + choices_.below(std::max(1, 1000 - min.height() + 1)));
    logLine(QStringLiteral("  resize %1 to %2x%3").arg(describe(window)).arg(width).arg(height));
    window->resize(width, height);
    return {};
}

QString Explorer::switchAppearance() {
    QList<QAction*> list;
    for (QAction* action : app_->window()->appearanceMenu()->actions())
        if (!action->isSeparator() && action->isEnabled() && !action->menu()) list.append(action);
    if (list.isEmpty()) return {};
    QAction* action = choices_.pick(list);
    logLine(QStringLiteral("  appearance: %1").arg(action->text()));
    action->trigger();
    return {};
}

QString Explorer::triggerMenuAction() {
    const QList<QAction*> list = menuActions();
    if (list.isEmpty()) return {};
    QAction* action = choices_.pick(list);
    roadDialog_ = false;
    logLine(QStringLiteral("  menu: %1").arg(action->text()));
    action->trigger();
    return {};
}

QString Explorer::pressShortcut() {
    QList<QAction*> list;
    for (QAction* action : menuActions())
        if (!action->shortcut().isEmpty()) list.append(action);
    if (list.isEmpty()) return {};
    QAction* action = choices_.pick(list);
    QWidget* target = QApplication::activeWindow() ? QApplication::activeWindow() : app_->window();
    roadDialog_ = false;
    logLine(QStringLiteral("  shortcut %1 (%2) in %3").arg(action->shortcut().toString(), action->text(), describe(target)));
    QTest::keySequence(target, action->shortcut());
    return {};
}

QString Explorer::road() {
    // The next step on the way to a corrected movie, as a user who knows the way takes it.
    vantrel::AppModel* model = app_->model();
    auto& queue = model->queue();
    roadDialog_ = true;
    if (model->sources().isEmpty() && queue.pendingCount() == 0) {
        logLine(QStringLiteral("  road: add the card"));
        if (!clickNamed(QStringLiteral("addVideos"))) {
            const bool folder = choices_.chance(40);
            for (QAction* action : menuActions()) {
                if (action->text().startsWith(folder ? QLatin1String("Add Folder") : QLatin1String("Add Videos"))) {
                    logLine(QStringLiteral("  menu: %1").arg(action->text()));
                    action->trigger();
                    break;
                }
            }
        }
    } else if (!model->outputFolder()) {
        logLine(QStringLiteral("  road: choose the output folder"));
        QWidget* folder = named(QStringLiteral("outputFolder"));
        if (!folder || !clickNamed(QStringLiteral("choose"), folder)) model->chooseOutputFolder();
    } else if (model->readyCount() > 0) {
        logLine(QStringLiteral("  road: add the ready rows to the queue"));
        clickNamed(QStringLiteral("enqueue"));
    } else if (queue.pendingCount() > 0 && !queue.isProcessing()) {
        logLine(QStringLiteral("  road: start"));
        clickNamed(QStringLiteral("start"));
    } else if (!model->sources().isEmpty()) {
        logLine(QStringLiteral("  road: type a timecode into a row that is not ready"));
        roadDialog_ = false;
        return editRow();
    } else {
        logLine(QStringLiteral("  road: add the card again"));
        model->chooseFiles();
    }
    roadDialog_ = false;
    return {};
}

QString Explorer::editRow() {
    QList<QWidget*> rows;
    for (QWidget* w : candidates())
        if (w->objectName() == QLatin1String("sourceRow")) rows.append(w);
    if (rows.isEmpty()) return QStringLiteral("no source row to edit");
    const int rowIndex = choices_.below(int(rows.size()));
    QWidget* row = rows[rowIndex];
    switch (choices_.below(4)) {
    case 0: {
        // Manual mode, then a typed timecode.
        if (QWidget* manual = named(QStringLiteral("Manual"), row)) {
            logLine(QStringLiteral("  click %1").arg(describe(manual)));
            QTest::mouseClick(manual, Qt::LeftButton, {}, manual->rect().center());
            settle(1000);
            // The list may have made the row again.
            rows.clear();
            for (QWidget* w : candidates())
                if (w->objectName() == QLatin1String("sourceRow")) rows.append(w);
            if (rowIndex >= rows.size()) return QStringLiteral("the row is gone");
            row = rows[rowIndex];
        }
        [[fallthrough]];
    }
    case 1: {
        QWidget* field = named(QStringLiteral("timecodeField"), row);
        if (!field) field = named(QStringLiteral("manualTimecode"), row);
        if (!field) return QStringLiteral("  the row is not in Manual mode");
        static const QStringList typed = {QStringLiteral("01000000"), QStringLiteral("00010000"),
                                          QStringLiteral("23595929"), QStringLiteral("1"), QStringLiteral("99999999"),
                                          QStringLiteral("0000"), QStringLiteral("1:2:3;4")};
        const QString digits = choices_.pick(typed);
        logLine(QStringLiteral("  click %1 and type %2").arg(describe(field), visible(digits)));
        QPointer<QWidget> guard(field);
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(choices_.below(std::max(1, field->width())), field->height() / 2));
        typeInto(guard, digits);
        if (guard && choices_.chance(50)) QTest::keyClick(guard.data(), choices_.chance(50) ? Qt::Key_Tab : Qt::Key_Backspace);
        return {};
    }
    case 2: {
        // A rate chosen from the row's rate menu.
        QWidget* rate = named(QStringLiteral("frameRate"), row);
        QMenu* menu = rate ? rate->findChild<QMenu*>() : nullptr;
        if (!menu) return QStringLiteral("  the row has no rate menu");
        QList<QAction*> list;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->isEnabled()) list.append(a);
        if (list.isEmpty()) return {};
        QAction* action = choices_.pick(list);
        logLine(QStringLiteral("  rate of %1: %2").arg(describe(row), action->text()));
        action->trigger();
        return {};
    }
    default: {
        QWidget* included = named(QStringLiteral("included"), row);
        if (!included) return {};
        logLine(QStringLiteral("  toggle %1").arg(describe(included)));
        QTest::mouseClick(included, Qt::LeftButton, {}, included->rect().center());
        return {};
    }
    }
}

QString Explorer::runControl() {
    vantrel::AppModel* model = app_->model();
    auto& queue = model->queue();
    const auto waitFor = [](const std::function<bool()>& condition, int ms) {
        QDeadlineTimer deadline(ms);
        while (!condition() && !deadline.hasExpired()) {
            progress();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return condition();
    };
    const auto findRowButton = [this](const QString& name) -> QWidget* {
        QList<QWidget*> found;
        for (QWidget* w : candidates())
            if (w->objectName() == name) found.append(w);
        return found.isEmpty() ? nullptr : choices_.pick(found);
    };
    switch (choices_.below(6)) {
    case 0: {
        // Verify Thorough from the VERIFY menu.
        QWidget* tier = named(QStringLiteral("verifyTier"));
        QMenu* menu = tier ? tier->findChild<QMenu*>() : nullptr;
        if (!menu || menu->actions().isEmpty()) return QStringLiteral("no verify menu");
        QAction* action = choices_.chance(60) ? menu->actions().last() : choices_.pick(menu->actions());
        logLine(QStringLiteral("  verify tier: %1").arg(action->text()));
        action->trigger();
        return {};
    }
    case 1:
    case 2: {
        // Start, then Stop (or cancel the row) in the middle of the run, while
        // correcting or while verifying.
        if (queue.pendingCount() == 0 || queue.isProcessing()) return road();
        const bool duringVerification = choices_.chance(50);
        logLine(QStringLiteral("  start, then stop while %1").arg(duringVerification ? "verifying" : "correcting"));
        if (!clickNamed(QStringLiteral("start"))) return {};
        waitFor([&] {
            return duringVerification ? bool(queue.currentlyVerifyingJobId()) : bool(queue.currentJobId());
        }, 3000);
        if (choices_.chance(70)) {
            clickNamed(QStringLiteral("stop"));
        } else if (QWidget* cancel = findRowButton(QStringLiteral("cancel"))) {
            logLine(QStringLiteral("  click %1").arg(describe(cancel)));
            QTest::mouseClick(cancel, Qt::LeftButton, {}, cancel->rect().center());
        }
        return {};
    }
    case 3: {
        QWidget* retry = findRowButton(QStringLiteral("retry"));
        if (!retry) return QStringLiteral("no job to retry");
        logLine(QStringLiteral("  click %1").arg(describe(retry)));
        QTest::mouseClick(retry, Qt::LeftButton, {}, retry->rect().center());
        return {};
    }
    default: {
        // A thorough verification of a finished job, and something done while it runs.
        QWidget* verify = findRowButton(QStringLiteral("verifyThorough"));
        if (!verify) return QStringLiteral("no job to verify");
        logLine(QStringLiteral("  click %1").arg(describe(verify)));
        QTest::mouseClick(verify, Qt::LeftButton, {}, verify->rect().center());
        waitFor([&] { return bool(queue.currentlyVerifyingJobId()); }, 2000);
        const int next = choices_.below(4);
        if (next == 0) clickNamed(QStringLiteral("stop"));
        if (next == 1) {
            if (QWidget* retry = findRowButton(QStringLiteral("retry"))) {
                logLine(QStringLiteral("  click %1").arg(describe(retry)));
                QTest::mouseClick(retry, Qt::LeftButton, {}, retry->rect().center());
            }
        }
        if (next == 2 && queue.pendingCount() > 0) clickNamed(QStringLiteral("start"));
        return {};
    }
    }
}

QString Explorer::dropFiles() {
    QList<QWidget*> targets;
    for (QWidget* w : candidates())
        if (w->acceptDrops()) targets.append(w);
    if (targets.isEmpty()) return QStringLiteral("nothing takes a drop");
    QWidget* target = choices_.pick(targets);
    QList<QUrl> urls;
    QStringList names;
    const QStringList choices = QStringList(fixture_.movies) << QStringLiteral(".") << QStringLiteral("PRIVATE")
                                                             << QStringLiteral("missing.mov");
    while (urls.isEmpty() || choices_.chance(40)) {
        const QString name = choices_.pick(choices);
        names.append(name);
        urls.append(QUrl::fromLocalFile(QDir(fixture_.card).absoluteFilePath(name)));
    }
    if (choices_.chance(10)) {
        names.append(QStringLiteral("https://example.invalid/a.mov"));
        urls.append(QUrl(QStringLiteral("https://example.invalid/a.mov")));
    }
    const QPoint at(choices_.below(std::max(1, target->width())), choices_.below(std::max(1, target->height())));
    logLine(QStringLiteral("  drop %1 on %2").arg(names.join(QLatin1String(", ")), describe(target)));
    QMimeData data;
    data.setUrls(urls);
    QPointer<QWidget> guard(target);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!guard) return {};
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    if (!guard) return {};
    if (choices_.chance(15)) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(target, &leave);
        return {};
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return {};
}

QString Explorer::moveFilesAround() {
    // What the user does in the file manager meanwhile: a movie moves into another
    // folder of the card and back, corrected files are thrown away.
    QDir card(fixture_.card);
    switch (choices_.below(3)) {
    case 0:
    case 1: {
        const QString name = choices_.pick(fixture_.movies);
        const QString here = card.absoluteFilePath(name);
        const QString there = card.absoluteFilePath(QStringLiteral("PRIVATE/") + name);
        const bool away = QFile::exists(here);
        logLine(QStringLiteral("  (file manager) move %1 %2").arg(name, away ? "into PRIVATE" : "back"));
        QFile::rename(away ? here : there, away ? there : here);
        return {};
    }
    default: {
        const QStringList outputs = QDir(fixture_.output).entryList(QDir::Files);
        logLine(QStringLiteral("  (file manager) delete the %1 files in the output folder").arg(outputs.size()));
        for (const QString& name : outputs) QFile::remove(QDir(fixture_.output).absoluteFilePath(name));
        return {};
    }
    }
}

QString Explorer::quitAndRelaunch() {
    // Quit from the File menu and start again on the same profile: the queue comes
    // back from its file. A patient user waits for the running work to end first.
    logLine(QStringLiteral("  quit and start again"));
    for (QAction* action : app_->window()->fileMenu()->actions())
        if (action->menuRole() == QAction::QuitRole) action->trigger();
    if (!options_.impatient) settle(4000);
    // Finished jobs (completed or cancelled) are not carried into the next session.
    QSet<QUuid> before;
    for (const auto& job : app_->model()->queue().jobs()) {
        if (!job.status.is(vantrel::JobStatus::Kind::completed) && !job.status.is(vantrel::JobStatus::Kind::cancelled))
            before.insert(job.id);
    }
    app_.reset();
    helpmenu::HelpWindowController::reset();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->isVisible() && !qobject_cast<QMenu*>(w)) w->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app_ = makeApp_();
    app_->show();
    for (const auto& job : app_->model()->queue().jobs()) before.remove(job.id);
    if (!before.isEmpty()) failure_ = QStringLiteral("%1 jobs were not restored after a restart").arg(before.size());
    return {};
}

QString Explorer::closeWindow() {
    QList<QWidget*> list;
    for (QWidget* w : windows())
        if (w != app_->window()) list.append(w);
    if (list.isEmpty()) return QStringLiteral("no window to close");
    QWidget* window = choices_.pick(list);
    const bool escape = choices_.chance(50);
    logLine(QStringLiteral("  close %1%2").arg(describe(window), escape ? " with Escape" : ""));
    if (escape) QTest::keyClick(window, Qt::Key_Escape);
    else window->close();
    return {};
}

// ---- Dialogs ----

void Explorer::answerDialogs() {
    // Only a window that runs its own event loop (exec) holds the step up; one
    // opened with show() or popup() is there for the next steps to use.
    if (QThread::currentThread()->loopLevel() == 0) return;
    QFileDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
    }
    if (!dialog) return;  // anything else is the other timer's
    const QString title = dialog->windowTitle();
    const bool cancel = !roadDialog_ && dialogChoices_.chance(25);
    if (cancel) {
        logLine(QStringLiteral("  dialog [%1]: Cancel").arg(title));
        dialog->reject();
        return;
    }
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (dialog->fileMode() == QFileDialog::Directory) {
        QString folder;
        if (title.contains(QLatin1String("where corrected"))) {
            const int which = dialogChoices_.below(10);
            folder = which < 8 ? fixture_.output : which == 8 ? fixture_.card : fixture_.root;
        } else {
            folder = dialogChoices_.chance(80) ? fixture_.card : fixture_.root;
        }
        logLine(QStringLiteral("  dialog [%1]: choose %2").arg(title, QDir(fixture_.root).relativeFilePath(folder)));
        dialog->setDirectory(folder);
        if (edit) edit->setText(folder);
    } else {
        QStringList names;
        for (const QString& movie : fixture_.movies) {
            // A file moved away meanwhile is seldom typed (the dialog then says it is not found).
            const bool there = QFile::exists(QDir(fixture_.card).absoluteFilePath(movie));
            if ((roadDialog_ || dialogChoices_.chance(70)) && (there || dialogChoices_.chance(10))) names.append(movie);
        }
        if (names.isEmpty()) names.append(fixture_.movies.first());
        logLine(QStringLiteral("  dialog [%1]: choose %2").arg(title, names.join(QLatin1String(", "))));
        dialog->setDirectory(fixture_.card);
        QStringList quoted;
        for (const QString& name : names) quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
        if (edit) edit->setText(quoted.join(QLatin1Char(' ')));
    }
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own, which reads the typed names
    if (dialog->isVisible()) {
        logLine(QStringLiteral("  dialog [%1] refused the answer: Cancel").arg(title));
        dialog->reject();
    }
}

}  // namespace explore
