#pragma once

#include "MarkdownRender/Styles/TextAttributes.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace markdown {

// Rendered running text: runs of UTF-8 text with their attributes, and places
// where an inline image stands. Line breaks are "\n" inside a run.
struct StyledText {
    struct Run {
        std::string text;
        TextAttributes attributes;
        friend bool operator==(const Run&, const Run&) = default;
    };
    // An image, named by its source exactly as written in the Markdown.
    struct Image {
        std::string source;
        friend bool operator==(const Image&, const Image&) = default;
    };
    using Piece = std::variant<Run, Image>;

    std::vector<Piece> pieces;

    // Adds text; it joins the last run when that run has equal attributes.
    // Empty text adds nothing.
    void append(std::string_view text, const TextAttributes& attributes);
    void appendImage(std::string source);
    void append(const StyledText& other);

    // The text of every run, with U+FFFC where an image stands.
    std::string plainText() const;

    friend bool operator==(const StyledText&, const StyledText&) = default;
};

}  // namespace markdown
