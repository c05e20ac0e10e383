#include "MarkdownRender/Views/TextAdapter.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextImageFormat>

#include <algorithm>
#include <mutex>

namespace markdown {

namespace {

QString fixedFamily() { return QFontDatabase::systemFont(QFontDatabase::FixedFont).family(); }

void makeMonospaced(QFont& font)
{
    font.setFamily(fixedFamily());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
}

QFont buildFont(const FontProperties& properties, const QFont& general)
{
    using Design = FontProperties::Design;
    QFont font = general;
    if (properties.family.kind == FontProperties::Family::Kind::custom) {
        font.setFamily(QString::fromStdString(properties.family.name));
    } else if (properties.family.design == Design::serif) {
        font.setFamily(QStringLiteral("serif"));
        font.setStyleHint(QFont::Serif);
    } else if (properties.family.design == Design::monospaced) {
        makeMonospaced(font);
    }
    if (properties.familyVariant == FontProperties::FamilyVariant::monospaced) makeMonospaced(font);

    font.setPixelSize(std::max(1, static_cast<int>(properties.scaledSize())));
    // Upper-case small capitals and monospaced digits need font features that
    // QFont does not offer; those runs draw with the plain face.
    using Caps = FontProperties::CapsVariant;
    const bool smallCaps = properties.capsVariant == Caps::smallCaps || properties.capsVariant == Caps::lowercaseSmallCaps;
    font.setCapitalization(smallCaps ? QFont::SmallCaps : QFont::MixedCase);
    font.setWeight(static_cast<QFont::Weight>(100 * (static_cast<int>(properties.weight) + 1)));
    switch (properties.width()) {
    case FontProperties::Width::compressed: font.setStretch(QFont::ExtraCondensed); break;
    case FontProperties::Width::condensed: font.setStretch(QFont::Condensed); break;
    case FontProperties::Width::expanded: font.setStretch(QFont::Expanded); break;
    case FontProperties::Width::standard: break;
    }
    font.setItalic(properties.style == FontProperties::Style::italic);
    return font;
}

QTextCharFormat::UnderlineStyle underlineStyle(LineStyle::Pattern pattern)
{
    switch (pattern) {
    case LineStyle::Pattern::solid: return QTextCharFormat::SingleUnderline;
    case LineStyle::Pattern::dot: return QTextCharFormat::DotLine;
    case LineStyle::Pattern::dash: return QTextCharFormat::DashUnderline;
    case LineStyle::Pattern::dashDot: return QTextCharFormat::DashDotLine;
    case LineStyle::Pattern::dashDotDot: return QTextCharFormat::DashDotDotLine;
    }
    return QTextCharFormat::SingleUnderline;
}

}  // namespace

ImageSources imageSources(const InlineImages& images)
{
    ImageSources sources;
    for (const auto& entry : images) sources.insert(entry.first);
    return sources;
}

QFont resolvedFont(const FontProperties& properties)
{
    static std::mutex mutex;
    static std::unordered_map<FontProperties, QFont> fonts;
    static QFont cachedGeneral;
    const QFont general = QGuiApplication::font();
    const std::lock_guard lock(mutex);
    if (!(general == cachedGeneral)) {
        fonts.clear();
        cachedGeneral = general;
    }
    auto found = fonts.find(properties);
    if (found == fonts.end()) found = fonts.emplace(properties, buildFont(properties, general)).first;
    return found->second;
}

QColor resolvedColor(const Color& color, ColorScheme scheme)
{
    const Color::Components c = color.resolved(scheme);
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue),
                            static_cast<float>(c.opacity));
}

QTextCharFormat charFormat(const TextAttributes& attributes, ColorScheme scheme)
{
    QTextCharFormat format;
    if (attributes.fontProperties) format.setFont(resolvedFont(*attributes.fontProperties));
    if (attributes.foregroundColor) format.setForeground(resolvedColor(*attributes.foregroundColor, scheme));
    if (attributes.backgroundColor) format.setBackground(resolvedColor(*attributes.backgroundColor, scheme));
    // Qt draws strike-through solid and in the text colour.
    if (attributes.strikethroughStyle) format.setFontStrikeOut(true);
    if (attributes.underlineStyle) {
        format.setUnderlineStyle(underlineStyle(attributes.underlineStyle->pattern));
        if (attributes.underlineStyle->color)
            format.setUnderlineColor(resolvedColor(*attributes.underlineStyle->color, scheme));
    }
    if (const std::optional<double> spacing = attributes.tracking ? attributes.tracking : attributes.kerning) {
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(*spacing);
    }
    if (attributes.link) {
        format.setAnchor(true);
        format.setAnchorHref(attributes.link->toString(QUrl::FullyEncoded));
    }
    return format;
}

void writeStyledText(QTextDocument& document, const StyledText& text, const TextDocumentOptions& options)
{
    document.clear();
    document.setDocumentMargin(0);
    QTextCursor cursor(&document);
    if (options.lineSpacing > 0) {
        QTextBlockFormat block = cursor.blockFormat();
        block.setLineHeight(options.lineSpacing, QTextBlockFormat::LineDistanceHeight);
        cursor.setBlockFormat(block);
    }
    std::unordered_map<std::string, QString> imageKeys;
    for (const StyledText::Piece& piece : text.pieces) {
        if (const auto* run = std::get_if<StyledText::Run>(&piece)) {
            QString characters = QString::fromStdString(run->text);
            characters.replace(QLatin1Char('\n'), QChar::LineSeparator);
            cursor.insertText(characters, charFormat(run->attributes, options.colorScheme));
            continue;
        }
        const std::string& source = std::get<StyledText::Image>(piece).source;
        if (!options.images) continue;
        const auto image = options.images->find(source);
        if (image == options.images->end()) continue;
        auto key = imageKeys.find(source);
        if (key == imageKeys.end()) {
            key = imageKeys.emplace(source, QStringLiteral("markdown-inline-image:%1").arg(imageKeys.size())).first;
            document.addResource(QTextDocument::ImageResource, QUrl(key->second), image->second);
        }
        QTextImageFormat format;
        format.setName(key->second);
        cursor.insertImage(format);
    }
}

}  // namespace markdown
