#include "Vantrel/views/SourceRowView.h"

#include "PaneTestSupport.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/PaneWidgets.h"
#include "Vantrel/views/SourceListPane.h"
#include "Vantrel/media/OutputNamer.h"

#include "TimecodeUI/TimecodeField.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>

using namespace panetest;
using Palette::Role;
using Kind = SourceItem::AnalysisState::Kind;

namespace {

TEST(SourceRowText, MismatchDeltas) {
    const std::pair<double, const char*> rows[] = {
        {0, "+0.0s"},        {12.34, "+12.3s"},     {-0.4, "\u22120.4s"},   {-59.96, "\u221260.0s"},
        {60.4, "+1:00"},     {-245, "\u22124:05"},  {3599.5, "+1:00:00"}, {-3725, "\u22121:02:05"},
    };
    for (const auto& [delta, text] : rows) EXPECT_EQ(SourceRowView::mismatchDeltaText(delta), QString(text)) << delta;
}

TEST(SourceRowText, ToleranceHelpKeepsItsDecimal) {
    EXPECT_EQ(SourceRowView::mismatchHelp(1.0, true), "Time-of-day mismatch beyond ±1s");
    EXPECT_EQ(SourceRowView::mismatchHelp(0.5, true), "Time-of-day mismatch beyond ±0.5s");
    EXPECT_EQ(SourceRowView::mismatchHelp(2.5, true), "Time-of-day mismatch beyond ±2.5s");
    EXPECT_EQ(SourceRowView::mismatchHelp(0.5, false), "Within tolerance");
}

TEST_P(PaneTest, RowShowsEachAnalysisState) {
    SourceRowView row(model.get(), QUuid::createUuid());
    row.resize(1200, SourceRowView::rowHeight);
    row.show();
    struct Case {
        SourceItem item;
        QString caption, embedded, creation, mismatch, rateLabel;
        bool spinner, unreadable;
        Role markRole;
        QString markHelp;
    };
    const QString none = QStringLiteral("––:––:––:––");
    const QString flagged = QStringLiteral("Time-of-day mismatch beyond ±0.5s");
    const QString within = QStringLiteral("Within tolerance");
    const Case cases[] = {
        {item("a.mov", SourceItem::AnalysisState::pending()), "Reading…", {}, {}, {}, "Auto", true, false, {}, {}},
        {item("b.mov", SourceItem::AnalysisState::failed("Not a movie")), "Not a movie", {}, {}, {}, "Auto", false,
         true, {}, {}},
        {item("c.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0, 700)))),
         "25 fps · creation: QuickTime atom", "10:00:00:00", "10:00:00:17", "+0.7s", "Auto (25)", false, false,
         Role::danger, flagged},
        {item("d.mov", SourceItem::AnalysisState::done(analysis({}, at(9, 0, 0), std::nullopt))),
         "creation: QuickTime atom", none, none, {}, "Auto", false, false, {}, {}},
        {item("e.mov", SourceItem::AnalysisState::done(analysis("01:00:00;00", {}, kRate2997DF))),
         "29.97 DF fps · no creation date", "01:00:00;00", none, {}, "Auto (29.97 DF)", false, false, {}, {}},
        {item("f.mov", SourceItem::AnalysisState::done(analysis("01:00:00:00", at(1, 0, 0), FrameRate{48, 1, 48, false}))),
         "48 fps · creation: QuickTime atom", "01:00:00:00", "01:00:00:00", "+0.0s", "Auto (48)", false, false,
         Role::success, within},
        // Exactly at the tolerance of 0.5 s, either way, is within; one frame more is flagged.
        {item("g.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0, 500)))),
         "25 fps · creation: QuickTime atom", "10:00:00:00", "10:00:00:12", "+0.5s", "Auto (25)", false, false,
         Role::success, within},
        {item("h.mov", SourceItem::AnalysisState::done(analysis("10:00:01:00", at(10, 0, 0, 500)))),
         "25 fps · creation: QuickTime atom", "10:00:01:00", "10:00:00:12", "\u22120.5s", "Auto (25)", false, false,
         Role::success, within},
        {item("i.mov", SourceItem::AnalysisState::done(analysis("09:59:59:24", at(10, 0, 0, 500)))),
         "25 fps · creation: QuickTime atom", "09:59:59:24", "10:00:00:12", "+0.5s", "Auto (25)", false, false,
         Role::danger, flagged},
    };
    // The whole menu, in order: "Auto", a divider, then every rate offered.
    const QStringList rates = {"23.98", "24", "25", "29.97", "29.97 DF", "30", "50", "59.94", "59.94 DF", "60"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item.url.fileName().toStdString());
        row.setItem(c.item, 0.5);
        EXPECT_EQ(child<KelpLabel>(&row, "name")->text(), c.item.url.fileName());
        EXPECT_EQ(child<KelpLabel>(&row, "caption")->text(), c.caption);
        EXPECT_EQ(child<QWidget>(&row, "spinner")->isVisibleTo(&row), c.spinner);
        EXPECT_EQ(child<QWidget>(&row, "unreadable")->isVisibleTo(&row), c.unreadable);
        if (c.item.analysis.isDone()) {
            EXPECT_EQ(child<KelpLabel>(&row, "embedded")->text(), c.embedded);
            EXPECT_EQ(child<KelpLabel>(&row, "creation")->text(), c.creation);
        }
        auto* mark = child<KelpCapsule>(&row, "mismatch");
        EXPECT_EQ(mark->isVisibleTo(&row), !c.mismatch.isEmpty());
        if (!c.mismatch.isEmpty()) {
            EXPECT_EQ(mark->text(), c.mismatch);
            EXPECT_EQ(mark->role(), c.markRole);
            EXPECT_EQ(mark->toolTip(), c.markHelp);
        }
        auto* rate = child<KelpMenuButton>(&row, "frameRate");
        EXPECT_EQ(rate->text(), c.rateLabel);
        QStringList items;
        for (const QAction* action : rate->menu()->actions()) items << action->text();
        EXPECT_EQ(items, QStringList({c.rateLabel, QString()}) + rates);
    }
    // 0.7 s against 0.5 s is flagged; against 0.7 s exactly it is within.
    row.setItem(cases[2].item, 0.5);
    EXPECT_EQ(child<KelpCapsule>(&row, "mismatch")->role(), Role::danger);
    EXPECT_EQ(child<KelpCapsule>(&row, "mismatch")->toolTip(), "Time-of-day mismatch beyond ±0.5s");
    row.setItem(cases[2].item, 0.7);
    EXPECT_EQ(child<KelpCapsule>(&row, "mismatch")->role(), Role::success);
    EXPECT_EQ(child<KelpCapsule>(&row, "mismatch")->toolTip(), "Within tolerance");
}

TEST_P(PaneTest, ManualRowBordersAndBlocksUntilATimecodeResolves) {
    SourceRowView row(model.get(), QUuid::createUuid());
    row.resize(1200, SourceRowView::rowHeight);
    SourceItem manual = item("m.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0))),
                             FixMode::manual);
    row.setItem(manual, 1);
    auto* cell = child<ManualTimecodeCell>(&row, "manualTimecode");
    EXPECT_TRUE(cell->isVisibleTo(&row));
    EXPECT_FALSE(cell->isResolved());
    EXPECT_EQ(cell->field()->properties().frameRate, timecode::TimecodeFrameRate::fps25);
    const auto shownIn = [&] { return cell->field()->palette().color(QPalette::WindowText); };
    EXPECT_EQ(shownIn(), Palette::color(Role::textTertiary, dark()));
    auto* blocking = child<QWidget>(&row, "blocking");
    EXPECT_TRUE(blocking->isVisibleTo(&row));
    EXPECT_EQ(blocking->toolTip(), "Enter a timecode");

    manual.manualComponents = timecode::Timecode::Components{0, 1, 2, 3, 4, 0};
    row.setItem(manual, 1);
    EXPECT_TRUE(cell->isResolved());
    EXPECT_FALSE(blocking->isVisibleTo(&row));
    EXPECT_EQ(cell->field()->components().frames, 4);
    EXPECT_EQ(shownIn(), Palette::color(Role::textPrimary, dark()));

    // Excluded: dimmed, never blocked; creation mode hides the field.
    manual.included = false;
    manual.manualComponents.reset();
    row.setItem(manual, 1);
    EXPECT_FALSE(blocking->isVisibleTo(&row));
    EXPECT_TRUE(row.graphicsEffect());
    manual.fixMode = FixMode::creationTime;
    manual.included = true;
    row.setItem(manual, 1);
    EXPECT_FALSE(cell->isVisibleTo(&row));
    EXPECT_FALSE(row.graphicsEffect());
}

// WCAG contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A typed-timecode cell alone in a window, with somewhere else for the focus to be.
struct CellHost {
    CellHost() : window(viewtest::makeHost()), cell(new ManualTimecodeCell(window.get())), elsewhere(new QLineEdit(window.get())) {
        cell->move(10, 10);
        elsewhere->setGeometry(10, 50, 100, 24);
        window->resize(220, 90);
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        elsewhere->setFocus();
    }
    // The colours of a component as painted: its background beside the digits and
    // the ink that stands out most from it.
    std::pair<QColor, QColor> colours(timecode::TimecodeComponent component) const {
        const QImage image = window->grab().toImage();
        const QRect r = cell->field()->componentRect(component).translated(cell->field()->mapTo(window.get(), QPoint()));
        const QColor background = image.pixelColor(r.left() + 1, r.center().y());
        QColor ink = background;
        for (int x = r.left(); x <= r.right(); ++x)
            for (int y = r.top(); y <= r.bottom(); ++y)
                if (contrast(image.pixelColor(x, y), background) > contrast(ink, background)) ink = image.pixelColor(x, y);
        return {background, ink};
    }
    std::unique_ptr<QWidget> window;
    ManualTimecodeCell* cell;
    QLineEdit* elsewhere;
};

// Invalid digits stay red and readable wherever they sit: on the sunken cell and
// on the focused component's highlight, which is still the accent.
TEST_P(PaneTest, InvalidDigitsReadOnTheFocusHighlight) {
    using C = timecode::TimecodeComponent;
    CellHost host;
    host.cell->setRate(timecode::TimecodeFrameRate::fps25);
    host.cell->setComponents(timecode::Timecode::Components{0, 25, 10, 0, 0, 0});  // no 25th hour
    const auto reddish = [](const QColor& c) { return c.red() > c.green() + 60 && c.red() > c.blue() + 60; };

    host.cell->field()->setFocusedComponent(C::hours);
    auto [highlight, ink] = host.colours(C::hours);
    EXPECT_TRUE(reddish(ink)) << ink.name().toStdString();
    EXPECT_GE(contrast(ink, highlight), 4.5) << ink.name().toStdString() << " on " << highlight.name().toStdString();
    const QColor cell = viewtest::pixelAt(host.cell, QPoint(4, host.cell->height() / 2));
    EXPECT_GT(highlight.red() - highlight.blue(), cell.red() - cell.blue() + 20) << "an accent highlight";
    viewtest::saveGallery(host.window.get(), gallery("timecode-cell-invalid-focused"));

    // Focus elsewhere in the field: the invalid hours on the cell, the valid
    // minutes on the highlight.
    host.cell->field()->setFocusedComponent(C::minutes);
    std::tie(highlight, ink) = host.colours(C::minutes);
    EXPECT_FALSE(reddish(ink));
    EXPECT_GE(contrast(ink, highlight), 4.5) << ink.name().toStdString() << " on " << highlight.name().toStdString();
    const auto [background, invalid] = host.colours(C::hours);
    EXPECT_TRUE(reddish(invalid));
    EXPECT_GE(contrast(invalid, background), 4.5) << invalid.name().toStdString() << " on " << background.name().toStdString();
    viewtest::saveGallery(host.window.get(), gallery("timecode-cell-invalid"));
}

// The cell's padding belongs to the field: a click there focuses the nearest
// component, and the digits typed next are not lost.
TEST_P(PaneTest, ClickOnTheTimecodeCellPaddingFocusesTheField) {
    using C = timecode::TimecodeComponent;
    CellHost host;
    timecode::TimecodeField* field = host.cell->field();
    const QPoint clicks[] = {QPoint(1, 1), QPoint(host.cell->width() - 2, host.cell->height() - 2)};
    const C focused[] = {C::hours, C::frames};
    for (int i = 0; i < 2; ++i) {
        host.elsewhere->setFocus();
        ASSERT_FALSE(field->focusedComponent());
        QTest::mouseClick(host.cell, Qt::LeftButton, Qt::NoModifier, clicks[i]);
        EXPECT_EQ(field->focusedComponent(), focused[i]);
        EXPECT_TRUE(field->hasFocus());
    }
    QSignalSpy edited(host.cell, &ManualTimecodeCell::componentsEdited);
    QTest::keyClicks(field, "12");
    ASSERT_EQ(edited.count(), 2);
    EXPECT_EQ(edited.last().first().value<timecode::TimecodeComponents>().frames, 12);
}

// Rows in the pane write through the model by id, also while excluded.
TEST_P(PaneTest, RowEditsReachTheModel) {
    SourceListPane pane(model.get());
    pane.resize(1300, 400);
    pane.show();
    addMissing({"a.mov"});
    pane.refreshNow();
    const QUuid id = model->sources().first().id;
    auto* row = qobject_cast<SourceRowView*>(pane.list()->rowWidget(id));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->property("rowId").toString(), id.toString(QUuid::WithoutBraces));

    child<QAbstractButton>(row, "included")->click();
    EXPECT_FALSE(model->sources().first().included);
    pane.refreshNow();
    child<KelpSegGroup>(row, "fixMode")->segment(1)->click();
    EXPECT_EQ(model->sources().first().fixMode, FixMode::manual);
    QMenu* rates = child<KelpMenuButton>(row, "frameRate")->menu();
    rates->actions()[2 + 2]->trigger();  // 25
    EXPECT_EQ(model->sources().first().rateOverride, kRate25);
    pane.refreshNow();
    EXPECT_EQ(child<KelpMenuButton>(row, "frameRate")->text(), "25");
    EXPECT_EQ(rates->actions().first()->text(), "Auto");
    rates->actions().first()->trigger();
    EXPECT_FALSE(model->sources().first().rateOverride);
    pane.refreshNow();
    auto* field = child<timecode::TimecodeField>(row, "timecodeField");
    emit field->componentsEdited(timecode::Timecode::Components{0, 1, 0, 0, 0, 0});
    EXPECT_EQ(model->sources().first().manualComponents->hours, 1);
    child<QAbstractButton>(row, "remove")->click();
    EXPECT_TRUE(model->sources().isEmpty());
}

TEST_P(PaneTest, RowWidgetsAndFocusSurviveUpdates) {
    SourceListPane pane(model.get());
    pane.resize(1300, 400);
    pane.show();
    QApplication::setActiveWindow(&pane);
    addMissing({"a.mov", "b.mov", "c.mov"});
    pane.refreshNow();
    const QUuid id = model->sources()[1].id;
    model->setFixMode(id, FixMode::manual);
    pane.refreshNow();
    QWidget* row = pane.list()->rowWidget(id);
    auto* field = child<timecode::TimecodeField>(row, "timecodeField");
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    for (int i = 0; i < 200; ++i) {
        model->setIncluded(model->sources()[0].id, i % 2);
        model->setTolerance(i % 10);
        if (i % 20 == 0) pane.refreshNow();
    }
    addMissing({"d.mov"});
    model->removeSource(model->sources()[0].id);
    pane.refreshNow();
    EXPECT_EQ(pane.list()->rowWidget(id), row);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(pane.list()->liveRowCount(), 3);
}

// The columns stay where they are while a timecode is typed: the blocking mark
// comes and goes in a place of its own.
TEST_P(PaneTest, RowColumnsStayPutWhenTheBlockingMarkComesAndGoes) {
    SourceRowView row(model.get(), QUuid::createUuid());
    row.resize(1200, SourceRowView::rowHeight);
    row.show();
    SourceItem manual = item("m.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0, 400))),
                             FixMode::manual);
    const auto places = [&] {
        QList<int> xs;
        for (const char* name : {"embedded", "creation", "mismatch", "fixMode", "manualTimecode", "frameRate"})
            xs << child<QWidget>(&row, name)->mapTo(&row, QPoint(0, 0)).x();
        return xs;
    };
    row.setItem(manual, 1);
    ASSERT_TRUE(child<QWidget>(&row, "blocking")->isVisibleTo(&row));
    const QList<int> blocked = places();
    manual.manualComponents = timecode::Timecode::Components{0, 10, 0, 0, 0, 0};
    row.setItem(manual, 1);
    ASSERT_FALSE(child<QWidget>(&row, "blocking")->isVisibleTo(&row));
    EXPECT_EQ(places(), blocked);
    // A reason given by the model (a failed enqueue) takes the same place.
    row.setItem(manual, 1, QStringLiteral("Output name is over 255 bytes — shorten the name pattern"));
    EXPECT_EQ(child<QWidget>(&row, "blocking")->toolTip(), "Output name is over 255 bytes — shorten the name pattern");
    EXPECT_EQ(places(), blocked);
}

// The new reasons a row can give: how the row looks with each, and the words.
TEST_P(PaneTest, RowsThatCanOnlyFailGallery) {
    QVBoxLayout* column = nullptr;
    auto sheet = makeSheet(&column);
    SourceItem skipped = item("skipped-label.mov", SourceItem::AnalysisState::done(analysis("00:59:59;29", at(1, 0, 0), kRate2997DF)),
                              FixMode::manual);
    skipped.manualComponents = timecode::Timecode::Components{0, 0, 1, 0, 0, 0};
    SourceItem::Analysis pal = analysis("10:00:00:00", at(10, 0, 0));
    pal.videoFrameRate = kRate25;
    SourceItem dropOnPal = item("pal-with-drop-frame.mov", SourceItem::AnalysisState::done(pal));
    dropOnPal.rateOverride = kRate2997DF;
    SourceItem unreadable = item("unreadable.mov", SourceItem::AnalysisState::failed("Movie reader init failed: Invalid data found when processing input"),
                                 FixMode::manual);
    unreadable.rateOverride = kRate25;
    unreadable.manualComponents = timecode::Timecode::Components{0, 10, 0, 0, 0, 0};
    SourceItem named = item("a-very-long-name.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0))));
    const std::pair<SourceItem, std::optional<QString>> rows[] = {
        {skipped, skipped.blockingReason()},
        {dropOnPal, dropOnPal.blockingReason()},
        {unreadable, unreadable.blockingReason()},
        {named, OutputNamer::errorDescription(OutputNamer::OutputNamerError::nameTooLong)},
    };
    for (const auto& [source, reason] : rows) {
        ASSERT_TRUE(reason) << source.url.fileName().toStdString();
        auto* row = new SourceRowView(model.get(), source.id, sheet.get());
        row->setItem(source, 1.0, reason);
        column->addWidget(row);
        // The words, as the mark's tooltip shows them, under the row.
        auto* words = new KelpLabel(*reason, Kelp::font(11), Role::warning, sheet.get());
        words->setContentsMargins(16, 0, 16, 6);
        column->addWidget(words, 0, Qt::AlignRight);
    }
    sheet->resize(1280, int(std::size(rows)) * (SourceRowView::rowHeight + 22));
    sheet->show();
    viewtest::saveGallery(sheet.get(), gallery("source-rows-blocked"));
}

TEST_P(PaneTest, RowGallery) {
    QVBoxLayout* column = nullptr;
    auto sheet = makeSheet(&column);
    SourceItem typed = item("manual-typed.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0))),
                            FixMode::manual);
    typed.manualComponents = timecode::Timecode::Components{0, 11, 22, 33, 4, 0};
    SourceItem excluded = item("excluded.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 5))));
    excluded.included = false;
    SourceItem overridden = item("override.mov", SourceItem::AnalysisState::done(analysis({}, at(10, 0, 0), std::nullopt)));
    overridden.rateOverride = kRate2997DF;
    const SourceItem rows[] = {
        item("A001_C002_0501XY.mov", SourceItem::AnalysisState::pending()),
        item("broken.mov", SourceItem::AnalysisState::failed("The file could not be read as a movie.")),
        item("within.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0, 400)))),
        item("drifted-by-an-hour-and-a-bit-with-a-very-long-name-indeed.mov",
             SourceItem::AnalysisState::done(analysis("10:00:00:00", at(11, 2, 5)))),
        item("no-timecode-track.mov", SourceItem::AnalysisState::done(analysis({}, at(9, 30, 0), std::nullopt))),
        item("no-date.mov", SourceItem::AnalysisState::done(analysis("01:00:00;00", {}, kRate2997DF))),
        item("manual-empty.mov", SourceItem::AnalysisState::done(analysis("10:00:00:00", at(10, 0, 0))), FixMode::manual),
        typed, excluded, overridden,
    };
    for (const SourceItem& source : rows) {
        auto* row = new SourceRowView(model.get(), source.id, sheet.get());
        row->setItem(source, 1.0);
        column->addWidget(row);
    }
    sheet->resize(1280, int(std::size(rows)) * SourceRowView::rowHeight);
    sheet->show();
    viewtest::saveGallery(sheet.get(), gallery("source-rows"));
}

}  // namespace
