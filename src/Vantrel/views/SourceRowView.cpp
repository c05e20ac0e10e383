#include "Vantrel/views/SourceRowView.h"

#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/PaneWidgets.h"

#include "TimecodeUI/TimecodeEnvironment.h"
#include "TimecodeUI/TimecodeField.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace vantrel {

using Palette::Role;

namespace {

// The typed timecode's colours, chosen so that invalid digits read at a contrast of
// at least 4.5:1 both on the sunken cell and on the focused component's accent
// tint: a solid accent fill under red digits would leave them unreadable.
QColor invalidDigits(bool dark) { return dark ? QColor(255, 140, 130) : QColor(153, 0, 0); }
QColor focusTint(bool dark) {
    QColor tint = Palette::color(Role::accent, dark);
    tint.setAlphaF(dark ? 0.3 : 0.25);
    return tint;
}

const QString kPlaceholder = QStringLiteral("––:––:––:––");

QString timecodeText(const std::optional<TimecodeModel>& model) {
    return model ? QString::fromStdString(model->tc.stringValue()) : QString();
}

// A label over a value, 92 wide.
QWidget* makeTimecodeCell(const QString& label, KelpLabel** value, QWidget* parent) {
    auto* cell = new QWidget(parent);
    cell->setFixedWidth(92);
    auto* column = new QVBoxLayout(cell);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* caption = new KelpLabel(label, Kelp::font(9, QFont::Bold), Role::textTertiary, cell);
    caption->setLetterSpacing(0.5);
    column->addWidget(caption);
    *value = new KelpLabel(kPlaceholder, Kelp::digitsFont(12, QFont::Medium), Role::textTertiary, cell);
    column->addWidget(*value);
    return cell;
}

}  // namespace

// ---- ManualTimecodeCell ----

ManualTimecodeCell::ManualTimecodeCell(QWidget* parent) : QWidget(parent), field_(new timecode::TimecodeField(this)) {
    setObjectName(QStringLiteral("manualTimecode"));
    field_->setObjectName(QStringLiteral("timecodeField"));
    field_->setAccessibleName(tr("Start timecode"));
    field_->setFont(Kelp::digitsFont(12, QFont::Medium));
    timecode::timecodeFieldInputStyle(field_, timecode::field::InputStyle::autoAdvance);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 0, 8, 0);
    row->addWidget(field_, 0, Qt::AlignVCenter);
    setFixedHeight(24);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setRate(timecode::TimecodeFrameRate::fps25);
    connect(field_, &timecode::TimecodeField::componentsEdited, this, &ManualTimecodeCell::componentsEdited);
    recolor();
}

void ManualTimecodeCell::setComponents(const std::optional<timecode::Timecode::Components>& components) {
    const auto shown = components.value_or(timecode::Timecode::Components::zero());
    if (!(field_->components() == shown)) field_->setComponents(shown);
    if (typed_ != components.has_value()) {
        typed_ = components.has_value();
        recolor();
    }
}

void ManualTimecodeCell::setRate(timecode::TimecodeFrameRate rate) {
    const timecode::Timecode::Properties properties(rate, timecode::SubFramesBase::max100SubFrames,
                                                    timecode::UpperLimit::max24Hours);
    if (!(field_->properties() == properties)) field_->setProperties(properties);
}

void ManualTimecodeCell::setResolved(bool resolved) {
    if (resolved == resolved_) return;
    resolved_ = resolved;
    update();
}

void ManualTimecodeCell::recolor() {
    const bool dark = Palette::isDark(this);
    QPalette palette = field_->palette();
    palette.setColor(QPalette::WindowText, Palette::color(typed_ ? Role::textPrimary : Role::textTertiary, dark));
    // The focused component: the accent tint, its digits in the primary colour.
    palette.setColor(QPalette::Highlight, focusTint(dark));
    palette.setColor(QPalette::HighlightedText, Palette::color(Role::textPrimary, dark));
    field_->setPalette(palette);
    if (dark != invalidDark_) {
        invalidDark_ = dark;
        timecode::timecodeValidationStyle(field_, QBrush(invalidDigits(dark)));
    }
}

