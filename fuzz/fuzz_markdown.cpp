// Feeds arbitrary bytes through the Markdown parser and back out through every
// renderer, and checks that the model compares and hashes consistently.

#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/HTMLTag.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Unexpected input is reported with warnings; they would only slow the run down.
    QLoggingCategory::setFilterRules(QStringLiteral("vantrel.markdown.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const markdown::MarkdownContent content(text);

    const markdown::MarkdownContent copy = content;
    if (!(copy == content)) std::abort();
    markdown::Hasher first, second;
    markdown::hashSequence(first, content.blocks);
    markdown::hashSequence(second, copy.blocks);
    if (first.finalize() != second.finalize()) std::abort();

    (void)content.renderHTML();
    (void)content.renderPlainText();
    // What the CommonMark writer produces must parse again.
    (void)markdown::MarkdownContent(content.renderMarkdown()).renderHTML();

    (void)markdown::HTMLTag::from(text);
    const auto identity = [](const markdown::InlineNode& node) { return std::vector<markdown::InlineNode>{node}; };
    if (!(markdown::rewrite(content.blocks, identity) == content.blocks)) std::abort();
    return 0;
}
