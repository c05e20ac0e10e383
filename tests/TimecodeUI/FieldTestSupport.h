#pragma once

// Shared by the field tests: the widget application, and a window that holds a
// field, records the keys the field passes on and counts rejection beeps.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "GalleryPictures.h"
#include "QtPrinting.h"
#include "TimecodeUI/TimecodeField.h"

namespace fieldtest {

using namespace timecode;
using C = TimecodeComponent;
using TF = TimecodeField;

using testsupport::ensureWidgetApplication;

struct ApplicationFirst {
    ApplicationFirst() { ensureWidgetApplication(); }
};

class Host : private ApplicationFirst, public QWidget {
public:
    explicit Host(TimecodeProperties properties = {TimecodeFrameRate::fps24, SubFramesBase::max100SubFrames,
                                                   UpperLimit::max24Hours}) {
        auto* box = new QVBoxLayout(this);
        field = new TimecodeField(this);
        field->setProperties(properties);
        after = new QLineEdit(this);
        after->setObjectName("after");
        box->addWidget(field);
        box->addWidget(after);
        setRejectionBeep([this] { ++beeps; });
        show();
        QApplication::setActiveWindow(this);
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(this, 10000);
    }
    ~Host() override { setRejectionBeep({}); }

    TimecodeField* field;
    QLineEdit* after;
    QList<int> passedKeys;  // keys the field did not take
    int beeps = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override { passedKeys << event->key(); }
};

inline QString digitsOf(const TimecodeComponents& c) {
    return QString::asprintf("%lld %lld:%lld:%lld:%lld.%lld", (long long)c.days, (long long)c.hours,
                             (long long)c.minutes, (long long)c.seconds, (long long)c.frames, (long long)c.subFrames);
}

}  // namespace fieldtest
