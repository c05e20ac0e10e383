#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/TextAdapter.h"
#include "Nodes.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextImageFormat>

#include <gtest/gtest.h>

#include <functional>

using namespace markdown;
namespace t = markdown::testing;
using Weight = FontProperties::Weight;

namespace {

class TextAdapter : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "TextAdapter_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QGuiApplication(argc, argv);
    }
};

// Records every resource the document tries to load instead of loading it.
class RecordingDocument : public QTextDocument {
public:
    QList<QUrl> loads;

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        loads.append(name);
        return QTextDocument::loadResource(type, name);
    }
};

struct Fragment {
    QString text;
    int pixelSize = -1;
    int weight = 0;
    bool italic = false;
    bool strikeOut = false;
    QString href;
    QColor foreground;
    friend bool operator==(const Fragment&, const Fragment&) = default;
};

void PrintTo(const Fragment& f, std::ostream* os)
{
    *os << '"' << f.text.toStdString() << "\" px=" << f.pixelSize << " w=" << f.weight << (f.italic ? " italic" : "")
        << (f.strikeOut ? " struck" : "") << " href=" << f.href.toStdString() << " fg=" << f.foreground.name(QColor::HexArgb).toStdString();
}

std::vector<Fragment> fragmentsOf(const QTextDocument& document)
{
    std::vector<Fragment> fragments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QFont font = format.font();
            fragments.push_back({it.fragment().text(), font.pixelSize(), font.weight(), font.italic(), font.strikeOut(),
                                 format.anchorHref(),
                                 format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor()});
        }
    }
    return fragments;
}

const InlineTextStyles themeStyles{
    textStyle(FontFamilyVariant(FontProperties::FamilyVariant::monospaced), FontSize(RelativeSize::em(0.94))),
    FontStyle(FontProperties::Style::italic),
    FontWeight(Weight::semibold),
    StrikethroughStyle(LineStyle::single()),
    ForegroundColor(Color::documentationLink()),
};

void write(QTextDocument& document, const t::Inlines& inlines, const TextDocumentOptions& options = {},
           const TextAttributes& base = resolve(defaultTextStyle()))
{
    const ImageSources sources = options.images ? imageSources(*options.images) : ImageSources{};
    writeStyledText(document, renderText(inlines, QUrl("file:///help/"), themeStyles, sources, SoftBreak::Mode::space, base),
                    options);
}

