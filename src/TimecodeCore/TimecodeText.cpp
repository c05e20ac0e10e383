// The text form of a timecode: writing and reading.
#include <charconv>
#include <cstdint>
#include <optional>

#include "TimecodeCore/Timecode.h"

namespace timecode {

// ---- Format options

std::string_view caseName(StringFormatOption option) noexcept {
    switch (option) {
    case StringFormatOption::alwaysShowDays: return "alwaysShowDays";
    case StringFormatOption::showSubFrames: return "showSubFrames";
    case StringFormatOption::filenameCompatible: return "filenameCompatible";
    }
    return {};
}

std::optional<StringFormatOption> stringFormatOption(std::string_view name) noexcept {
    for (StringFormatOption o : allStringFormatOptions())
        if (caseName(o) == name) return o;
    return std::nullopt;
}

const std::vector<StringFormatOption>& allStringFormatOptions() {
    static const std::vector<StringFormatOption> options{
        StringFormatOption::alwaysShowDays, StringFormatOption::showSubFrames, StringFormatOption::filenameCompatible};
    return options;
}

const StringFormat& StringFormat::showSubFramesFormat() noexcept {
    static const StringFormat format{StringFormatOption::showSubFrames};
    return format;
}

// ---- Writing

namespace {

// As printf's "%0<width>ld": zero-padded to the width (the sign counts), never cut.
void appendPadded(std::string& out, std::int64_t value, int width) {
    char digits[24];
    const auto res = std::to_chars(digits, digits + sizeof digits, value);
    const int length = int(res.ptr - digits);
    const bool negative = value < 0;
    if (negative) out += '-';
    for (int i = length; i < width; ++i) out += '0';
    out.append(digits + (negative ? 1 : 0), res.ptr);
}

}  // namespace

std::string Timecode::stringValue(const StringFormat& format) const {
    std::string text;
    text.reserve(24);
    if (format.alwaysShowDays() || days() != 0) {
        text += std::to_string(days());
        text += ' ';
    }
    appendPadded(text, hours(), 2);
    text += ':';
    appendPadded(text, minutes(), 2);
    text += ':';
    appendPadded(text, seconds(), 2);
    text += frameRate().framesSeparator();
    appendPadded(text, frames(), frameRate().numberOfDigits());
    if (format.showSubFrames()) {
        text += '.';
        appendPadded(text, subFrames(), subFramesBase().numberOfDigits());
    }
    if (format.filenameCompatible())
        for (char& c : text)
            if (c == ':' || c == ';' || c == ' ') c = '-';
    return text;
}

// ---- Reading
//
// The grammar: an optional run of digits (days) and an optional single separator
// (":", ";" or white space), then hours, minutes, seconds and frames digits joined
// by ":" or ";", then an optional "." and an optional run of digits (subframes);
// nothing before or after, except that one line terminator may end the text.
//
// Days are taken only when the text cannot be read without them (so "101:02:03:04"
// is 101 hours): that is exactly when five digit fields are present, the first
// separator then belonging to the days. Frames digits run to the end or to a ".",
// so "01:02:03:0405" has frames 405.

namespace {

struct Cursor {
    std::string_view text;
    std::size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    [[gnu::always_inline]] bool fieldSeparator() {
        if (atEnd() || (text[pos] != ':' && text[pos] != ';')) return false;
        ++pos;
        return true;
    }
    // ":", ";" or one white-space character (U+0009–000A, 000C–000D and the space
    // separators U+0020, 00A0, 1680, 2000–200A, 2028, 2029, 202F, 205F, 3000).
    bool daysSeparator() {
        if (fieldSeparator()) return true;
        const std::size_t length = whiteSpaceLength(text.substr(pos));
        pos += length;
        return length > 0;
    }

