#pragma once

#include "MarkdownRender/Renderers/StyledText.h"

#include <optional>
#include <string>

namespace markdown {

// Turns the code of a code block into styled text. Runs that set no attribute
// take the code block's font and colour.
class CodeSyntaxHighlighter {
public:
    virtual ~CodeSyntaxHighlighter() = default;
    virtual StyledText highlightCode(const std::string& code, const std::optional<std::string>& language) const = 0;
};

// The code unchanged, whatever the language.
class PlainTextCodeSyntaxHighlighter final : public CodeSyntaxHighlighter {
public:
    StyledText highlightCode(const std::string& code, const std::optional<std::string>& language) const override;
};

}  // namespace markdown