void ManualTimecodeCell::mousePressEvent(QMouseEvent* event) {
    // The padding around the field belongs to it: a click there focuses the
    // nearest component, as a click on the field does.
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    field_->setFocusedComponent(field_->componentNearest(field_->mapFrom(this, event->position())));
    event->accept();
}

void ManualTimecodeCell::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) recolor();
}

void ManualTimecodeCell::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    Kelp::fillRounded(p, rect(), 6, Palette::shadow(0.3, dark));
    QColor border = Palette::color(Role::danger, dark);
    border.setAlphaF(0.6);
    Kelp::strokeRoundedInside(p, rect(), 6, 1, resolved_ ? Palette::color(Role::hairline, dark) : border);
}

// ---- SourceRowView ----

const QList<FrameRate>& SourceRowView::menuRates() {
    static const QList<FrameRate> rates = {
        {24000, 1001, 24, false}, {24, 1, 24, false},       {25, 1, 25, false},       {30000, 1001, 30, false},
        {30000, 1001, 30, true},  {30, 1, 30, false},       {50, 1, 50, false},       {60000, 1001, 60, false},
        {60000, 1001, 60, true},  {60, 1, 60, false},
    };
    return rates;
}

QString SourceRowView::mismatchDeltaText(double delta) {
    const QString sign = delta < 0 ? QStringLiteral("\u2212") : QStringLiteral("+");
    const double a = std::fabs(delta);
    if (!std::isfinite(a)) return sign + QStringLiteral("∞");
    if (a < 60) return sign + QString::asprintf("%.1f", a) + QLatin1Char('s');
    const long long s = std::llround(a);
    const long long minutes = (s % 3600) / 60, seconds = s % 60;
    if (s >= 3600) return sign + QString::asprintf("%lld:%02lld:%02lld", s / 3600, minutes, seconds);
    return sign + QString::asprintf("%lld:%02lld", minutes, seconds);
}

QString SourceRowView::mismatchHelp(double tolerance, bool flagged) {
    if (!flagged) return tr("Within tolerance");
    // One decimal, without a trailing ".0": ±1s, ±0.5s.
    QString value = QString::number(tolerance, 'f', 1);
    if (value.endsWith(QStringLiteral(".0"))) value.chop(2);
    return tr("Time-of-day mismatch beyond ±%1s").arg(value);
}

QString SourceRowView::captionText(const SourceItem& item) {
    switch (item.analysis.kind()) {
    case SourceItem::AnalysisState::Kind::pending:
    case SourceItem::AnalysisState::Kind::analyzing: return tr("Reading…");
    case SourceItem::AnalysisState::Kind::failed: return item.analysis.failureMessage();
    case SourceItem::AnalysisState::Kind::done: break;
    }
    QStringList parts;
    if (const auto rate = item.effectiveRate()) parts << rate->displayText() + QStringLiteral(" fps");
    switch (item.analysis.analysis()->creationSource) {
    case VideoMetadataReader::Source::quickTimeAtom: parts << tr("creation: QuickTime atom"); break;
    case VideoMetadataReader::Source::filesystem: parts << tr("creation: file date"); break;
    case VideoMetadataReader::Source::none: parts << tr("no creation date"); break;
    }
    return parts.join(QStringLiteral(" · "));
}

QString SourceRowView::autoRateTitle(const SourceItem& item) {
    const auto* analysis = item.analysis.analysis();
    if (!item.rateOverride && analysis && analysis->detectedRate)
        return tr("Auto") + QStringLiteral(" (") + analysis->detectedRate->displayText() + QLatin1Char(')');
    return tr("Auto");
}

