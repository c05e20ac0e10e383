// Sums, differences, multiples, quotients and ratios of timecodes. Everything works
// on one integer, the subframe total of components read at the receiver's rate and
// base, and the result always carries the receiver's properties.

#include <cmath>
#include <optional>

#include "TimecodeCore/Timecode.h"
#include "TimecodeCore/TimecodeArithmeticDetail.h"
#include "TimecodeCore/TimecodeTotals.h"

namespace timecode {

namespace detail {

namespace {

enum class Form { exact, clamping, wrapping, unchecked };

Form formOf(std::optional<ValidationRule> rule) noexcept {
    if (!rule) return Form::exact;
    switch (*rule) {
    case ValidationRule::clamping:
    case ValidationRule::clampingComponents: return Form::clamping;
    case ValidationRule::wrapping: return Form::wrapping;
    case ValidationRule::allowingInvalid: return Form::unchecked;
    }
    return Form::exact;
}

// An integer total validated in a form; none only in the exact form.
std::optional<Total> validated(Total total, Form form, const TimecodeProperties& properties) noexcept {
    switch (form) {
    case Form::exact:
        if (total < 0 || total > lastSubFrameTotal(properties)) return std::nullopt;
        return total;
    case Form::clamping: return clampTotal(total, properties);
    case Form::wrapping: return wrapTotal(total, properties);
    case Form::unchecked: return total;
    }
    return std::nullopt;
}

// A product or quotient validated in a form. The exact form rejects anything below
// zero or past the last total before truncating. The other forms truncate first;
// a value that cannot become a total (NaN, or for wrapping and unchecked anything
// infinite or beyond 64 bits) is a failure rather than a made-up result.
std::optional<Total> validated(double value, Form form, const TimecodeProperties& properties) {
    const double last = double(lastSubFrameTotal(properties));
    if (form == Form::exact) {
        if (!(value >= 0 && value <= last)) return std::nullopt;
        return Total(std::trunc(value));
    }
    if (std::isnan(value)) throw ValidationError::outOfBounds();
    if (form == Form::clamping) {
        if (value <= 0) return 0;
        if (value >= last) return lastSubFrameTotal(properties);
    } else if (!(std::fabs(value) < 0x1p63)) {
        throw ValidationError::outOfBounds();
    }
    return validated(Total(std::trunc(value)), form, properties);
}

// Components of a validated total; the exact form also requires them to be valid.
TimecodeComponents result(std::optional<Total> total, Form form, const TimecodeProperties& properties) {
    if (!total) throw ValidationError::outOfBounds();
    const TimecodeComponents components = componentsOfTotal(*total, properties);
    if (form == Form::exact && !components.invalidComponents(properties).empty()) throw ValidationError::outOfBounds();
    return components;
}

}  // namespace

TimecodeComponents componentsAtRate(const Timecode& timecode, TimecodeFrameRate rate) {
    if (timecode.frameRate() == rate) return timecode.components();
    return timecode.converted(rate).components();
}

namespace {

// How each kind of operand yields its components for a sum with the receiver.
struct OperandResolver {
    const Timecode& receiver;

