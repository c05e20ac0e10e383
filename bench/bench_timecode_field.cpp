// From a keystroke to the finished repaint of the timecode entry field, offscreen:
// a digit typed into a component, a step with the up arrow, and a focus move with
// the right arrow. Each iteration delivers the key event and repaints at once.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include "TimecodeUI/TimecodeField.h"

using namespace timecode;

namespace {

struct Window {
    QWidget window;
    TimecodeField* field;

    Window() : field(new TimecodeField(&window)) {
        field->setProperties({TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames, UpperLimit::max100Days});
        timecodeFormat(&window, {StringFormatOption::showSubFrames});
        timecodeFieldInputWrapping(&window, TimecodeField::InputWrapping::wrap);
        window.resize(300, 60);
        window.show();
        QApplication::setActiveWindow(&window);
        QApplication::processEvents();
        field->setFocusedComponent(TimecodeComponent::minutes);
    }

    void keystroke(int key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(field, &press);
        field->repaint();
    }
};

void BM_DigitKeystroke(benchmark::State& state) {
    Window w;  // continuous entry: the digit stays in its component
    int i = 0;
    for (auto _ : state) {
        const char digit = char('0' + (i++ % 10));
        w.keystroke(Qt::Key_0 + (digit - '0'), QString(QChar(digit)));
    }
}
BENCHMARK(BM_DigitKeystroke)->Unit(benchmark::kMicrosecond);

void BM_StepKeystroke(benchmark::State& state) {
    Window w;
    for (auto _ : state) w.keystroke(Qt::Key_Up, {});
}
BENCHMARK(BM_StepKeystroke)->Unit(benchmark::kMicrosecond);

void BM_FocusMoveKeystroke(benchmark::State& state) {
    Window w;  // wraps around the six components
    for (auto _ : state) w.keystroke(Qt::Key_Right, {});
}
BENCHMARK(BM_FocusMoveKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