QImage solidImage(QColor color)
{
    QImage image(6, 4, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

}  // namespace

TEST_F(TextAdapter, FontsFromFontProperties)
{
    const QFont general = QGuiApplication::font();
    const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    const struct {
        const char* name;
        std::function<void(FontProperties&)> change;
        int pixelSize;
        int weight;
        bool italic;
        bool fixedPitch;
        QString family;
    } cases[] = {
        {"default", [](FontProperties&) {}, 13, 400, false, general.fixedPitch(), general.family()},
        {"scaled", [](FontProperties& f) { f.scale = 0.94; }, 12, 400, false, general.fixedPitch(), general.family()},
        {"semibold italic", [](FontProperties& f) { f.weight = Weight::semibold; f.style = FontProperties::Style::italic; },
         13, 600, true, general.fixedPitch(), general.family()},
        {"lightest and heaviest", [](FontProperties& f) { f.weight = Weight::black; f.size = 30; }, 30, 900, false,
         general.fixedPitch(), general.family()},
        {"monospaced variant", [](FontProperties& f) { f.familyVariant = FontProperties::FamilyVariant::monospaced; },
         13, 400, false, true, fixed},
        {"monospaced design", [](FontProperties& f) { f.family = FontProperties::Family::system(FontProperties::Design::monospaced); },
         13, 400, false, true, fixed},
        {"serif", [](FontProperties& f) { f.family = FontProperties::Family::system(FontProperties::Design::serif); }, 13,
         400, false, general.fixedPitch(), "serif"},
        {"custom", [](FontProperties& f) { f.family = FontProperties::Family::custom("Vantrel Test Face"); f.scale = 1.5; },
         20, 400, false, general.fixedPitch(), "Vantrel Test Face"},
        {"never below one pixel", [](FontProperties& f) { f.size = 0.2; }, 1, 400, false, general.fixedPitch(), general.family()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FontProperties properties;
        c.change(properties);
        const QFont font = resolvedFont(properties);
        EXPECT_EQ(font.pixelSize(), c.pixelSize);
        EXPECT_EQ(font.weight(), c.weight);
        EXPECT_EQ(font.italic(), c.italic);
        EXPECT_EQ(font.fixedPitch(), c.fixedPitch);
        EXPECT_EQ(font.family(), c.family);
    }

    FontProperties caps;
    caps.capsVariant = FontProperties::CapsVariant::lowercaseSmallCaps;
    caps.setWidth(FontProperties::Width::condensed);
    EXPECT_EQ(resolvedFont(caps).capitalization(), QFont::SmallCaps);
    EXPECT_EQ(resolvedFont(caps).stretch(), QFont::Condensed);
    caps.capsVariant = FontProperties::CapsVariant::uppercaseSmallCaps;
    caps.setWidth(FontProperties::Width::standard);
    EXPECT_EQ(resolvedFont(caps).capitalization(), QFont::MixedCase);
    EXPECT_EQ(resolvedFont(caps).stretch(), resolvedFont(FontProperties{}).stretch());
}

TEST_F(TextAdapter, RunsReadBackWithTheirFormats)
{
    QTextDocument document;
    const t::Inlines inlines = {
        t::text("plain "),
        t::emph({t::text("em "), t::strong({t::text("both")})}),
        t::code("k"),
        t::strike({t::text("gone")}),
        t::linkTo("topic.md", {t::text("link")}),
        InlineNode::lineBreak(),
        t::text("next"),
    };
    const QColor linkLight = QColor::fromRgbF(0, 0.4f, 0.8f, 1);
    const QColor linkDark = resolvedColor(Color::rgba(0x2997FFFF), ColorScheme::light);
    for (const auto& [scheme, link] : {std::pair{ColorScheme::light, linkLight}, std::pair{ColorScheme::dark, linkDark}}) {
        write(document, inlines, {scheme});
        const std::vector<Fragment> expected = {
            {"plain ", 13, 400, false, false, {}, {}},
            {"em ", 13, 400, true, false, {}, {}},
            {"both", 13, 600, true, false, {}, {}},
            {"k", 12, 400, false, false, {}, {}},
            {"gone", 13, 400, false, true, {}, {}},
            {"link", 13, 400, false, false, "file:///help/topic.md", link},
            {QString(QChar::LineSeparator) + "next", 13, 400, false, false, {}, {}},
        };
        EXPECT_EQ(fragmentsOf(document), expected);
        EXPECT_EQ(document.toPlainText(), "plain em bothkgonelink\nnext");
        EXPECT_EQ(document.blockCount(), 1);
    }
}

TEST_F(TextAdapter, RunsWithoutFontPropertiesKeepTheDefaultFont)
{
    QTextDocument document;
    document.setDefaultFont(QFont("Vantrel Default Face", 17));
    write(document, {t::text("a"), t::emph({t::text("b")})}, {}, resolve(ForegroundColor(Color::secondary())));
    const std::vector<Fragment> fragments = fragmentsOf(document);
    ASSERT_EQ(fragments.size(), 1u);  // emphasis changes only font properties, which are absent
    EXPECT_EQ(fragments[0].foreground, QColor::fromRgbF(0, 0, 0, 0.5));
    const QTextCharFormat format = document.begin().begin().fragment().charFormat();
    EXPECT_FALSE(format.hasProperty(QTextFormat::FontPixelSize));
    EXPECT_FALSE(format.hasProperty(QTextFormat::FontFamilies));
}

TEST_F(TextAdapter, DocumentTextIsNeverMarkupAndNamesAreNeverLoaded)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString localFile = folder.filePath("picture.png");
    ASSERT_TRUE(solidImage(Qt::red).save(localFile));
    const std::string source = localFile.toStdString();

    RecordingDocument document;
    write(document, {t::html("<b>"), t::text("x"), t::html("</b>"), t::text(" <img src=\"" + source + "\"> "),
                     t::imageOf(source, {t::text("alt")}), t::imageOf("file:" + source, {})});
    EXPECT_EQ(document.toPlainText(), QString("<b>x</b> <img src=\"%1\"> ").arg(localFile));
    EXPECT_EQ(fragmentsOf(document).size(), 1u);
    document.documentLayout()->documentSize();  // lays the text out, which would fetch images
    EXPECT_TRUE(document.loads.isEmpty());

    const InlineImages images{{source, solidImage(Qt::blue)}};
    write(document, {t::text("a"), t::imageOf(source, {}), t::text("b"), t::imageOf(source, {}), t::imageOf("other.png", {})},
          {ColorScheme::light, &images});
    EXPECT_EQ(document.toPlainText(), QString("a%1b%1").arg(QChar(QChar::ObjectReplacementCharacter)));
    std::vector<QString> names;
    for (auto it = document.begin().begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().isImageFormat()) names.push_back(it.fragment().charFormat().toImageFormat().name());
    }
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], names[1]);
    EXPECT_NE(names[0], localFile);
    EXPECT_EQ(document.resource(QTextDocument::ImageResource, QUrl(names[0])).value<QImage>().pixelColor(0, 0), QColor(Qt::blue));
    document.documentLayout()->documentSize();
    EXPECT_TRUE(document.loads.isEmpty());
}

