// Timecodes from values produced asynchronously: the value's set runs on a worker
// thread, then the value is applied exactly as a synchronous one would be.

#include <future>

#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeArithmeticDetail.h"

namespace timecode {

namespace {

template <class Work>
auto onWorker(Work work) {
    return std::async(std::launch::async, std::move(work));
}

Timecode zeroAt(const Timecode::Properties& properties) {
    return Timecode(GuaranteedTimecodeSourceValue::zero(), properties);
}

// A rich value sets a placeholder and brings its own properties.
Timecode fromRich(const AsyncRichTimecodeSourceValue& source) {
    Timecode t = zeroAt({TimecodeFrameRate::fps24, SubFramesBase::max100SubFrames, UpperLimit::max24Hours});
    t.setProperties(source.value->set(t));
    return t;
}

// As a synchronous operand: set exactly at the receiver's properties, or, for a
// rich value, converted to the receiver's rate when its own differs.
Timecode::Components operandComponents(const Timecode& receiver, const AsyncTimecodeOperand& operand) {
    if (const auto* value = std::get_if<AsyncTimecodeSourceValue>(&operand.value())) {
        Timecode t = zeroAt(receiver.properties());
        value->value->set(t);
        return t.components();
    }
    return detail::componentsAtRate(fromRich(std::get<AsyncRichTimecodeSourceValue>(operand.value())),
                                    receiver.frameRate());
}

// The value applied to a copy; the original is untouched when it throws.
Timecode settingNow(Timecode copy, const AsyncTimecodeSourceValue& source, std::optional<ValidationRule> rule) {
    rule ? source.value->set(copy, *rule) : source.value->set(copy);
    return copy;
}

}  // namespace

std::future<Timecode> Timecode::fromAsync(const AsyncTimecodeSourceValue& source, const Properties& properties) {
    return onWorker([source, properties] { return settingNow(zeroAt(properties), source, std::nullopt); });
}

std::future<Timecode> Timecode::fromAsync(const AsyncTimecodeSourceValue& source, const Properties& properties,
                                          ValidationRule rule) {
    return onWorker([source, properties, rule] { return settingNow(zeroAt(properties), source, rule); });
}

std::future<Timecode> Timecode::fromAsync(const AsyncRichTimecodeSourceValue& source) {
    return onWorker([source] { return fromRich(source); });
}

std::future<void> Timecode::set(const AsyncTimecodeSourceValue& source) {
    return onWorker([this, source] { *this = settingNow(*this, source, std::nullopt); });
}

std::future<void> Timecode::set(const AsyncTimecodeSourceValue& source, ValidationRule rule) {
    return onWorker([this, source, rule] { *this = settingNow(*this, source, rule); });
}

std::future<Timecode> Timecode::setting(const AsyncTimecodeSourceValue& source) const {
    return onWorker([copy = *this, source] { return settingNow(copy, source, std::nullopt); });
}

std::future<Timecode> Timecode::setting(const AsyncTimecodeSourceValue& source, ValidationRule rule) const {
    return onWorker([copy = *this, source, rule] { return settingNow(copy, source, rule); });
}

std::future<void> Timecode::set(const AsyncRichTimecodeSourceValue& source) {
    return onWorker([this, source] {
        Timecode copy = *this;
        copy.setProperties(source.value->set(copy));
        *this = copy;
    });
}

std::future<Timecode> Timecode::setting(const AsyncRichTimecodeSourceValue& source) const {
    return onWorker([copy = *this, source]() mutable {
        copy.setProperties(source.value->set(copy));
        return copy;
    });
}

namespace {

// The receiver changed by the sum on a worker (it must stay alive until then).
std::future<void> sumInPlace(Timecode& receiver, const AsyncTimecodeOperand& operand, int sign,
                             std::optional<ValidationRule> rule) {
    return onWorker([&receiver, operand, sign, rule] {
        receiver.setComponents(detail::sum(receiver, operandComponents(receiver, operand), sign, rule));
    });
}

std::future<Timecode> sumOfCopy(Timecode receiver, const AsyncTimecodeOperand& operand, int sign,
                                std::optional<ValidationRule> rule) {
    return onWorker([receiver, operand, sign, rule]() mutable {
        receiver.setComponents(detail::sum(receiver, operandComponents(receiver, operand), sign, rule));
        return receiver;
    });
}

}  // namespace

std::future<void> Timecode::add(const AsyncTimecodeOperand& o) { return sumInPlace(*this, o, 1, std::nullopt); }
std::future<void> Timecode::add(const AsyncTimecodeOperand& o, ValidationRule rule) { return sumInPlace(*this, o, 1, rule); }
std::future<Timecode> Timecode::adding(const AsyncTimecodeOperand& o) const { return sumOfCopy(*this, o, 1, std::nullopt); }
std::future<Timecode> Timecode::adding(const AsyncTimecodeOperand& o, ValidationRule rule) const {
    return sumOfCopy(*this, o, 1, rule);
}
std::future<void> Timecode::subtract(const AsyncTimecodeOperand& o) { return sumInPlace(*this, o, -1, std::nullopt); }
std::future<void> Timecode::subtract(const AsyncTimecodeOperand& o, ValidationRule rule) {
    return sumInPlace(*this, o, -1, rule);
}
std::future<Timecode> Timecode::subtracting(const AsyncTimecodeOperand& o) const {
    return sumOfCopy(*this, o, -1, std::nullopt);
}
std::future<Timecode> Timecode::subtracting(const AsyncTimecodeOperand& o, ValidationRule rule) const {
    return sumOfCopy(*this, o, -1, rule);
}

}  // namespace timecode
