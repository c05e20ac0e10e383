#include "Vantrel/views/DesignControls.h"
#include "Vantrel/views/DesignIndicators.h"

#include "SymbolIcons/SymbolIcons.h"
#include "ViewTestSupport.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantrel;
using Palette::Role;
using namespace viewtest;

namespace {

class DesignControls : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        app();
        setAppearance(dark());
    }
    bool dark() const { return GetParam(); }
    QColor pane() const { return Palette::color(Role::paneBackground, dark()); }
    QColor role(Role r) const { return Palette::color(r, dark()); }

    // Shows widget alone on a pane-coloured host at its size hint (or size).
    template <typename W>
    W* place(W* widget, QSize size = {}) {
        m_host.reset(makeHost());
        widget->setParent(m_host.get());
        const QSize s = size.isValid() ? size : widget->sizeHint();
        widget->setGeometry(10, 10, s.width(), s.height());
        m_host->resize(s.width() + 20, s.height() + 20);
        m_host->show();
        return widget;
    }

    std::unique_ptr<QWidget> m_host;
};

INSTANTIATE_TEST_SUITE_P(Appearance, DesignControls, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST_P(DesignControls, ButtonKindsFillTheirShape) {
    struct Row {
        KelpButtonStyle::Kind kind;
        QColor fill;
    };
    QColor stop(255, 107, 107);
    stop.setAlphaF(0.22);
    const Row rows[] = {
        {KelpButtonStyle::Kind::standard, Palette::overlay(0.12, dark())},
        {KelpButtonStyle::Kind::primary, role(Role::accent)},
        {KelpButtonStyle::Kind::stop, stop},
        {KelpButtonStyle::Kind::ghost, Qt::transparent},
    };
    for (const Row& row : rows) {
        for (bool large : {false, true}) {
            auto* button = place(new KelpButton("Go", {row.kind, large}));
            EXPECT_EQ(button->height(), large ? 28 : 22);
            // In the padding, below the highlight: the fill over the pane.
            EXPECT_PRED2(near, pixelAt(button, {4, button->height() / 2 + 2}), over(row.fill, pane()));
            // The top edge: ghost buttons have no highlight at all.
            if (row.kind == KelpButtonStyle::Kind::ghost) {
                EXPECT_EQ(pixelAt(button, {button->width() / 2, 0}), pane());
            }
        }
    }
}

TEST_P(DesignControls, DisabledPrimaryIsDimmedAndTakesNoClicks) {
    auto* button = place(new KelpButton("Add to Queue", {KelpButtonStyle::Kind::primary, true}));
    button->setEnabled(false);
    QColor dimmed = role(Role::accent);
    dimmed.setAlphaF(0.4);
    EXPECT_PRED2(near, pixelAt(button, {4, 16}), over(dimmed, pane()));
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_EQ(clicked.count(), 0);
}

// Pressed, a button loses 0.08 of brightness in every pixel it shows, as seen
// over the pane (a translucent fill darkens as clearly as an opaque one); a ghost
// button darkens its title and gains no box. Releasing restores it.
TEST_P(DesignControls, PressingLowersTheBrightnessUntilRelease) {
    const int step = qRound(0.08 * 255);
    const auto channels = [](const QColor& c) { return c.red() + c.green() + c.blue(); };
    for (const auto kind : {KelpButtonStyle::Kind::standard, KelpButtonStyle::Kind::primary,
                            KelpButtonStyle::Kind::stop, KelpButtonStyle::Kind::ghost}) {
        SCOPED_TRACE(int(kind));
        auto* button = place(new KelpButton("Choose…", {kind, false}));
        const QRect area(button->mapTo(m_host.get(), QPoint()), button->size());
        const QImage idle = m_host->grab().toImage();
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        ASSERT_TRUE(button->isDown());
        const QImage pressed = m_host->grab().toImage();
        int title = 0;  // fully inked pixels of a ghost button's title
        // Inside the rounded corners, title pixels included.
        for (int y = area.top() + 3; y <= area.bottom() - 3; ++y) {
            for (int x = area.left() + 3; x <= area.right() - 3; ++x) {
                const QColor before = idle.pixelColor(x, y), after = pressed.pixelColor(x, y);
                if (kind != KelpButtonStyle::Kind::ghost) {
                    const QColor expected(std::max(0, before.red() - step), std::max(0, before.green() - step),
                                          std::max(0, before.blue() - step));
                    ASSERT_PRED3(nearWithin, after, expected, 1) << x << "," << y;
                } else if (before == pane()) {
                    ASSERT_EQ(after, pane()) << x << "," << y;  // no fill
                } else {
                    // The title darkens as far as it is inked: fully inked pixels by the whole step.
                    EXPECT_LE(channels(after), channels(before)) << x << "," << y;
                    EXPECT_GE(channels(after), channels(before) - 3 * step - 3) << x << "," << y;
                    const QColor ink = role(Role::textSecondary);
                    if (nearWithin(before, ink, 1)) {
                        ++title;
                        const QColor darker(ink.red() - step, ink.green() - step, ink.blue() - step);
                        EXPECT_PRED3(nearWithin, after, darker, 1) << x << "," << y;
                    }
                }
            }
        }
        if (kind == KelpButtonStyle::Kind::ghost) {
            EXPECT_GT(title, 5);
        }
        EXPECT_EQ(pressed.pixelColor(area.topLeft() - QPoint(2, 2)), pane());  // nothing around it

        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_EQ(m_host->grab().toImage(), idle);
        EXPECT_EQ(clicked.count(), 1);
    }
}

TEST_P(DesignControls, IconButtonLightsUnderThePointer) {
    auto* button = place(new KelpIconButton("plus"));
    EXPECT_EQ(button->size(), QSize(22, 22));
    EXPECT_EQ(pixelAt(button, {2, 2}), pane());
    hover(button, true);
    EXPECT_PRED2(near, pixelAt(button, {3, 11}), over(Palette::overlay(0.08, dark()), pane()));
    hover(button, false);
    EXPECT_EQ(pixelAt(button, {3, 11}), pane());
}

// Counts pixels close to a colour in a widget's picture.
int countNear(QWidget* widget, const QColor& color) {
    const QImage img = widget->grab().toImage();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += nearWithin(img.pixelColor(x, y), color, 12);
    return n;
}

TEST_P(DesignControls, SegmentGroupShowsOnlyMatchingLabelsActive) {
    int calls = 0;
    const QList<KelpSegGroup::Action> actions = {{"Auto", [&] { ++calls; }}, {"Manual", [&] { calls += 10; }},
                                                 {"Auto", {}}};
    const QColor activeFill = [&] {
        QColor c = role(Role::accent);
        c.setAlphaF(0.15);
        return over(c, over(Palette::shadow(0.28, dark()), pane()));
    }();
    struct Row {
        std::optional<QString> active;
        QList<bool> shownActive;
    };
    const Row rows[] = {{std::nullopt, {false, false, false}},
                        {QString("Nope"), {false, false, false}},
                        {QString("Auto"), {true, false, true}},
                        {QString("Manual"), {false, true, false}}};
    for (const Row& row : rows) {
        auto* group = place(new KelpSegGroup(actions, row.active));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(near(pixelAt(group->segment(i), {2, 10}), activeFill), row.shownActive[i]) << i;
    }
    // Clicking runs the segment's own action and leaves the active label to the owner.
    auto* group = place(new KelpSegGroup(actions, QString("Auto")));
    QSignalSpy triggered(group, &KelpSegGroup::triggered);
    QTest::mouseClick(group->segment(1), Qt::LeftButton);
    QTest::mouseClick(group->segment(0), Qt::LeftButton);
    EXPECT_EQ(calls, 11);
    EXPECT_EQ(triggered.count(), 2);
    EXPECT_EQ(group->activeLabel(), QString("Auto"));
}

TEST_P(DesignControls, IdleSegmentHoverAndEmptyGroup) {
    auto* group = place(new KelpSegGroup({{"Auto", {}}, {"Manual", {}}}, QString("Auto")));
    QAbstractButton* idle = group->segment(1);
    const QColor trough = over(Palette::shadow(0.28, dark()), pane());
    EXPECT_PRED2(near, pixelAt(idle, {2, 10}), trough);
    const int primaryText = countNear(idle, role(Role::textPrimary));
    hover(idle, true);
    EXPECT_PRED2(near, pixelAt(idle, {2, 10}), over(Palette::overlay(0.16, dark()), trough));
    EXPECT_GT(countNear(idle, role(Role::textPrimary)), primaryText);
    hover(idle, false);
    EXPECT_PRED2(near, pixelAt(idle, {2, 10}), trough);

    auto* empty = place(new KelpSegGroup({}, std::nullopt));
    EXPECT_EQ(empty->sizeHint().width(), 2);
    EXPECT_EQ(empty->segment(0), nullptr);
}

// Pixels of the check mark's white in the middle of a checkbox.
int whitish(QWidget* box) {
    const QImage img = box->grab().toImage();
    int n = 0;
    for (int y = 3; y < 11; ++y)
        for (int x = 3; x < 11; ++x) {
            const QColor c = img.pixelColor(x, y);
            n += std::min({c.red(), c.green(), c.blue()}) > 235;
        }
    return n;
}

TEST_P(DesignControls, CheckboxDrawsWhatItsOwnerSays) {
    auto* box = place(new KelpCheckbox(false));
    const QColor off = over(Palette::shadow(0.25, dark()), pane());
    EXPECT_PRED2(near, pixelAt(box, {7, 7}), off);
    QSignalSpy clicked(box, &QAbstractButton::clicked);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(box->isOn());
    EXPECT_PRED2(near, pixelAt(box, {7, 7}), off);
    EXPECT_EQ(whitish(box), 0);
    box->setOn(true);
    EXPECT_EQ(pixelAt(box, {1, 7}), role(Role::accent));
    EXPECT_GT(whitish(box), 0);
}

TEST_P(DesignControls, ProgressBarClampsItsFraction) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QColor track = over(Palette::shadow(0.35, dark()), pane());
    struct Row {
        double fraction;
        KelpProgressBar::Fill fill;
        int filledUpTo;  // pixels from the leading edge
    };
    const Row rows[] = {{-0.2, KelpProgressBar::Fill::running, 0}, {1.7, KelpProgressBar::Fill::done, 200},
                        {0.5, KelpProgressBar::Fill::running, 100}, {0.5, KelpProgressBar::Fill::failed, 100},
                        {nan, KelpProgressBar::Fill::running, 0},   {inf, KelpProgressBar::Fill::done, 0},
                        {-inf, KelpProgressBar::Fill::failed, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fraction);
        auto* bar = place(new KelpProgressBar(row.fraction, row.fill), {200, 5});
        const Role fill = row.fill == KelpProgressBar::Fill::running ? Role::accent
                          : row.fill == KelpProgressBar::Fill::done  ? Role::success
                                                                     : Role::danger;
        for (int x : {4, 96, 104, 196}) {
            const QColor expected = x < row.filledUpTo ? role(fill) : track;
            EXPECT_PRED2(near, pixelAt(bar, {x, 2}), expected) << x;
        }
    }
}

