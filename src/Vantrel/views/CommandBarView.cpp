#include "Vantrel/views/CommandBarView.h"

#include "Vantrel/model/AppModel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>

#include <algorithm>

namespace vantrel {

using Palette::Role;

namespace {

// The bar's spacing, its side margins and the gap between a caption and its
// control, by density: as designed, then tight.
struct Spacing {
    int between, margin, caption;
};
constexpr Spacing regularSpacing{12, 16, 6};
constexpr Spacing tightSpacing{6, 12, 4};

}  // namespace

// ---- KelpTextField ----

KelpTextField::KelpTextField(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
    setFixedSize(122, 26);
    edit_->setFrame(false);
    edit_->setFont(Kelp::font(12, QFont::Medium));
    edit_->setGeometry(8, 0, 122 - 16, 26);
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    recolor();
}

void KelpTextField::recolor() {
    const bool dark = Palette::isDark(this);
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Palette::color(Role::textPrimary, dark));
    palette.setColor(QPalette::PlaceholderText, Palette::color(Role::textTertiary, dark));
    edit_->setPalette(palette);
}

void KelpTextField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) recolor();
}

void KelpTextField::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    Kelp::fillRounded(p, rect(), 6, Palette::shadow(0.3, dark));
    Kelp::strokeRoundedInside(p, rect(), 6, 1, Palette::color(Role::hairline, dark));
}

// ---- CommandBarView ----

// A caption in front of its control.
QWidget* CommandBarView::addGroup(const QString& label, QWidget* control) {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(regularSpacing.caption);
    auto* caption = new KelpLabel(label, Kelp::font(10, QFont::Bold), Role::textTertiary, box);
    caption->setLetterSpacing(0.5);
    caption->setElideMode(Qt::ElideNone);
    row->addWidget(caption);
    control->setParent(box);
    row->addWidget(control);
    groups_.append({caption, control, row});
    return box;
}

QString CommandBarView::enqueueTitle(int readyCount) {
    return readyCount < 1 ? tr("Add to Queue") : tr("Add %1 to Queue").arg(readyCount);
}

QString CommandBarView::tierName(VerifyTier tier) {
    switch (tier) {
    case VerifyTier::off: return tr("Off");
    case VerifyTier::standard: return tr("Standard");
    case VerifyTier::thorough: return tr("Thorough");
    }
    return {};
}

CommandBarView::CommandBarView(AppModel* model, QWidget* parent)
    : QWidget(parent), model_(model), refresher_(this, [this] { refresh(); }) {
    setObjectName(QStringLiteral("CommandBarView"));
    setFixedHeight(52);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(regularSpacing.margin, 0, regularSpacing.margin, 0);
    row->setSpacing(regularSpacing.between);

    folder_ = new KelpPathWell(QStringLiteral("folder"), std::nullopt, tr("Choose output folder…"), 30, 190, this);
    folder_->setObjectName(QStringLiteral("outputFolder"));
    connect(folder_, &KelpPathWell::choose, model_, &AppModel::chooseOutputFolder);
    row->addWidget(folder_, 1);

    pattern_ = new KelpTextField;
    pattern_->setObjectName(QStringLiteral("namingPattern"));
    pattern_->edit()->setPlaceholderText(tr("{name}_TC"));
    pattern_->setToolTip(tr("Output filename pattern. Tokens: {name} (source name), {tc} (timecode), {date}. "
                            "Extension is forced to .mov."));
    connect(pattern_->edit(), &QLineEdit::textEdited, model_, &AppModel::setNamingPattern);
    row->addWidget(addGroup(QStringLiteral("NAME"), pattern_));

    fixMode_ = new KelpSegGroup({{tr("Creation"), [this] { model_->setDefaultFixMode(FixMode::creationTime); }},
                                 {tr("Manual"), [this] { model_->setDefaultFixMode(FixMode::manual); }}},
                                std::nullopt);
    fixMode_->setObjectName(QStringLiteral("fixMode"));
    row->addWidget(addGroup(QStringLiteral("FIX"), fixMode_));

    tier_ = new KelpMenuButton(Kelp::font(12, QFont::Medium), 100);
    tier_->setObjectName(QStringLiteral("verifyTier"));
    for (VerifyTier tier : allVerifyTiers)
        tier_->menu()->addAction(tierName(tier), this, [this, tier] { model_->setVerifyTier(tier); });
    row->addWidget(addGroup(QStringLiteral("VERIFY"), tier_));

    auto* stepper = new QWidget;
    stepper->setToolTip(
        tr("Mismatch tolerance: a row is flagged when its time-of-day Δ exceeds this many seconds."));
    auto* stepRow = new QHBoxLayout(stepper);
    stepRow->setContentsMargins(0, 0, 0, 0);
    stepRow->setSpacing(4);
    auto* minus = new KelpIconButton(QStringLiteral("minus"), stepper);
    minus->setObjectName(QStringLiteral("toleranceMinus"));
    minus->setAccessibleName(tr("Decrease tolerance"));
    connect(minus, &QAbstractButton::clicked, this, [this] { stepTolerance(-0.5); });
    tolerance_ = new KelpLabel({}, Kelp::digitsFont(12, QFont::Medium), Role::textPrimary, stepper);
    tolerance_->setObjectName(QStringLiteral("tolerance"));
    tolerance_->setFixedWidth(38);
    tolerance_->setAlignment(Qt::AlignCenter);
    tolerance_->setElideMode(Qt::ElideNone);
    auto* plus = new KelpIconButton(QStringLiteral("plus"), stepper);
    plus->setObjectName(QStringLiteral("tolerancePlus"));
    plus->setAccessibleName(tr("Increase tolerance"));
    connect(plus, &QAbstractButton::clicked, this, [this] { stepTolerance(0.5); });
    stepRow->addWidget(minus);
    stepRow->addWidget(tolerance_);
    stepRow->addWidget(plus);
    row->addWidget(addGroup(QStringLiteral("±TOL"), stepper));

    row->addStretch(0);

    enqueue_ = new KelpButton(enqueueTitle(0), {KelpButtonStyle::Kind::primary, true}, this);
    enqueue_->setObjectName(QStringLiteral("enqueue"));
    connect(enqueue_, &QAbstractButton::clicked, model_, [this] { model_->enqueueReadyRows(); });
    row->addWidget(enqueue_);

    for (auto signal : {&AppModel::sourcesChanged, &AppModel::outputFolderChanged, &AppModel::defaultFixModeChanged,
                        &AppModel::verifyTierChanged, &AppModel::namingPatternChanged, &AppModel::toleranceChanged})
        connect(model_, signal, this, [this] { refresher_.schedule(); });
    refresh();
}

