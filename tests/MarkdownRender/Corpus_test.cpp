// Parses a corpus of Markdown documents into the model, renders the model back
// to HTML and compares with the HTML that cmark-gfm writes for its own tree of
// the same text. The model drops link and image titles, and turns plain items of
// a list that holds a task item into unchecked task items; the reference tree
// gets the same two changes before it is rendered.

#include "MarkdownRender/MarkdownContent.h"

#include <cmark-gfm.h>
#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace markdown;

namespace {

struct Document {
    std::string name;
    std::string text;
};

// Small pieces covering the CommonMark and GitHub constructs.
const std::vector<std::string> fragments{
    "plain paragraph",
    "two\nlines",
    "hard  \nbreak and\\\nbackslash break",
    "*em* _em_ **strong** __strong__ ***both***",
    "nested *em **strong** em* and **strong *em* strong**",
    "intra_word_underscores and 2*3*4",
    "`code` and ``co`de`` and ` `",
    "~~struck~~ and ~single~ and ~~*em struck*~~",
    "[link](http://a.b/c) and [empty]() and [angle](<a b>)",
    "[titled](http://a.b \"Title\") [single](u 'T') [paren](u (T))",
    "![image](i.png) ![titled](i.png \"T\") ![](noalt.png)",
    "[![img in link](i.png)](http://a.b)",
    "<http://auto.link/x> and <mail@ex.com>",
    "www.example.com and https://example.org/path?x=1&y=2 and user@example.net",
    "visit www.commonmark.org/help. And (www.a.com) too",
    "a <span class=\"x\">span</span> and <b>bold</b>",
    "<script>alert(1)</script> in text and <textarea> and <style>",
    "&amp; &lt; &copy; &#35; &#x41; &nbsp; &bogus;",
    "\\*escaped\\* \\_x\\_ \\` \\# \\[ \\] \\\\ \\!",
    "[javascript](javascript:alert(1)) [data](data:text/html;base64,x) [vb](vbscript:x)",
    "[ref link][r]\n\n[r]: http://ref.example \"Ref\"",
    "[collapsed][] and [shortcut]\n\n[collapsed]: /c\n[shortcut]: /s",
    "# ATX one\n## ATX two ##\n###### six",
    "Setext one\n==========\n\nSetext two\n----------",
    "####### seven hashes\n#no space",
    "# heading with *em* and `code`",
    "---\n***\n___\n- - -",
    "> quote\n> more",
    "> quote\n>\n> > nested quote",
    "> lazy\ncontinuation",
    "- a\n- b\n- c",
    "* a\n\n* b loose",
    "+ plus\n+ list",
    "1. one\n2. two\n3. three",
    "7. seven\n8. eight",
    "0) zero paren\n1) one",
    "123456789. big start",
    "- a\n  - b\n    - c\n      - d",
    "1. a\n\n   para in item\n\n2. b",
    "- item\n\n      indented code in item",
    "- [ ] open\n- [x] done\n- [X] upper",
    "- [x] task\n- plain after task",
    "- plain\n- [ ] task after plain",
    "1. [x] numbered task\n2. [ ] second",
    "- [ ] outer\n  - [x] inner task\n  - inner plain",
    "- [x]\n- [ ]   ",
    "-\n- empty first",
    "```\nplain fence\n```",
    "```json\n{\"a\": 1}\n```",
    "~~~ python extra words\nprint(1)\n~~~",
    "````\n```\ninner\n```\n````",
    "    indented\n    code",
    "```\nunclosed fence",
    "<div>\n*not parsed*\n</div>",
    "<!-- comment -->",
    "<table><tr><td>x</td></tr></table>",
    "<pre>\npre block\n</pre>",
    "| a | b |\n|---|---|\n| 1 | 2 |",
    "| l | c | r | n |\n|:--|:-:|--:|---|\n| 1 | 2 | 3 | 4 |",
    "| a | b | c |\n|---|---|---|\n| short |\n| 1 | 2 | 3 | 4 |",
    "a | b\n--|--\nno | edges",
    "| *em* | `code` | [l](u) |\n|---|---|---|\n| \\| pipe | ~~s~~ | www.x.com |",
    "| only header |\n|---|",
    "| a |\n|---|\n| x |\nparagraph after",
    "| not | table |\n| -- | -- | -- |",
    "Café café naïve",
    "日本語 テキスト 🎬",
    "tab\tseparated\ttext",
    "trailing spaces   ",
    "a\n\n\n\nb after blank lines",
    "[foo]: /url\n\nonly a definition above",
    "**unclosed *mixed** nesting*",
    "[unclosed link(",
    "![unclosed image",
    "a_b_c *a*b*c* __a__b",
};

std::string prefixLines(const std::string& text, const std::string& first, const std::string& rest,
                        const std::string& blank)
{
    std::string out;
    std::size_t start = 0;
    bool isFirst = true;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        out += (isFirst ? first : (line.empty() ? blank : rest)) + line + "\n";
        isFirst = false;
        start = end + 1;
    }
    return out;
}

