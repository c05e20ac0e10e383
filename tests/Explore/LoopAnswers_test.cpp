// The explorer's answers to the loops that its own input starts (see Explorer.h).
// On a real X server (Explore.RealWindows.LoopAnswers) the held button's moves
// over selected text or a row start a real drag, whose loop waits for the button
// to come up; offscreen no drag starts, and the menus and boxes are the same.

#include "Explorer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDrag>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace explore {
namespace {

bool realDrags() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Counts the releases of the button that a widget sees.
struct Releases : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) ++count;
        return false;
    }
};

TEST(LoopAnswersTest, EveryLoopThatTheExplorersInputStartsEnds) {
    Choices choices(5);
    QStringList log;
    LoopAnswers answers(choices, [&](const QString& line) { log << line; });
    // A loop that outlives forty turns of a timer as quick as the answers' would
    // hang the explorer's step: the row fails, and the loop is ended here so that
    // the other rows still run.
    int turns = 0;
    bool outlived = false;
    QTimer guard;
    guard.setInterval(50);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QThread::currentThread()->loopLevel() == 0 || ++turns < 40) return;
        outlived = true;
        QDrag::cancel();
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        if (QWidget* modal = QApplication::activeModalWidget()) modal->hide();
    });
    guard.start();

    const auto consoleText = [&](QWidget& window) {
        // The console's log with its text selected, dragged from within the selection.
        auto* edit = new QPlainTextEdit(&window);
        window.layout()->addWidget(edit);
        edit->setReadOnly(true);
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        edit->setPlainText(QStringLiteral("RUN A001_25.mov\nVERIFY ✓ A001_25_TC.mov\nFAILED: A005_notes.mov"));
        edit->selectAll();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTextCursor at(edit->document());
        at.setPosition(6);
        const QPoint from = edit->cursorRect(at).center();
        // The widget that took the press sees the button come up, or its selection
        // would go on following the pointer (and start the next drag).
        Releases releases;
        edit->viewport()->installEventFilter(&releases);
        answers.drag(edit->viewport(), from, from + QPoint(160, -200));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(releases.count, 1);
    };
    struct Row {
        const char* what;
        std::function<void(QWidget& window)> act;
        const char* answer;  // what the answer's line says; a drag's only where drags are real
        bool drag = false;
        int escapePercent = 0;
    };
    const Row rows[] = {
        {"selected text dragged, let go", consoleText, "the drag that Qt started: let go at", true, 0},
        {"selected text dragged, escaped", consoleText, "the drag that Qt started: Escape", true, 100},
        {"a menu run with exec()",
         [&](QWidget& window) {
             QMenu menu(&window);
             menu.addAction(QStringLiteral("Copy"));
             menu.addAction(QStringLiteral("Select All"));
             menu.exec(window.mapToGlobal(QPoint(20, 20)));
         },
         "menu QMenu"},
        {"a message box whose Escape is Cancel",
         [&](QWidget& window) {
             QMessageBox box(QMessageBox::Warning, QStringLiteral("Quit"), QStringLiteral("2 jobs would be lost."),
                             QMessageBox::NoButton, &window);
             box.addButton(QStringLiteral("Quit Anyway"), QMessageBox::DestructiveRole);
             QPushButton* cancel = box.addButton(QMessageBox::Cancel);
             box.exec();
             EXPECT_EQ(box.clickedButton(), cancel);
         },
         "close the modal QMessageBox"},
        {"a box that Escape does not close, whose answer opens another box",
         [&](QWidget& window) {
             QMessageBox box(QMessageBox::Question, QStringLiteral("Quit"), QStringLiteral("Save first?"),
                             QMessageBox::NoButton, &window);
             box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
             box.addButton(QStringLiteral("Quit Anyway"), QMessageBox::DestructiveRole);
             bool nextEnded = false;  // the answer comes from inside the first box's answer
             QObject::connect(&box, &QMessageBox::buttonClicked, [&] {
                 QMessageBox next(QMessageBox::Warning, QStringLiteral("Save"), QStringLiteral("The disk is full."),
                                  QMessageBox::Ok, &box);
                 next.exec();
                 nextEnded = true;
             });
             box.exec();
             EXPECT_TRUE(box.clickedButton());
             EXPECT_TRUE(nextEnded);
         },
         "close the modal QMessageBox [Save]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QWidget window;
        new QVBoxLayout(&window);
        window.resize(480, 320);
        window.show();
        log.clear();
        answers.escapePercent = row.escapePercent;
        turns = 0;
        outlived = false;
        row.act(window);
        EXPECT_FALSE(outlived) << "a loop outlived forty turns";
        EXPECT_EQ(QGuiApplication::mouseButtons(), Qt::NoButton);
        if (!row.drag || realDrags()) {
            EXPECT_TRUE(log.filter(QString::fromUtf8(row.answer)).size() > 0) << log.join('\n').toStdString();
        }
    }
}

}  // namespace
}  // namespace explore
