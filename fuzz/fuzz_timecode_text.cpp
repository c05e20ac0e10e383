// Feeds arbitrary bytes to the timecode text reader and to the frame-count
// conversions. Beyond crashes and undefined behaviour it checks two invariants:
// text written from non-negative components reads back as the same components,
// and valid components survive the trip through a frame count.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "TimecodeCore/Timecode.h"

using timecode::Timecode;
using R = timecode::TimecodeFrameRate;
using B = Timecode::SubFramesBase;
using L = Timecode::UpperLimit;
using Rule = Timecode::ValidationRule;

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;

    std::uint8_t byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    template <class T>
    T value() {
        T v{};
        const std::size_t n = std::min(size, sizeof(T));
        std::memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
};

Timecode::Properties propertiesFrom(std::uint8_t b) {
    return {R::allCases()[b % R::caseCount], B::allCases()[(b / 23) % 3], L::allCases()[(b / 69) % 2]};
}

void checkText(std::string_view text, const Timecode::Properties& p) {
    Timecode::Components c;
    try {
        c = Timecode::decode(text);
    } catch (const Timecode::StringParseError&) {
        return;
    }
    for (Rule rule : {Rule::clamping, Rule::clampingComponents, Rule::wrapping, Rule::allowingInvalid}) {
        const Timecode t(timecode::FormattedTimecodeSourceValue::string(text), p, rule);
        if (rule != Rule::allowingInvalid) require(t.isValid());
        (void)t.description();
    }
    try {
        const Timecode strict(timecode::FormattedTimecodeSourceValue::string(text), p);
        require(strict.isValid());
    } catch (const Timecode::ValidationError&) {
    }
    const bool nonNegative = c.days >= 0 && c.hours >= 0 && c.minutes >= 0 && c.seconds >= 0 && c.frames >= 0 &&
                             c.subFrames >= 0;
    if (nonNegative) {
        Timecode t;
        t.setProperties(p);
        t.setComponents(c);
        require(Timecode::decode(t.stringValue({Timecode::StringFormatOption::showSubFrames})) == c);
    }
}

void checkCounts(Reader r, const Timecode::Properties& p) {
    Timecode::Components c{r.value<std::int64_t>(), r.value<std::int64_t>(), r.value<std::int64_t>(),
                           r.value<std::int64_t>(), r.value<std::int64_t>(), r.value<std::int64_t>()};
    const double d = r.value<double>();
    const std::int64_t n = r.value<std::int64_t>();

    const auto count = Timecode::frameCount(c, p.frameRate, p.subFramesBase);
    (void)Timecode::components(count, p.frameRate);
    (void)count.decimalValue();
    (void)count.description();
    if (c.isValid(p)) require(Timecode::components(count, p.frameRate) == c);

    for (Rule rule : {Rule::clamping, Rule::wrapping, Rule::allowingInvalid}) {
        const Timecode t(timecode::TimecodeSourceValue::components(c), p, rule);
        if (rule != Rule::allowingInvalid) require(t.isValid());
        (void)t.advanced(n);
        (void)t.realTimeValue();
        (void)t.stringValue({Timecode::StringFormatOption::alwaysShowDays});
        (void)Timecode(timecode::TimecodeSourceValue::frames(d), p, rule);
        (void)Timecode(timecode::TimecodeSourceValue::frames(n, c.subFrames), p, rule);
        (void)Timecode(timecode::TimecodeSourceValue::realTime(d), p, rule);
        (void)Timecode(timecode::TimecodeSourceValue::rational(n, c.days), p, rule);
    }
    Timecode t;
    t.setProperties(p);
    const Timecode::FrameCount::Value values[] = {
        Timecode::FrameCount::Value::frames(n), Timecode::FrameCount::Value::split(n, c.subFrames),
        Timecode::FrameCount::Value::combined(d), Timecode::FrameCount::Value::splitUnitInterval(n, d)};
    for (const auto& v : values) {
        const Timecode::FrameCount fc(v, p.subFramesBase);
        (void)Timecode::components(fc, p.frameRate);
        (void)(fc + fc);
        (void)(fc * d);
        try {
            t.setFrameCount(fc);
            require(t.isValid());
            (void)t.rationalValue();
        } catch (const Timecode::ValidationError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Timecode::Properties p = propertiesFrom(data[0]);
    checkText(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), p);
    checkCounts(Reader{data + 1, size - 1}, p);
    return 0;
}