TEST_F(TextAdapter, MarginAndLineSpacing)
{
    QTextDocument document;
    write(document, {t::text("a"), InlineNode::lineBreak(), t::text("b")}, {ColorScheme::light, nullptr, 5});
    EXPECT_EQ(document.documentMargin(), 0);
    const QTextBlockFormat block = document.begin().blockFormat();
    EXPECT_EQ(block.lineHeightType(), QTextBlockFormat::LineDistanceHeight);
    EXPECT_EQ(block.lineHeight(), 5);
}

TEST_F(TextAdapter, Gallery)
{
    const QString gallery = qEnvironmentVariable("VANTREL_GALLERY_DIR");
    if (gallery.isEmpty()) GTEST_SKIP() << "VANTREL_GALLERY_DIR not set";
    const t::Inlines inlines = {
        t::text("Plain, "), t::emph({t::text("emphasis "), t::strong({t::text("and strong")})}), t::text(", "),
        t::code("inline_code()"), t::text(", "), t::strike({t::text("struck")}), t::text(", a "),
        t::linkTo("topic.md", {t::text("link")}), t::text(" and "), t::html("<b>raw html</b>"), InlineNode::lineBreak(),
        t::text("After a line break, an image "), t::imageOf("dot.png", {}), t::text(" inside the text."),
    };
    const InlineImages images{{"dot.png", solidImage(QColor(230, 120, 20))}};
    const TextAttributes base = resolve(textStyle(defaultTextStyle(), ForegroundColor(Color::documentationText())));
    for (const auto& [scheme, name, background] : {std::tuple{ColorScheme::light, "light", QColor(Qt::white)},
                                                   std::tuple{ColorScheme::dark, "dark", QColor(30, 30, 30)}}) {
        QTextDocument document;
        write(document, inlines, {scheme, &images, 4}, base);
        document.setTextWidth(360);
        QImage image(380, static_cast<int>(document.size().height()) + 20, QImage::Format_ARGB32);
        image.fill(background);
        QPainter painter(&image);
        painter.translate(10, 10);
        document.drawContents(&painter);
        painter.end();
        EXPECT_TRUE(image.save(QString("%1/markdown-inline-text-%2.png").arg(gallery, name)));
    }
}
