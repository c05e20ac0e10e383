#pragma once

// A timecode kept as a widget's own state: setValue stores at once and, when the
// value differs member by member from the stored one, posts changed() to run
// after the store.

#include <QObject>

#include "TimecodeCore/Timecode.h"

namespace timecode {

class TimecodeState : public QObject {
    Q_OBJECT
public:
    explicit TimecodeState(const Timecode& initialValue, QObject* parent = nullptr)
        : QObject(parent), value_(initialValue) {}

    const Timecode& value() const { return value_; }
    void setValue(const Timecode& value);

signals:
    void changed();

private:
    Timecode value_;
};

}  // namespace timecode
