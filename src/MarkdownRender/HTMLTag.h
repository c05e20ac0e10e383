#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace markdown {

// The tag name of an inline HTML fragment.
struct HTMLTag {
    std::string name;  // lower case

    // The first tag of the form "<name ...>" or "</name ...>" in `html`, where the
    // name is one or more ASCII letters or digits; no value when there is none
    // (comments, "< br>" with a space after the bracket, plain text).
    static std::optional<HTMLTag> from(std::string_view html);

    friend bool operator==(const HTMLTag&, const HTMLTag&) = default;
};

}  // namespace markdown