    static std::size_t whiteSpaceLength(std::string_view s) {
        if (s.empty()) return 0;
        const auto b0 = static_cast<unsigned char>(s[0]);
        if (b0 == '\t' || b0 == '\n' || b0 == '\f' || b0 == '\r' || b0 == ' ') return 1;
        if (b0 == 0xC2 && s.size() >= 2 && static_cast<unsigned char>(s[1]) == 0xA0) return 2;  // U+00A0
        if (s.size() < 3) return 0;
        const auto b1 = static_cast<unsigned char>(s[1]), b2 = static_cast<unsigned char>(s[2]);
        if (b0 == 0xE1 && b1 == 0x9A && b2 == 0x80) return 3;  // U+1680
        if (b0 == 0xE2 && b1 == 0x80 && ((b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF))
            return 3;                                           // U+2000–200A, 2028, 2029, 202F
        if (b0 == 0xE2 && b1 == 0x81 && b2 == 0x9F) return 3;  // U+205F
        if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) return 3;  // U+3000
        return 0;
    }
};

// The text without one final line terminator (\r\n, or one of \n \v \f \r U+0085
// U+2028 U+2029), which may stand at the very end.
std::string_view withoutFinalLineTerminator(std::string_view s) {
    if (s.empty() || static_cast<unsigned char>(s.back() - '0') < 10) return s;  // the usual end: a digit
    if (s.size() >= 2 && s.substr(s.size() - 2) == "\r\n") return s.substr(0, s.size() - 2);
    if (!s.empty()) {
        const char c = s.back();
        if (c == '\n' || c == '\v' || c == '\f' || c == '\r') return s.substr(0, s.size() - 1);
    }
    if (s.size() >= 2 && s.substr(s.size() - 2) == "\xC2\x85") return s.substr(0, s.size() - 2);
    if (s.size() >= 3 && (s.substr(s.size() - 3) == "\xE2\x80\xA8" || s.substr(s.size() - 3) == "\xE2\x80\xA9"))
        return s.substr(0, s.size() - 3);
    return s;
}

// One digit group as read: its value, or that it does not fit 64 bits.
struct Group {
    std::int64_t value = 0;
    bool present = false;
    bool overflowed = false;
};

struct Groups {
    Group days, hours, minutes, seconds, frames, subFrames;
};

// A run of one or more ASCII digits into `group`; false when there is none.
[[gnu::always_inline]] inline bool readDigits(Cursor& c, Group& group) {
    const char* p = c.text.data() + c.pos;
    const char* const end = c.text.data() + c.text.size();
    const char* const start = p;
    std::uint64_t value = 0;
    bool overflowed = false;
    // Below this no digit can take the value past INT64_MAX.
    constexpr std::uint64_t safe = std::uint64_t(INT64_MAX) / 10 - 1;
    for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p - '0');
        if (value < safe || value <= (std::uint64_t(INT64_MAX) - digit) / 10) value = value * 10 + digit;
        else overflowed = true;
    }
    if (p == start) return false;
    c.pos = std::size_t(p - c.text.data());
    group = {std::int64_t(value), true, overflowed};
    return true;
}

// Hours through the end: H sep M sep S sep F [.] [digits] end.
[[gnu::always_inline]] inline bool readFromHours(Cursor& c, Groups& g) {
    if (!readDigits(c, g.hours) || !c.fieldSeparator()) return false;
    if (!readDigits(c, g.minutes) || !c.fieldSeparator()) return false;
    if (!readDigits(c, g.seconds) || !c.fieldSeparator()) return false;
    if (!readDigits(c, g.frames)) return false;
    if (!c.atEnd() && c.text[c.pos] == '.') ++c.pos;
    readDigits(c, g.subFrames);
    return c.atEnd();
}

bool match(std::string_view text, Groups& g) {
    // Without days: an optional separator, then hours.
    {
        Cursor c{text};
        if (!c.atEnd() && static_cast<unsigned char>(text[0] - '0') >= 10) c.daysSeparator();
        if (readFromHours(c, g)) return true;
    }
    // With days: digits, a separator, then hours.
    {
        g = {};
        Cursor c{text};
        if (readDigits(c, g.days) && c.daysSeparator() && readFromHours(c, g)) return true;
    }
    return false;
}

}  // namespace

Timecode::Components Timecode::decode(std::string_view text) {
    Groups g;
    if (!match(withoutFinalLineTerminator(text), g)) throw StringParseError::malformed();
    // A group that took part but does not fit 64 bits makes the whole text
    // malformed (a pasted value never changes silently).
    const Group* all[] = {&g.days, &g.hours, &g.minutes, &g.seconds, &g.frames, &g.subFrames};
    int present = 0;
    for (const Group* group : all) {
        if (group->overflowed) throw StringParseError::malformed();
        present += group->present;
    }
    if (present < 4) throw StringParseError::malformed();
    return {g.days.value, g.hours.value, g.minutes.value, g.seconds.value, g.frames.value, g.subFrames.value};
}

}  // namespace timecode