TEST_P(DesignControls, SegmentedBarCoversItsSharesInOrder) {
    const QColor track = over(Palette::shadow(0.35, dark()), pane());
    auto* empty = place(new KelpSegmentedBar({}, 6), {200, 6});
    EXPECT_PRED2(near, pixelAt(empty, {100, 3}), track);
    auto* bar = place(new KelpSegmentedBar({{0.25, Qt::red}, {0.5, Qt::blue}, {NAN, Qt::green}}, 6), {200, 6});
    EXPECT_EQ(pixelAt(bar, {10, 3}), QColor(Qt::red));
    EXPECT_EQ(pixelAt(bar, {49, 3}), QColor(Qt::red));
    EXPECT_EQ(pixelAt(bar, {50, 3}), QColor(Qt::blue));
    EXPECT_EQ(pixelAt(bar, {149, 3}), QColor(Qt::blue));
    EXPECT_PRED2(near, pixelAt(bar, {151, 3}), track);
    EXPECT_PRED2(near, pixelAt(bar, {0, 0}), pane());  // outside the capsule
    // Every segment made is a new identity.
    EXPECT_NE(KelpBarSegment(0.1, Qt::red).id, KelpBarSegment(0.1, Qt::red).id);
}

TEST_P(DesignControls, PathWellShowsTheEndOfAPathOrItsPlaceholder) {
    auto* well = place(new KelpPathWell("folder", std::nullopt, "Same folder as source", 28, 240), {300, 28});
    EXPECT_EQ(well->shownText(), "Same folder as source");
    EXPECT_DOUBLE_EQ(well->chooseButton()->visualScale(), 0.85);
    QSignalSpy chosen(well, &KelpPathWell::choose);
    QTest::mouseClick(well->chooseButton(), Qt::LeftButton);
    EXPECT_EQ(chosen.count(), 1);

    const QString longPath = "/home/editor/Projects/2026/Festival/Rushes/Day 03/Camera B/<b>graded</b>/final";
    well = place(new KelpPathWell("folder", longPath, "Same folder as source", 30, 240), {300, 30});
    EXPECT_DOUBLE_EQ(well->chooseButton()->visualScale(), 0.95);
    const QString shown = well->shownText();
    EXPECT_TRUE(shown.startsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(longPath.endsWith(shown.mid(1))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("<b>graded</b>/final"));
    // The well never grows past its maximum width.
    well = place(new KelpPathWell("folder", longPath, "", 28, 600), {});
    EXPECT_LE(well->width(), KelpPathWell::maximumWellWidth);
    EXPECT_EQ(well->minimumWidth(), KelpPathWell::maximumWellWidth);
}

TEST_P(DesignControls, SectionHeadShowsTitleInCapitals) {
    auto* head = place(new KelpSectionHead("Queue"));
    head->addTrailing(new KelpButton("Clear", {KelpButtonStyle::Kind::ghost, false}));
    EXPECT_EQ(head->titleLabel()->text(), "QUEUE");
    EXPECT_FALSE(head->countLabel()->isVisibleTo(head));
    head->setCount(QString("3 of 12"));
    EXPECT_TRUE(head->countLabel()->isVisibleTo(head));
    EXPECT_EQ(head->countLabel()->text(), "3 of 12");
}

// A sheet of every control in every state, for looking at.
TEST_P(DesignControls, Gallery) {
    std::unique_ptr<QWidget> sheet(makeHost());
    auto* grid = new QGridLayout(sheet.get());
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    int row = 0;
    auto caption = [&](const QString& text) {
        grid->addWidget(new KelpLabel(text, Kelp::font(11), Role::textTertiary), row, 0);
    };
    const std::pair<const char*, KelpButtonStyle::Kind> kinds[] = {{"standard", KelpButtonStyle::Kind::standard},
                                                                   {"primary", KelpButtonStyle::Kind::primary},
                                                                   {"stop", KelpButtonStyle::Kind::stop},
                                                                   {"ghost", KelpButtonStyle::Kind::ghost}};
    for (const auto& [name, kind] : kinds) {
        caption(name);
        int col = 1;
        for (bool large : {false, true}) {
            grid->addWidget(new KelpButton(large ? "Add to Queue" : "Choose…", {kind, large}), row, col++);
            auto* pressed = new KelpButton("Pressed", {kind, large});
            pressed->setDown(true);
            grid->addWidget(pressed, row, col++);
            auto* disabled = new KelpButton("Disabled", {kind, large});
            disabled->setEnabled(false);
            grid->addWidget(disabled, row, col++);
        }
        ++row;
    }
    caption("symbol + title");
    auto* withSymbol = new KelpButton("Add Videos…", {KelpButtonStyle::Kind::primary, true});
    withSymbol->setSymbol("plus");
    grid->addWidget(withSymbol, row++, 1, 1, 2);

    caption("icon buttons");
    auto* icons = new QHBoxLayout;
    auto* hovered = new KelpIconButton("xmark");
    icons->addWidget(new KelpIconButton("xmark"));
    icons->addWidget(hovered);
    auto* pressedIcon = new KelpIconButton("arrow.clockwise");
    pressedIcon->setDown(true);
    icons->addWidget(pressedIcon);
    icons->addStretch();
    grid->addLayout(icons, row++, 1, 1, 6);

    caption("segments");
    auto* segs = new QHBoxLayout;
    segs->setSpacing(12);
    auto* hoverGroup = new KelpSegGroup({{"Auto", {}}, {"Manual", {}}, {"Offset", {}}}, QString("Manual"));
    segs->addWidget(hoverGroup);
    segs->addWidget(new KelpSegGroup({{"Off", {}}, {"Quick", {}}, {"Full", {}}}, std::nullopt));
    segs->addWidget(new KelpSegGroup({}, std::nullopt));
    segs->addStretch();
    grid->addLayout(segs, row++, 1, 1, 6);

    caption("checkboxes");
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(new KelpCheckbox(false));
    boxes->addWidget(new KelpCheckbox(true));
    boxes->addStretch();
    grid->addLayout(boxes, row++, 1, 1, 6);

    const std::pair<double, KelpProgressBar::Fill> bars[] = {{0.35, KelpProgressBar::Fill::running},
                                                             {1.0, KelpProgressBar::Fill::done},
                                                             {0.6, KelpProgressBar::Fill::failed},
                                                             {NAN, KelpProgressBar::Fill::running}};
    for (const auto& [fraction, fill] : bars) {
        caption(QString("progress %1").arg(fraction));
        grid->addWidget(new KelpProgressBar(fraction, fill), row++, 1, 1, 6);
    }
    caption("segmented bar");
    grid->addWidget(new KelpSegmentedBar({{0.3, role(Role::success)}, {0.1, role(Role::danger)},
                                          {0.15, role(Role::accent)}, {0.1, role(Role::textTertiary)}},
                                         6),
                    row++, 1, 1, 6);
    caption("empty bar");
    grid->addWidget(new KelpSegmentedBar({}, 6), row++, 1, 1, 6);

    caption("path wells");
    grid->addWidget(new KelpPathWell("folder", std::nullopt, "Same folder as source", 28, 240), row++, 1, 1, 6);
    caption("");
    grid->addWidget(new KelpPathWell("film", "/home/editor/Projects/2026/Festival/Rushes/Day 03/Camera B/final",
                                     "", 30, 240),
                    row++, 1, 1, 6);

    caption("section heads");
    auto* head = new KelpSectionHead("Sources", QString("12 videos"));
    head->addTrailing(new KelpButton("Clear", {KelpButtonStyle::Kind::ghost, false}));
    head->addTrailing(new KelpIconButton("plus"));
    grid->addWidget(head, row++, 1, 1, 6);
    caption("");
    grid->addWidget(new KelpSectionHead("Queue"), row++, 1, 1, 6);

    caption("symbols");
    auto* symbols = new QGridLayout;
    QStringList names = QDir(QStringLiteral(":/symbols")).entryList({QStringLiteral("*.svg")});
    names.replaceInStrings(QRegularExpression(QStringLiteral("\\.svg$")), QString());
    for (int i = 0; i < names.size(); ++i) {
        auto* label = new QLabel;
        label->setPixmap(SymbolIcons::icon(names[i], role(Role::textPrimary), 24).pixmap(24, 24));
        label->setToolTip(names[i]);
        symbols->addWidget(label, i / 15, i % 15);
    }
    grid->addLayout(symbols, row++, 1, 1, 6);

    sheet->resize(760, sheet->sizeHint().height());
    sheet->show();
    hover(hovered, true);
    hover(hoverGroup->segment(0), true);
    saveGallery(sheet.get(), dark() ? "controls-dark" : "controls-light");
}

}  // namespace
