#include "Vantrel/views/FooterBar.h"

#include "Vantrel/queue/CorrectionQueue.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace vantrel {

using Palette::Role;

namespace {

// Longer than any run could take: such an estimate is not shown.
constexpr double longestShownDuration = 100.0 * 24 * 3600;

struct CounterKind {
    const char* word;
    Role count;
    bool always;
};
const CounterKind kCounters[] = {{"queued", Role::textSecondary, true},
                                 {"done", Role::success, true},
                                 {"flagged", Role::warning, false},
                                 {"failed", Role::danger, false},
                                 {"cancelled", Role::textTertiary, false}};

QList<int> counts(const CorrectionQueue& queue) {
    return {queue.pendingCount(), queue.doneCount(), queue.flaggedCount(), queue.failedCount(),
            queue.cancelledCount()};
}

}  // namespace

QString FooterBar::durationText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > longestShownDuration) return {};
    const long long s = std::llround(seconds);
    if (s <= 59) return QStringLiteral("%1 sec").arg(std::max(s, 1LL));
    if (s >= 3600) {
        const long long h = s / 3600, m = s / 60 - 60 * h;
        return m == 0 ? QStringLiteral("%1 hr").arg(h) : QStringLiteral("%1 hr %2 min").arg(h).arg(m);
    }
    return QStringLiteral("%1 min").arg(s / 60);
}

QList<KelpBarSegment> FooterBar::progressSegments(const CorrectionQueue& queue, bool dark) {
    QList<KelpBarSegment> segments;
    const double total = double(queue.jobs().size());
    if (total == 0) return segments;
    const QList<int> n = counts(queue);
    for (int i = 1; i < n.size(); ++i)
        if (n[i] >= 1) segments.append({n[i] / total, Palette::color(kCounters[i].count, dark)});
    if (queue.isProcessing())
        if (const auto active = queue.activeJob())
            segments.append({active->progress / total, Palette::color(Role::accent, dark)});
    return segments;
}

