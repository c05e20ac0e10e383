#include "TimecodeUI/TimecodeState.h"

#include "TimecodeUI/model/ComponentModel.h"

namespace timecode {

void TimecodeState::setValue(const Timecode& value) {
    const bool differs = !field::sameTimecode(value, value_);
    value_ = value;
    if (differs) QMetaObject::invokeMethod(this, &TimecodeState::changed, Qt::QueuedConnection);
}

}  // namespace timecode
