#pragma once

#include "MarkdownRender/Renderers/InlineRenderers.h"
#include "MarkdownRender/Renderers/StyledText.h"
#include "MarkdownRender/Styles/Color.h"
#include "MarkdownRender/Styles/FontProperties.h"
#include "MarkdownRender/Styles/TextAttributes.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTextCharFormat>
#include <QTextDocument>

#include <string>
#include <unordered_map>

namespace markdown {

// Loaded inline images by their source exactly as written in the Markdown.
using InlineImages = std::unordered_map<std::string, QImage>;

ImageSources imageSources(const InlineImages& images);

// The font that font properties describe, sized in logical pixels (at least 1).
// Fonts are kept per equal value while the application font stays the same.
QFont resolvedFont(const FontProperties& properties);

QColor resolvedColor(const Color& color, ColorScheme scheme);

// The character format of a run. A run without font properties sets no font
// property, so the document's default font shows through.
QTextCharFormat charFormat(const TextAttributes& attributes, ColorScheme scheme);

struct TextDocumentOptions {
    ColorScheme colorScheme = ColorScheme::light;
    // Images placed where the text names them; a place whose source is not
    // here shows nothing.
    const InlineImages* images = nullptr;
    // Extra pixels between lines; 0 leaves the font's line height.
    qreal lineSpacing = 0;
};

// Replaces the document's content with the styled text, as one block: every
// run is inserted as plain characters with its format, never parsed as HTML or
// Markdown, and line breaks stay inside the block. Images are registered under
// keys of their own, so the document never loads anything a source names.
void writeStyledText(QTextDocument& document, const StyledText& text, const TextDocumentOptions& options = {});

}  // namespace markdown
