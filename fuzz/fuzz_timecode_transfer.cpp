// Feeds arbitrary bytes to the readers of pasted or dropped timecodes (JSON data
// and text) and to the feet-and-frames reader, then runs the arithmetic, offsets,
// intervals and rounding on whatever timecode comes out, however far out of range
// its components are. Beyond crashes and undefined behaviour it checks that a
// decoded timecode codes back to the same value and that every rule-driven result
// other than allowingInvalid is valid.
#include <cstddef>
#include <cstdint>
#include <limits>

#include <QByteArray>
#include <QMimeData>

#include "TimecodeCore/FeetAndFrames.h"
#include "TimecodeCore/TimecodeInterval.h"
#include "TimecodeCoreQt/TimecodeCoding.h"
#include "TimecodeCoreQt/TimecodeTransfer.h"

using namespace timecode;
using Rule = ValidationRule;

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

template <class F>
void tolerate(F f) {
    try {
        f();
    } catch (const ValidationError&) {
    }
}

void exercise(const Timecode& t) {
    require(timecodeFromJsonData(jsonData(t)).components() == t.components());
    const Timecode one(TimecodeSourceValue::frames(1), t.properties());
    for (Rule rule : {Rule::clamping, Rule::wrapping}) {
        tolerate([&] { require(t.adding(one, rule).isValid()); });
        tolerate([&] { require(t.subtracting(t, rule).isValid()); });
        tolerate([&] { require(t.multiplying(1.5, rule).isValid()); });
    }
    tolerate([&] { t.adding(t, Rule::allowingInvalid); });
    tolerate([&] { t.adding(t); });
    tolerate([&] { t.dividing(one); });
    tolerate([&] { t.dividing(t); });
    for (Timecode::Component unit : Timecode::Component::allCases()) {
        tolerate([&] { t.roundedUp(unit); });
        t.roundedDown(unit);
    }
    (void)t.advanced(std::numeric_limits<std::int64_t>::max());
    (void)t.advanced(std::numeric_limits<std::int64_t>::min());
    (void)t.distance(one);
    (void)(t + one);
    (void)t.interval(one);
    require(TimecodeInterval::negative(t).flattened().isValid());
    TimecodeTransformer({TimecodeTransformer::Transform::offset(-t)}).transform(one);
    (void)t.feetAndFramesValue();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Timecode::Properties properties(TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames,
                                          UpperLimit::max24Hours);
    try {
        exercise(timecodeFromJsonData(bytes));
    } catch (const DecodingError&) {
    }
    QMimeData text;
    text.setText(QString::fromUtf8(bytes));
    try {
        exercise(timecodeFromMimeData(text, properties));
    } catch (const TimecodeValueNotFound&) {
    }
    try {
        const FeetAndFrames footage(std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                    SubFramesBase::quarterFrames);
        tolerate([&] { exercise(Timecode(TimecodeSourceValue::feetAndFrames(footage), properties)); });
    } catch (const StringParseError&) {
    }
    return 0;
}