FooterBar::FooterBar(CorrectionQueue* queue, bool showConsole, QWidget* parent)
    : QWidget(parent), queue_(queue), showConsole_(showConsole), refresher_(this, [this] { refresh(); }) {
    setObjectName(QStringLiteral("FooterBar"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    strip_ = new QWidget(this);
    auto* stripRow = new QHBoxLayout(strip_);
    stripRow->setContentsMargins(16, 6, 16, 0);
    bar_ = new KelpSegmentedBar({}, 5, strip_);
    bar_->setObjectName(QStringLiteral("progressStrip"));
    stripRow->addWidget(bar_);
    column->addWidget(strip_);

    auto* controls = new QWidget(this);
    controls->setFixedHeight(48);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(16);

    console_ = new KelpIconButton(QStringLiteral("apple.terminal"), controls);
    console_->setObjectName(QStringLiteral("consoleToggle"));
    connect(console_, &QAbstractButton::clicked, this, [this] { setShowConsole(!showConsole_); });
    row->addWidget(console_);

    auto* counterBox = new QWidget(controls);
    auto* counterRow = new QHBoxLayout(counterBox);
    counterRow->setContentsMargins(0, 0, 0, 0);
    counterRow->setSpacing(14);
    for (const CounterKind& kind : kCounters) {
        auto* box = new QWidget(counterBox);
        box->setObjectName(QString::fromLatin1(kind.word));
        auto* pair = new QHBoxLayout(box);
        pair->setContentsMargins(0, 0, 0, 0);
        pair->setSpacing(5);
        auto* count = new KelpLabel(QStringLiteral("0"), Kelp::digitsFont(13, QFont::DemiBold), kind.count, box);
        count->setObjectName(QStringLiteral("count"));
        count->setElideMode(Qt::ElideNone);
        auto* word = new KelpLabel(tr(kind.word), Kelp::font(11), Role::textTertiary, box);
        word->setElideMode(Qt::ElideNone);
        pair->addWidget(count);
        pair->addWidget(word);
        counterRow->addWidget(box);
        counters_.append({box, count});
    }
    row->addWidget(counterBox);

    missingTool_ = new SymbolText(QStringLiteral("exclamationmark.triangle.fill"), tr("FFmpeg not found"),
                                  Kelp::font(11, QFont::Medium), Role::danger, controls);
    missingTool_->setObjectName(QStringLiteral("missingTool"));
    row->addWidget(missingTool_);
    persistence_ = new SymbolText(QStringLiteral("externaldrive.badge.exclamationmark"), {}, Kelp::font(11),
                                  Role::warning, controls);
    persistence_->setObjectName(QStringLiteral("persistenceError"));
    persistence_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    persistence_->setMinimumWidth(40);
    row->addWidget(persistence_, 1);
    row->addStretch(0);

    timeLeft_ = new KelpLabel({}, Kelp::digitsFont(12), Role::textSecondary, controls);
    timeLeft_->setObjectName(QStringLiteral("timeLeft"));
    timeLeft_->setElideMode(Qt::ElideNone);
    row->addWidget(timeLeft_);
    stop_ = new KelpButton(tr("Stop"), {KelpButtonStyle::Kind::stop, true}, controls);
    stop_->setObjectName(QStringLiteral("stop"));
    stop_->setToolTip(tr("Cancel the running job and everything still queued"));
    connect(stop_, &QAbstractButton::clicked, queue_, &CorrectionQueue::stop);
    row->addWidget(stop_);
    start_ = new KelpButton(tr("Start"), {KelpButtonStyle::Kind::primary, true}, controls);
    start_->setObjectName(QStringLiteral("start"));
    connect(start_, &QAbstractButton::clicked, queue_, &CorrectionQueue::start);
    row->addWidget(start_);
    column->addWidget(controls);

    ticker_.setInterval(1000);
    connect(&ticker_, &QTimer::timeout, this, &FooterBar::tick);
    // Everything the footer shows is kept counted by the queue, so a refresh costs
    // the same however many jobs there are.
    connect(queue_, &CorrectionQueue::jobsChanged, this, [this] { refresher_.schedule(); });
    connect(queue_, &CorrectionQueue::jobChanged, this, [this] { refresher_.schedule(); });
    connect(queue_, &CorrectionQueue::processingChanged, this, [this] { refresher_.schedule(); });
    connect(queue_, &CorrectionQueue::persistenceErrorChanged, this, [this] { refresher_.schedule(); });
    connect(queue_, &CorrectionQueue::verificationStateChanged, this, [this] { refresher_.schedule(); });
    refresh();
}

void FooterBar::setShowConsole(bool show) {
    if (show == showConsole_) return;
    showConsole_ = show;
    refresh();
    emit showConsoleChanged(show);
}

void FooterBar::refresh() {
    const bool dark = Palette::isDark(this);
    strip_->setVisible(!queue_->jobs().isEmpty());
    bar_->setSegments(progressSegments(*queue_, dark));

    QColor backdrop = Palette::color(Role::accent, dark);
    backdrop.setAlphaF(0.18);
    console_->setBackdrop(showConsole_ ? backdrop : QColor());
    console_->setToolTip(showConsole_ ? tr("Hide console") : tr("Show console"));

    const QList<int> n = counts(*queue_);
    for (int i = 0; i < counters_.size(); ++i) {
        counters_[i].count->setText(QString::number(n[i]));
        counters_[i].box->setVisible(kCounters[i].always || n[i] >= 1);
    }

    const bool available = queue_->runner() && queue_->runner()->isAvailable();
    missingTool_->setVisible(!available);
    const auto& error = queue_->persistenceError();
    persistence_->setVisible(error.has_value());
    persistence_->setText(error.value_or(QString()));
    persistence_->setToolTip(error.value_or(QString()));

    const bool processing = queue_->isProcessing();
    stop_->setVisible(processing);
    start_->setText(processing ? tr("Running…") : tr("Start"));
    const bool canStart = !processing && queue_->pendingCount() >= 1 && available;
    start_->setEnabled(canStart);
    start_->setToolTip(canStart ? tr("Run the queue") : tr("Nothing to run"));
    start_->updateGeometry();

    // The estimate ticks once a second, only while a run is under way, and
    // follows every change of the queue at once (a job that began moving).
    if (processing) {
        if (!ticker_.isActive()) ticker_.start();
        tick();
    } else if (ticker_.isActive()) {
        ticker_.stop();
    }
    if (!processing) timeLeft_->setVisible(false);
    update();
}

void FooterBar::tick() {
    const auto remaining = queue_->estimatedTimeRemaining();
    const QString text = remaining ? durationText(*remaining) : QString();
    timeLeft_->setText(text.isEmpty() ? QString() : QStringLiteral("~") + text + tr(" left"));
    timeLeft_->setVisible(!text.isEmpty());
}

void FooterBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The strip's segments carry colours of the appearance they were made in.
    if (event->type() == QEvent::PaletteChange && start_) refresh();
}

void FooterBar::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    p.fillRect(rect(), Palette::color(Role::barBackground, dark));
    p.fillRect(QRect(0, 0, width(), 1), Palette::color(Role::barDivider, dark));
}

}  // namespace vantrel