void CommandBarView::stepTolerance(double step) {
    model_->setTolerance(std::clamp(model_->tolerance() + step, 0.0, 60.0));
    refresh();
}

void CommandBarView::refresh() {
    const auto& folder = model_->outputFolder();
    folder_->setPath(folder ? std::optional<QString>(folder->toLocalFile()) : std::nullopt);
    if (pattern_->edit()->text() != model_->namingPattern()) pattern_->edit()->setText(model_->namingPattern());
    fixMode_->setActiveLabel(model_->defaultFixMode() == FixMode::creationTime ? tr("Creation") : tr("Manual"));
    tier_->setText(tierName(model_->verifyTier()));
    tolerance_->setText(QString::asprintf("%.1fs", model_->tolerance()));
    enqueue_->setText(enqueueTitle(model_->readyCount()));
    enqueue_->updateGeometry();
    enqueue_->setEnabled(model_->canEnqueue());
    enqueue_->setToolTip(folder ? tr("Add ready rows to the queue") : tr("Choose an output folder first"));
    fitToWidth();  // the enqueue title's width follows the count
}

void CommandBarView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitToWidth();
}

void CommandBarView::fitToWidth() {
    Density fitting = Density::noCaptions;
    for (const Density density : {Density::regular, Density::tight, Density::fewCaptions}) {
        if (neededWidth(density) <= width()) {
            fitting = density;
            break;
        }
    }
    if (fitting != density_) applyDensity(fitting);
    // Laid out at once (nothing is done when nothing changed): a change made
    // while the bar is being resized would otherwise wait for the next request.
    layout()->activate();
}

namespace {

bool showsCaption(CommandBarView::Density density, int group) {
    const bool speaksForItself = group < 2;  // NAME and FIX
    return density == CommandBarView::Density::regular || density == CommandBarView::Density::tight ||
           (density == CommandBarView::Density::fewCaptions && !speaksForItself);
}

}  // namespace

void CommandBarView::applyDensity(Density density) {
    density_ = density;
    const Spacing spacing = density == Density::regular ? regularSpacing : tightSpacing;
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->setContentsMargins(spacing.margin, 0, spacing.margin, 0);
    row->setSpacing(spacing.between);
    for (int i = 0; i < groups_.size(); ++i) {
        groups_[i].caption->setVisible(showsCaption(density, i));
        groups_[i].row->setSpacing(spacing.caption);
    }
}

// The width the bar needs at a density for every control at its preferred width
// and the output folder's placeholder whole.
int CommandBarView::neededWidth(Density density) const {
    // Fixed-size controls give no size hint: their minimum is their width.
    const auto preferred = [](const QWidget* w) {
        return std::max({w->sizeHint().width(), w->minimumSizeHint().width(), w->minimumWidth()});
    };
    const Spacing spacing = density == Density::regular ? regularSpacing : tightSpacing;
    int needed = 2 * spacing.margin + folder_->widthShowingPlaceholder() + preferred(enqueue_) +
                 spacing.between * int(groups_.size() + 1);
    for (int i = 0; i < groups_.size(); ++i) {
        needed += preferred(groups_[i].control);
        if (showsCaption(density, i)) needed += preferred(groups_[i].caption) + spacing.caption;
    }
    return needed;
}

void CommandBarView::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    p.fillRect(rect(), Palette::color(Role::barBackground, dark));
    p.fillRect(QRect(0, height() - 1, width(), 1), Palette::color(Role::barDivider, dark));
}

}  // namespace vantrel
