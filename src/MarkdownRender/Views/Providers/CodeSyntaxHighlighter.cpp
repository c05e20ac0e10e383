#include "MarkdownRender/Views/Providers/CodeSyntaxHighlighter.h"

namespace markdown {

StyledText PlainTextCodeSyntaxHighlighter::highlightCode(const std::string& code, const std::optional<std::string>&) const
{
    StyledText text;
    text.append(code, {});
    return text;
}

}  // namespace markdown
