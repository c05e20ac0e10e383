// Feeds arbitrary bytes through the Markdown parser and back out through every
// renderer, checks that the model compares and hashes consistently, and builds
// and lays out the document's widgets offscreen.

#include "MarkdownRender/MarkdownContent.h"
#include "MarkdownRender/HTMLTag.h"
#include "MarkdownRender/Views/MarkdownView.h"
#include "MarkdownRender/Views/Providers/ImageProviders.h"
#include "MarkdownRender/Views/Theme.h"

#include <QApplication>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Unexpected input is reported with warnings; they would only slow the run down.
    QLoggingCategory::setFilterRules(QStringLiteral("vantrel.markdown.warning=false"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_markdown";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    return 0;
}

namespace {

// Builds the document's widgets in a theme chosen by the input and lays them
// out at two widths. Images draw nothing, so nothing is fetched.
void layOut(const markdown::MarkdownContent& content, std::size_t size)
{
    static const markdown::Theme* const themes[] = {&markdown::Theme::basic(), &markdown::Theme::documentation(),
                                                    &markdown::Theme::repository()};
    markdown::MarkdownView view;
    view.setTheme(*themes[size % 3]);
    view.setImageProvider(std::make_shared<markdown::FunctionImageProvider>(nullptr));
    view.setInlineImageProvider(nullptr);
    view.setContent(content);
    for (const int width : {640, 90}) {
        view.resize(width, view.heightForWidth(width));
        QApplication::sendPostedEvents();
    }
}

}  // namespace

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

    layOut(content, size);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