std::vector<Document> corpus()
{
    std::vector<Document> documents;
    const std::size_t n = fragments.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& f = fragments[i];
        const std::string id = std::to_string(i);
        documents.push_back({"fragment " + id, f});
        documents.push_back({"quoted " + id, prefixLines(f, "> ", "> ", ">")});
        documents.push_back({"bullet item " + id, prefixLines(f, "- ", "  ", "")});
        documents.push_back({"ordered item " + id, prefixLines(f, "3. ", "   ", "")});
        documents.push_back({"pair " + id, f + "\n\n" + fragments[(i * 7 + 3) % n]});
    }
    const QDir folder(QStringLiteral(MARKDOWN_CORPUS_DIR));
    for (const QString& file : folder.entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name)) {
        QFile input(folder.filePath(file));
        if (input.open(QIODevice::ReadOnly)) documents.push_back({file.toStdString(), input.readAll().toStdString()});
    }
    return documents;
}

std::string take(char* text)
{
    std::string result(text ? text : "");
    std::free(text);
    return result;
}

// The changes the model makes, applied to the library's own tree.
void applyModelRules(cmark_node* node, cmark_syntax_extension* tasklist)
{
    for (cmark_node* child = cmark_node_first_child(node); child;) {
        cmark_node* next = cmark_node_next(child);
        applyModelRules(child, tasklist);
        child = next;
    }
    const cmark_node_type type = cmark_node_get_type(node);
    if (type == CMARK_NODE_LINK || type == CMARK_NODE_IMAGE) cmark_node_set_title(node, "");
    if (type != CMARK_NODE_LIST) return;

    bool hasTask = false;
    for (cmark_node* item = cmark_node_first_child(node); item; item = cmark_node_next(item))
        hasTask = hasTask || std::strcmp(cmark_node_get_type_string(item), "tasklist") == 0;
    if (!hasTask) return;
    cmark_node_set_list_type(node, CMARK_BULLET_LIST);
    for (cmark_node* item = cmark_node_first_child(node); item;) {
        cmark_node* next = cmark_node_next(item);
        if (std::strcmp(cmark_node_get_type_string(item), "item") == 0) {
            cmark_node* task = cmark_node_new_with_ext(CMARK_NODE_ITEM, tasklist);
            while (cmark_node* grandchild = cmark_node_first_child(item)) {
                cmark_node_unlink(grandchild);
                cmark_node_append_child(task, grandchild);
            }
            cmark_node_insert_before(item, task);
            cmark_node_unlink(item);
            cmark_node_free(item);
        }
        item = next;
    }
}

std::string referenceHtml(const std::string& text)
{
    cmark_gfm_core_extensions_ensure_registered();
    cmark_parser* parser = cmark_parser_new(CMARK_OPT_DEFAULT);
    for (const char* name : {"autolink", "strikethrough", "table", "tagfilter", "tasklist"})
        cmark_parser_attach_syntax_extension(parser, cmark_find_syntax_extension(name));
    cmark_parser_feed(parser, text.data(), text.size());
    cmark_node* document = cmark_parser_finish(parser);
    applyModelRules(document, cmark_find_syntax_extension("tasklist"));
    std::string html = take(cmark_render_html(document, CMARK_OPT_DEFAULT, nullptr));
    cmark_node_free(document);
    cmark_parser_free(parser);
    return html;
}

}  // namespace

TEST(Corpus, RenderedHtmlMatchesTheLibrary)
{
    const std::vector<Document> documents = corpus();
    EXPECT_GE(documents.size(), 300u);
    for (const Document& document : documents) {
        const MarkdownContent content(document.text);
        EXPECT_EQ(content.renderHTML(), referenceHtml(document.text)) << document.name << ":\n" << document.text;
    }
}
