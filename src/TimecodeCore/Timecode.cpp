#include "TimecodeCore/Timecode.h"

namespace timecode {

namespace {

// A copy of `timecode` set from a source (with a rule when one is given).
template <class Source, class... Rule>
Timecode setCopy(Timecode timecode, const Source& source, Rule... rule) {
    timecode.set(source, rule...);
    return timecode;
}

}  // namespace

// ---- Construction

Timecode::Timecode(const TimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit)
    : properties_(rate, base, limit) {
    source.value->set(*this);
}

Timecode::Timecode(const TimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base, UpperLimit limit,
                   ValidationRule rule)
    : properties_(rate, base, limit) {
    source.value->set(*this, rule);
}

Timecode::Timecode(const TimecodeSourceValue& source, const Properties& properties) : properties_(properties) {
    source.value->set(*this);
}

Timecode::Timecode(const TimecodeSourceValue& source, const Properties& properties, ValidationRule rule)
    : properties_(properties) {
    source.value->set(*this, rule);
}

Timecode::Timecode(const FormattedTimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base,
                   UpperLimit limit)
    : properties_(rate, base, limit) {
    source.value->set(*this);
}

Timecode::Timecode(const FormattedTimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base,
                   UpperLimit limit, ValidationRule rule)
    : properties_(rate, base, limit) {
    source.value->set(*this, rule);
}

Timecode::Timecode(const FormattedTimecodeSourceValue& source, const Properties& properties) : properties_(properties) {
    source.value->set(*this);
}

Timecode::Timecode(const FormattedTimecodeSourceValue& source, const Properties& properties, ValidationRule rule)
    : properties_(properties) {
    source.value->set(*this, rule);
}

Timecode::Timecode(const GuaranteedTimecodeSourceValue& source, TimecodeFrameRate rate, SubFramesBase base,
                   UpperLimit limit)
    : properties_(rate, base, limit) {
    source.value->set(*this);
}

Timecode::Timecode(const GuaranteedTimecodeSourceValue& source, const Properties& properties)
    : properties_(properties) {
    source.value->set(*this);
}

Timecode::Timecode(const RichTimecodeSourceValue& source) { properties_ = source.value->set(*this); }

Timecode::Timecode(const RichTimecodeSourceValue& source, ValidationRule rule) {
    properties_ = source.value->set(*this, rule);
}

Timecode::Timecode(const GuaranteedRichTimecodeSourceValue& source) { properties_ = source.value->set(*this); }

// ---- Setting. A source that throws leaves the timecode unchanged.

void Timecode::set(const TimecodeSourceValue& source) { source.value->set(*this); }
void Timecode::set(const TimecodeSourceValue& source, ValidationRule rule) { source.value->set(*this, rule); }

Timecode Timecode::setting(const TimecodeSourceValue& source) const { return setCopy(*this, source); }

Timecode Timecode::setting(const TimecodeSourceValue& source, ValidationRule rule) const {
    return setCopy(*this, source, rule);
}

void Timecode::set(const FormattedTimecodeSourceValue& source) { source.value->set(*this); }
void Timecode::set(const FormattedTimecodeSourceValue& source, ValidationRule rule) { source.value->set(*this, rule); }

Timecode Timecode::setting(const FormattedTimecodeSourceValue& source) const { return setCopy(*this, source); }

Timecode Timecode::setting(const FormattedTimecodeSourceValue& source, ValidationRule rule) const {
    return setCopy(*this, source, rule);
}

void Timecode::set(const RichTimecodeSourceValue& source) { properties_ = source.value->set(*this); }
void Timecode::set(const RichTimecodeSourceValue& source, ValidationRule rule) {
    properties_ = source.value->set(*this, rule);
}

Timecode Timecode::setting(const RichTimecodeSourceValue& source) const { return setCopy(*this, source); }

Timecode Timecode::setting(const RichTimecodeSourceValue& source, ValidationRule rule) const {
    return setCopy(*this, source, rule);
}

void Timecode::set(const GuaranteedTimecodeSourceValue& source) { source.value->set(*this); }

Timecode Timecode::setting(const GuaranteedTimecodeSourceValue& source) const { return setCopy(*this, source); }

Timecode::Properties Timecode::set(const GuaranteedRichTimecodeSourceValue& source) {
    const Properties own = properties_;
    const Properties chosen = source.value->set(*this);
    properties_ = own;
    return chosen;
}

Timecode Timecode::setting(const GuaranteedRichTimecodeSourceValue& source) const {
    Timecode copy = *this;
    copy.properties_ = copy.set(source);
    return copy;
}

// ---- Conversion

Timecode Timecode::converted(TimecodeFrameRate rate, std::optional<SubFramesBase> base, bool preservingValues) const {
    const SubFramesBase targetBase = base.value_or(subFramesBase());
    if (rate == frameRate() && targetBase == subFramesBase()) return *this;
    if (preservingValues) {
        try {
            return Timecode(TimecodeSourceValue::components(components_), rate, targetBase, upperLimit());
        } catch (const ValidationError&) {
            // Not valid at the new rate: fall back to the same real time.
        }
    }
    return Timecode(TimecodeSourceValue::realTime(realTimeValue()), rate, targetBase, upperLimit());
}

}  // namespace timecode