    TimecodeComponents operator()(const Timecode* t) const { return componentsAtRate(*t, receiver.frameRate()); }
    TimecodeComponents operator()(const TimecodeComponents* c) const { return *c; }
    // Rich values bring their own properties; converted when their rate differs.
    TimecodeComponents operator()(const RichTimecodeSourceValue* v) const {
        return componentsAtRate(Timecode(*v), receiver.frameRate());
    }
    TimecodeComponents operator()(const GuaranteedRichTimecodeSourceValue* v) const {
        return componentsAtRate(Timecode(*v), receiver.frameRate());
    }
    // Other values set a zero timecode at the receiver's properties, exactly.
    template <class Value>
    TimecodeComponents operator()(const Value* v) const {
        return Timecode(*v, receiver.properties()).components();
    }
};

}  // namespace

TimecodeComponents operandComponents(const Timecode& receiver, const TimecodeOperand& operand) {
    return std::visit(OperandResolver{receiver}, operand.ref());
}

TimecodeComponents sum(const Timecode& receiver, const TimecodeComponents& operand, int sign,
                       std::optional<ValidationRule> rule) {
    const TimecodeProperties& p = receiver.properties();
    const Total total = subFrameTotal(receiver.components(), p) + sign * subFrameTotal(operand, p);
    const Form form = formOf(rule);
    return result(validated(total, form, p), form, p);
}

TimecodeComponents scaled(const Timecode& receiver, double factor, bool dividing, std::optional<ValidationRule> rule) {
    const TimecodeProperties& p = receiver.properties();
    const double total = double(subFrameTotal(receiver.components(), p));
    const Form form = formOf(rule);
    return result(validated(dividing ? total / factor : factor * total, form, p), form, p);
}

double ratio(const Timecode& receiver, const TimecodeComponents& operand) {
    const TimecodeProperties& p = receiver.properties();
    const double q = double(subFrameTotal(receiver.components(), p)) / double(subFrameTotal(operand, p));
    // Zero over zero is NaN, and NaN is the answer; a non-zero total over zero is
    // infinite and out of range like any other ratio beyond the span.
    if (std::isnan(q)) return q;
    if (!(q >= 0 && q <= double(lastSubFrameTotal(p)))) throw ValidationError::outOfBounds();
    return q;
}

}  // namespace detail

// ---- Sums, differences, multiples and quotients

namespace {

using detail::operandComponents;
using detail::scaled;
using detail::sum;
constexpr std::optional<ValidationRule> exact = std::nullopt;

Timecode with(Timecode timecode, const Timecode::Components& components) {
    timecode.setComponents(components);
    return timecode;
}

}  // namespace

void Timecode::add(const TimecodeOperand& o) { components_ = sum(*this, operandComponents(*this, o), 1, exact); }
void Timecode::add(const TimecodeOperand& o, ValidationRule rule) {
    components_ = sum(*this, operandComponents(*this, o), 1, rule);
}
Timecode Timecode::adding(const TimecodeOperand& o) const {
    return with(*this, sum(*this, operandComponents(*this, o), 1, exact));
}
Timecode Timecode::adding(const TimecodeOperand& o, ValidationRule rule) const {
    return with(*this, sum(*this, operandComponents(*this, o), 1, rule));
}

void Timecode::subtract(const TimecodeOperand& o) { components_ = sum(*this, operandComponents(*this, o), -1, exact); }
void Timecode::subtract(const TimecodeOperand& o, ValidationRule rule) {
    components_ = sum(*this, operandComponents(*this, o), -1, rule);
}
Timecode Timecode::subtracting(const TimecodeOperand& o) const {
    return with(*this, sum(*this, operandComponents(*this, o), -1, exact));
}
Timecode Timecode::subtracting(const TimecodeOperand& o, ValidationRule rule) const {
    return with(*this, sum(*this, operandComponents(*this, o), -1, rule));
}

void Timecode::multiply(double factor) { components_ = scaled(*this, factor, false, exact); }
void Timecode::multiply(double factor, ValidationRule rule) { components_ = scaled(*this, factor, false, rule); }
Timecode Timecode::multiplying(double factor) const { return with(*this, scaled(*this, factor, false, exact)); }
Timecode Timecode::multiplying(double factor, ValidationRule rule) const {
    return with(*this, scaled(*this, factor, false, rule));
}

void Timecode::divide(double divisor) { components_ = scaled(*this, divisor, true, exact); }
void Timecode::divide(double divisor, ValidationRule rule) { components_ = scaled(*this, divisor, true, rule); }
Timecode Timecode::dividing(double divisor) const { return with(*this, scaled(*this, divisor, true, exact)); }
Timecode Timecode::dividing(double divisor, ValidationRule rule) const {
    return with(*this, scaled(*this, divisor, true, rule));
}

double Timecode::dividing(const Timecode& other) const {
    return detail::ratio(*this, detail::componentsAtRate(other, frameRate()));
}
double Timecode::dividing(const Components& other) const { return detail::ratio(*this, other); }

// ---- Operators: the wrapping form

Timecode operator+(const Timecode& a, const Timecode& b) {
    Timecode result = a;
    result += b;
    return result;
}
Timecode operator-(const Timecode& a, const Timecode& b) {
    Timecode result = a;
    result -= b;
    return result;
}
Timecode& operator+=(Timecode& a, const Timecode& b) {
    try {
        a.add(b, ValidationRule::wrapping);
    } catch (const ValidationError&) {
        // b has a rate that a's rate cannot express: a stays as it is.
    }
    return a;
}
Timecode& operator-=(Timecode& a, const Timecode& b) {
    try {
        a.subtract(b, ValidationRule::wrapping);
    } catch (const ValidationError&) {
        // As for +=.
    }
    return a;
}
Timecode operator*(const Timecode& a, double factor) { return a.multiplying(factor, ValidationRule::wrapping); }
Timecode operator/(const Timecode& a, double divisor) { return a.dividing(divisor, ValidationRule::wrapping); }
Timecode& operator*=(Timecode& a, double factor) {
    a.multiply(factor, ValidationRule::wrapping);
    return a;
}
Timecode& operator/=(Timecode& a, double divisor) {
    a.divide(divisor, ValidationRule::wrapping);
    return a;
}
std::optional<double> operator/(const Timecode& a, const Timecode& b) {
    try {
        return a.dividing(b);
    } catch (const ValidationError&) {
        return std::nullopt;
    }
}

}  // namespace timecode