SourceRowView::SourceRowView(AppModel* model, const QUuid& id, QWidget* parent)
    : QWidget(parent), model_(model), id_(id) {
    setObjectName(QStringLiteral("sourceRow"));
    setFixedHeight(rowHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 9, 16, 9);
    row->setSpacing(14);

    included_ = new KelpCheckbox(true, this);
    included_->setObjectName(QStringLiteral("included"));
    included_->setAccessibleName(tr("Include"));
    connect(included_, &QAbstractButton::clicked, this, [this] { model_->setIncluded(id_, !item_.included); });
    row->addWidget(included_);

    QWidget* names = makeNameBlock(180, Kelp::font(11), &name_, &caption_, QStringLiteral("caption"), this);
    caption_->setElideMode(Qt::ElideRight);
    row->addWidget(names, 1);

    status_ = new QWidget(this);
    status_->setFixedWidth(300);
    auto* statusRow = new QHBoxLayout(status_);
    statusRow->setContentsMargins(0, 0, 0, 0);
    spinner_ = new KelpSpinner(16, status_);
    spinner_->setObjectName(QStringLiteral("spinner"));
    unreadable_ = new SymbolText(QStringLiteral("exclamationmark.triangle.fill"), tr("Unreadable"),
                                 Kelp::font(11, QFont::Medium), Role::danger, status_);
    unreadable_->setObjectName(QStringLiteral("unreadable"));
    readouts_ = new QWidget(status_);
    auto* readoutRow = new QHBoxLayout(readouts_);
    readoutRow->setContentsMargins(0, 0, 0, 0);
    readoutRow->setSpacing(16);
    readoutRow->addWidget(makeTimecodeCell(QStringLiteral("EMBEDDED"), &embedded_, readouts_));
    readoutRow->addWidget(makeTimecodeCell(QStringLiteral("CREATION"), &creation_, readouts_));
    embedded_->setObjectName(QStringLiteral("embedded"));
    creation_->setObjectName(QStringLiteral("creation"));
    mismatch_ = new KelpCapsule({Kelp::digitsFont(11, QFont::DemiBold), 0, 7, 3, 0.14, 0}, readouts_);
    mismatch_->setObjectName(QStringLiteral("mismatch"));
    readoutRow->addWidget(mismatch_);
    readoutRow->addStretch(1);
    statusRow->addWidget(spinner_, 0, Qt::AlignCenter);
    statusRow->addWidget(unreadable_, 0, Qt::AlignLeft | Qt::AlignVCenter);
    statusRow->addWidget(readouts_, 1);
    row->addWidget(status_);

    fixMode_ = new KelpSegGroup({{tr("Creation"), [this] { model_->setFixMode(id_, FixMode::creationTime); }},
                                 {tr("Manual"), [this] { model_->setFixMode(id_, FixMode::manual); }}},
                                tr("Creation"), this);
    fixMode_->setObjectName(QStringLiteral("fixMode"));
    row->addWidget(fixMode_);

    manual_ = new ManualTimecodeCell(this);
    connect(manual_, &ManualTimecodeCell::componentsEdited, this,
            [this](const timecode::TimecodeComponents& components) { model_->setManualComponents(id_, components); });
    row->addWidget(manual_);

    // Wide enough for "Auto (29.97 DF)" in the wider Linux system fonts.
    rate_ = new KelpMenuButton(Kelp::font(11, QFont::Medium), 108, this);
    rate_->setObjectName(QStringLiteral("frameRate"));
    rate_->setToolTip(tr("Frame rate"));
    row->addWidget(rate_);

    blocking_ = new SymbolText(QStringLiteral("exclamationmark.circle.fill"), {}, Kelp::font(12), Role::warning, this);
    blocking_->setObjectName(QStringLiteral("blocking"));
    blocking_->setSymbolSize(14);
    // The mark keeps its place while hidden, so the columns before it stay put
    // when it comes and goes (as it does while a timecode is typed).
    QSizePolicy keep = blocking_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    blocking_->setSizePolicy(keep);
    row->addWidget(blocking_);

    remove_ = new KelpIconButton(QStringLiteral("xmark"), this);
    remove_->setObjectName(QStringLiteral("remove"));
    remove_->setToolTip(tr("Remove from list"));
    connect(remove_, &QAbstractButton::clicked, this, [this] { model_->removeSource(id_); });
    row->addWidget(remove_);
}

