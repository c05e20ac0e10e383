#include "MarkdownRender/Renderers/StyledText.h"

namespace markdown {

void StyledText::append(std::string_view text, const TextAttributes& attributes)
{
    if (text.empty()) return;
    if (!pieces.empty()) {
        if (auto* last = std::get_if<Run>(&pieces.back()); last && last->attributes == attributes) {
            last->text += text;
            return;
        }
    }
    pieces.push_back(Run{std::string(text), attributes});
}

void StyledText::appendImage(std::string source) { pieces.push_back(Image{std::move(source)}); }

void StyledText::append(const StyledText& other)
{
    for (const Piece& piece : other.pieces) {
        if (const auto* run = std::get_if<Run>(&piece))
            append(run->text, run->attributes);
        else
            pieces.push_back(piece);
    }
}

std::string StyledText::plainText() const
{
    std::string text;
    for (const Piece& piece : pieces) {
        if (const auto* run = std::get_if<Run>(&piece))
            text += run->text;
        else
            text += "\xEF\xBF\xBC";
    }
    return text;
}

}  // namespace markdown
