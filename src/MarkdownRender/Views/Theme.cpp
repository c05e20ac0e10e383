#include "MarkdownRender/Views/Theme.h"

#include "MarkdownRender/Styles/TextStyles.h"
#include "MarkdownRender/Views/StyleKit.h"

#include <QBoxLayout>

#include <algorithm>

namespace markdown {

using Weight = FontProperties::Weight;
using Config = BlockConfiguration;

namespace markers {

namespace {

BlockStyle<ListMarkerConfiguration> symbolMarker(MarkerWidget::Symbol symbol)
{
    return BlockStyle<ListMarkerConfiguration>([symbol](const ListMarkerConfiguration&, const RenderContext& context) {
        return Built{new MarkerWidget(symbol, {}, context)};
    });
}

BlockStyle<ListMarkerConfiguration> textMarker(std::function<QString(std::int64_t)> text)
{
    return BlockStyle<ListMarkerConfiguration>(
        [text](const ListMarkerConfiguration& configuration, const RenderContext& context) {
            return Built{new MarkerWidget(MarkerWidget::Symbol::text, text(configuration.itemNumber), context)};
        });
}

}  // namespace

BlockStyle<ListMarkerConfiguration> decimal()
{
    return textMarker([](std::int64_t n) { return QString::number(n) + QLatin1Char('.'); });
}

BlockStyle<ListMarkerConfiguration> upperRoman()
{
    return textMarker([](std::int64_t n) { return QString::fromStdString(romanNumeral(n)) + QLatin1Char('.'); });
}

BlockStyle<ListMarkerConfiguration> lowerRoman()
{
    return textMarker([](std::int64_t n) { return QString::fromStdString(romanNumeral(n)).toLower() + QLatin1Char('.'); });
}

BlockStyle<ListMarkerConfiguration> dash()
{
    return textMarker([](std::int64_t) { return QStringLiteral("-"); });
}

BlockStyle<ListMarkerConfiguration> disc() { return symbolMarker(MarkerWidget::Symbol::disc); }
BlockStyle<ListMarkerConfiguration> circle() { return symbolMarker(MarkerWidget::Symbol::circle); }
BlockStyle<ListMarkerConfiguration> square() { return symbolMarker(MarkerWidget::Symbol::square); }

BlockStyle<ListMarkerConfiguration> discCircleSquare()
{
    const std::array<BlockStyle<ListMarkerConfiguration>, 3> styles{disc(), circle(), square()};
    return BlockStyle<ListMarkerConfiguration>(
        [styles](const ListMarkerConfiguration& configuration, const RenderContext& context) {
            const std::int64_t level = std::clamp<std::int64_t>(configuration.listLevel, 1, 3);
            return styles[std::size_t(level - 1)].makeBody(configuration, context);
        });
}

BlockStyle<TaskListMarkerConfiguration> checkmarkSquare()
{
    return BlockStyle<TaskListMarkerConfiguration>(
        [](const TaskListMarkerConfiguration& configuration, const RenderContext& context) {
            const auto symbol = configuration.isCompleted ? MarkerWidget::Symbol::checkedSquare
                                                          : MarkerWidget::Symbol::emptySquare;
            return Built{new MarkerWidget(symbol, {}, context)};
        });
}

}  // namespace markers

Theme::Theme()
    : code_(FontFamilyVariant(FontProperties::FamilyVariant::monospaced)),
      emphasis_(FontStyle(FontProperties::Style::italic)), strong_(FontWeight(Weight::semibold)),
      strikethrough_(StrikethroughStyle(LineStyle::single())),
      thematicBreak_([](const NoConfiguration&, const RenderContext& context) { return Built{divider(context)}; })
{
}

const BlockStyle<BlockConfiguration>& Theme::heading(std::int64_t level) const
{
    return headings_[std::size_t(std::clamp<std::int64_t>(level, 1, 6) - 1)];
}

BlockStyle<BlockConfiguration>& Theme::heading(std::int64_t level)
{
    return headings_[std::size_t(std::clamp<std::int64_t>(level, 1, 6) - 1)];
}

std::optional<Color> Theme::textBackgroundColor() const { return resolve(text_).backgroundColor; }

namespace {

using Style = BlockStyle<Config>;
using RS = RelativeSize;

RS em(double value) { return RS::em(value); }
RS rem(double value) { return RS::rem(value); }

auto semibold() { return FontWeight(Weight::semibold); }
auto monospaced() { return FontFamilyVariant(FontProperties::FamilyVariant::monospaced); }

// A table cell's header row is semibold.
RenderContext cellContext(const TableCellConfiguration& cell, const RenderContext& context)
{
    return cell.row == 0 ? context.appending(semibold()) : context;
}

Theme makeBasic()
{
    Theme theme;
    theme.code() = textStyle(monospaced(), FontSize(em(0.94)));
    const double scales[] = {2, 1.5, 1.17, 1, 0.83, 0.67};
    for (int level = 1; level <= 6; ++level) {
        const double scale = scales[level - 1];
        theme.heading(level) = Style([scale](const Config& c, const RenderContext& context) {
            const RenderContext inner = context.appending(textStyle(semibold(), FontSize(em(scale))));
            return margin(c.label(inner), inner, rem(1.5), rem(1));
        });
    }
    theme.paragraph() = Style([](const Config& c, const RenderContext& context) {
        return margin(c.label(context.withLineSpacing(em(0.15))), context, RS::zero(), em(1));
    });
    theme.blockquote() = Style([](const Config& c, const RenderContext& context) {
        const RenderContext inner = context.appending(FontStyle(FontProperties::Style::italic));
        return padding(padding(c.label(inner), inner, edges::leading, em(2)), inner, edges::trailing, em(1));
    });
    theme.codeBlock() = BlockStyle<CodeBlockConfiguration>([](const CodeBlockConfiguration& c, const RenderContext& context) {
        const RenderContext inner = context.appending(textStyle(monospaced(), FontSize(em(0.94))));
        Built code = padding(c.label(inner.withLineSpacing(em(0.15))), inner, edges::leading, rem(1));
        return margin(codeScrollArea(code), context, RS::zero(), em(1));
    });
    theme.table() = Style([](const Config& c, const RenderContext& context) {
        return margin(c.label(context), context, RS::zero(), em(1));
    });
    theme.tableCell() = BlockStyle<TableCellConfiguration>([](const TableCellConfiguration& c, const RenderContext& context) {
        Built cell = c.label(cellContext(c, context).withLineSpacing(em(0.15)));
        return padding(padding(cell, context, edges::horizontal, em(0.72)), context, edges::vertical, em(0.35));
    });
    theme.thematicBreak() = BlockStyle<NoConfiguration>([](const NoConfiguration&, const RenderContext& context) {
        return margin(Built{divider(context)}, context, em(2), em(2));
    });
    return theme;
}

Theme makeDocumentation()
{
    Theme theme;
    theme.text() = ForegroundColor(Color::documentationText());
    theme.link() = ForegroundColor(Color::documentationLink());
    struct Level {
        std::optional<double> lineSpacing;
        std::optional<double> scale;
        double top;
    };
    const Level levels[] = {{{}, 2, 0.8},           {0.0625, 1.88235, 1.6}, {0.07143, 1.64706, 1.6},
                            {0.083335, 1.41176, 1.6}, {0.09091, 1.29412, 1.6}, {0.235295, {}, 1.6}};
    for (int level = 1; level <= 6; ++level) {
        const Level l = levels[level - 1];
        theme.heading(level) = Style([l](const Config& c, const RenderContext& context) {
            RenderContext inner = l.scale ? context.appending(textStyle(semibold(), FontSize(em(*l.scale))))
                                          : context.appending(semibold());
            if (l.lineSpacing) inner = inner.withLineSpacing(em(*l.lineSpacing));
            return margin(c.label(inner), inner, em(l.top), RS::zero());
        });
    }
    theme.paragraph() = Style([](const Config& c, const RenderContext& context) {
        return margin(c.label(context.withLineSpacing(em(0.235295))), context, em(0.8), RS::zero());
    });
    theme.blockquote() = Style([](const Config& c, const RenderContext& context) {
        Built box = boxed(padding(c.label(context), context, edges::all, rem(0.94118)),
                          {Color::documentationAsideBackground(), Color::documentationAsideBorder(), 1, 15}, context);
        // The box fills the width whatever its text.
        box.widget->setSizePolicy(QSizePolicy::Expanding, box.widget->sizePolicy().verticalPolicy());
        return margin(box, context, em(1.6), RS::zero());
    });
    theme.codeBlock() = BlockStyle<CodeBlockConfiguration>([](const CodeBlockConfiguration& c, const RenderContext& context) {
        // The line spacing follows the text around the code, not the code's own size.
        RenderContext inner = context.appending(textStyle(monospaced(), FontSize(rem(0.88235))));
        inner.lineSpacing = context.points(em(0.333335));
        Built code = padding(padding(c.label(inner), edges::vertical, 8), edges::leading, 14);
        Built box = boxed(codeScrollArea(code), {Color::documentationCodeBackground(), {}, 1, 15}, context);
        return margin(box, context, em(0.8), RS::zero());
    });
    theme.image() = Style([](const Config& c, const RenderContext& context) {
        Built image = c.label(context);
        if (image.widget) {
            Built centred = stacked({image}, Qt::Horizontal);
            auto* layout = static_cast<QBoxLayout*>(centred.widget->layout());
            layout->insertStretch(0, 1);
            layout->addStretch(1);
            image = centred;
        }
        return margin(image, context, em(1.6), em(1.6));
    });
    theme.listItem() = Style([](const Config& c, const RenderContext& context) {
        return margin(c.label(context), context, em(0.8), std::nullopt);
    });
    theme.taskListMarker() = BlockStyle<TaskListMarkerConfiguration>(
        [](const TaskListMarkerConfiguration&, const RenderContext& context) {
            return Built{new MarkerWidget(MarkerWidget::Symbol::disc, {}, context)};
        });
    theme.table() = Style([](const Config& c, const RenderContext& context) {
        RenderContext inner = context;
        inner.tableBorderStyle = {TableBorderSelector::horizontalBorders(), Color::documentationGrid(), 1};
        return margin(c.label(inner), context, em(1.6), RS::zero());
    });
    theme.tableCell() = BlockStyle<TableCellConfiguration>([](const TableCellConfiguration& c, const RenderContext& context) {
        Built cell = c.label(cellContext(c, context).withLineSpacing(em(0.235295)));
        return padding(cell, context, edges::all, rem(0.58824));
    });
    theme.thematicBreak() = BlockStyle<NoConfiguration>([](const NoConfiguration&, const RenderContext& context) {
        return margin(Built{divider(context, Color::documentationGrid())}, context, em(2.35), em(2.35));
    });
    return theme;
}

Theme makeRepository()
{
    Theme theme;
    theme.text() = textStyle(ForegroundColor(Color::repositoryText()), BackgroundColor(Color::repositoryBackground()),
                           FontSize(16));
    theme.code() = textStyle(monospaced(), FontSize(em(0.85)), BackgroundColor(Color::repositorySecondaryBackground()));
    theme.strong() = FontWeight(Weight::semibold);
    theme.link() = ForegroundColor(Color::repositoryLink());
    struct Level {
        std::optional<double> scale;
        bool rule;
        bool tertiary;
    };
    const Level levels[] = {{2, true, false}, {1.5, true, false}, {1.25, false, false},
                            {{}, false, false}, {0.875, false, false}, {0.85, false, true}};
    for (int level = 1; level <= 6; ++level) {
        const Level l = levels[level - 1];
        theme.heading(level) = Style([l](const Config& c, const RenderContext& context) {
            RenderContext inner = context.appending(semibold());
            if (l.scale) inner = inner.appending(FontSize(em(*l.scale)));
            if (l.tertiary) inner = inner.appending(ForegroundColor(Color::repositoryTertiaryText()));
            Built label = c.label(inner.withLineSpacing(em(0.125)));
            if (!l.rule) return margin(label, 24, 16);
            label = margin(padding(label, inner, edges::bottom, em(0.3)), 24, 16);
            return stacked({label, Built{divider(context, Color::repositoryDivider())}}, Qt::Vertical);
        });
    }
    theme.paragraph() = Style([](const Config& c, const RenderContext& context) {
        return margin(c.label(context.withLineSpacing(em(0.25))), 0, 16);
    });
    theme.blockquote() = Style([](const Config& c, const RenderContext& context) {
        const RenderContext inner = context.appending(ForegroundColor(Color::repositorySecondaryText()));
        Built bar{sideBar(context, Color::repositoryBorder(), int(context.points(em(0.2))), 6)};
        return stacked({bar, padding(c.label(inner), inner, edges::horizontal, em(1))}, Qt::Horizontal);
    });
    theme.codeBlock() = BlockStyle<CodeBlockConfiguration>([](const CodeBlockConfiguration& c, const RenderContext& context) {
        const RenderContext inner = context.appending(textStyle(monospaced(), FontSize(em(0.85))));
        Built code = padding(c.label(inner.withLineSpacing(em(0.225))), edges::all, 16);
        Built box = boxed(codeScrollArea(code), {Color::repositorySecondaryBackground(), {}, 1, 6}, context);
        return margin(box, 0, 16);
    });
    theme.listItem() = Style([](const Config& c, const RenderContext& context) {
        return margin(c.label(context), context, em(0.25), std::nullopt);
    });
    theme.taskListMarker() = BlockStyle<TaskListMarkerConfiguration>(
        [](const TaskListMarkerConfiguration& configuration, const RenderContext& context) {
            auto* marker = new MarkerWidget(configuration.isCompleted ? MarkerWidget::Symbol::checkedSquare
                                                                      : MarkerWidget::Symbol::emptySquare,
                                            {}, context);
            marker->setColors(QColor(0xB9, 0xB9, 0xBB), QColor(0xEE, 0xEE, 0xEF));
            return Built{marker};
        });
    theme.table() = Style([](const Config& c, const RenderContext& context) {
        RenderContext inner = context;
        inner.tableBorderStyle = {TableBorderSelector::allBorders(), Color::repositoryBorder(), 1};
        inner.tableBackgroundStyle = TableBackgroundStyle::alternatingRows(Color::repositoryBackground(),
                                                                           Color::repositorySecondaryBackground());
        return margin(c.label(inner), 0, 16);
    });
    theme.tableCell() = BlockStyle<TableCellConfiguration>([](const TableCellConfiguration& c, const RenderContext& context) {
        const RenderContext inner = cellContext(c, context).appending(BackgroundColor(std::nullopt));
        Built cell = c.label(inner.withLineSpacing(em(0.25)));
        return padding(padding(cell, edges::vertical, 6), edges::horizontal, 13);
    });
    theme.thematicBreak() = BlockStyle<NoConfiguration>([](const NoConfiguration&, const RenderContext& context) {
        return margin(Built{divider(context, Color::repositoryBorder(), int(context.points(em(0.25))))}, 24, 24);
    });
    return theme;
}

}  // namespace

const Theme& Theme::basic()
{
    static const Theme theme = makeBasic();
    return theme;
}

const Theme& Theme::documentation()
{
    static const Theme theme = makeDocumentation();
    return theme;
}

const Theme& Theme::repository()
{
    static const Theme theme = makeRepository();
    return theme;
}

}  // namespace markdown