void SourceRowView::rebuildRateMenu(const QString& autoTitle) {
    if (autoTitle == rateMenuAuto_ && !rate_->menu()->isEmpty()) return;
    rateMenuAuto_ = autoTitle;
    QMenu* menu = rate_->menu();
    menu->clear();
    menu->addAction(autoTitle, this, [this] { model_->setRateOverride(id_, std::nullopt); });
    menu->addSeparator();
    for (const FrameRate& rate : menuRates())
        menu->addAction(rate.displayText(), this, [this, rate] { model_->setRateOverride(id_, rate); });
}

void SourceRowView::setItem(const SourceItem& item, double tolerance) {
    setItem(item, tolerance, item.blockingReason());
}

void SourceRowView::setItem(const SourceItem& item, double tolerance, const std::optional<QString>& blockingReason) {
    item_ = item;
    using Kind = SourceItem::AnalysisState::Kind;
    const Kind kind = item.analysis.kind();

    included_->setOn(item.included);
    name_->setText(item.url.fileName());
    caption_->setText(captionText(item));

    spinner_->setVisible(kind == Kind::pending || kind == Kind::analyzing);
    unreadable_->setVisible(kind == Kind::failed);
    readouts_->setVisible(kind == Kind::done);
    if (const auto* analysis = item.analysis.analysis()) {
        const QString embedded = timecodeText(analysis->embeddedTimecode);
        embedded_->setText(embedded.isEmpty() ? kPlaceholder : embedded);
        embedded_->setRole(embedded.isEmpty() ? Role::textTertiary : Role::textPrimary);
        const QString creation = timecodeText(item.creationTimecode());
        creation_->setText(creation.isEmpty() ? kPlaceholder : creation);
        creation_->setRole(creation.isEmpty() ? Role::textTertiary : Role::textPrimary);
    }
    const auto mismatch = item.timeOfDayMismatch(tolerance);
    mismatch_->setVisible(mismatch.has_value());
    if (mismatch) {
        const bool flagged = std::fabs(mismatch->delta) > mismatch->tolerance;
        mismatch_->set({}, mismatchDeltaText(mismatch->delta), flagged ? Role::danger : Role::success);
        mismatch_->setToolTip(mismatchHelp(tolerance, flagged));
    }

    fixMode_->setActiveLabel(item.fixMode == FixMode::creationTime ? tr("Creation") : tr("Manual"));

    const bool manual = item.fixMode == FixMode::manual;
    manual_->setVisible(manual);
    const auto effective = item.effectiveRate();
    const auto fieldRate = effective ? effective->timecodeFrameRate() : std::nullopt;
    manual_->setRate(fieldRate.value_or(timecode::TimecodeFrameRate::fps25));
    manual_->setComponents(item.manualComponents);
    const auto start = item.resolvedStartTimecode();
    manual_->setResolved(start && start->tc.isValid());

    const QString autoTitle = autoRateTitle(item);
    rate_->setText(item.rateOverride ? item.rateOverride->displayText() : autoTitle);
    rebuildRateMenu(autoTitle);

    blocking_->setVisible(blockingReason.has_value());
    blocking_->setToolTip(blockingReason.value_or(QString()));

    readouts_->layout()->activate();
    layout()->activate();
    if (item.included) {
        if (graphicsEffect()) setGraphicsEffect(nullptr);
    } else if (!graphicsEffect()) {
        auto* dim = new QGraphicsOpacityEffect(this);
        dim->setOpacity(0.5);
        setGraphicsEffect(dim);
    }
}

void SourceRowView::paintEvent(QPaintEvent*) {
    paintEdgeLine(this, Palette::color(Role::hairline, Palette::isDark(this)), true);
}

}  // namespace vantrel
