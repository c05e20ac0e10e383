#include "MarkdownRender/HTMLTag.h"

namespace markdown {

namespace {

bool isAsciiAlphanumeric(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

// A linear scan equal to the first match of the pattern <\/?([a-zA-Z0-9]+)[^>]*>:
// a bracket, an optional slash, the name, then anything up to a closing bracket.
// Scanning by hand keeps long fragments free of backtracking and recursion.
std::optional<HTMLTag> HTMLTag::from(std::string_view html)
{
    for (std::size_t open = html.find('<'); open != std::string_view::npos; open = html.find('<', open + 1)) {
        std::size_t nameStart = open + 1;
        if (nameStart < html.size() && html[nameStart] == '/') ++nameStart;
        std::size_t nameEnd = nameStart;
        while (nameEnd < html.size() && isAsciiAlphanumeric(html[nameEnd])) ++nameEnd;
        if (nameEnd == nameStart) continue;
        // The name never holds '>', so a closing bracket anywhere after it ends the tag.
        if (html.find('>', nameEnd) == std::string_view::npos) return std::nullopt;
        HTMLTag tag;
        tag.name.reserve(nameEnd - nameStart);
        for (std::size_t i = nameStart; i < nameEnd; ++i) tag.name += asciiLower(html[i]);
        return tag;
    }
    return std::nullopt;
}

}  // namespace markdown
