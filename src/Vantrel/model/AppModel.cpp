#include "Vantrel/model/AppModel.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

AppModel::AppModel(CorrectionQueue* queue, QObject* parent) : QObject(parent), queue_(queue) {
    Q_ASSERT(queue_);
    queue_->setParent(this);
}

// The readers are members, so they finish the reads already handed to them while
// the model still exists; their results then arrive as events that die with it.
AppModel::~AppModel() = default;

// --- Settings ---------------------------------------------------------------

void AppModel::setOutputFolder(const std::optional<QUrl>& folder) {
    if (folder == outputFolder_) return;
    outputFolder_ = folder;
    emit outputFolderChanged();
    forgetEnqueueFailures();
}

void AppModel::setDefaultFixMode(FixMode mode) {
    const bool changed = mode != defaultFixMode_;
    defaultFixMode_ = mode;
    if (changed) emit defaultFixModeChanged();
    // Every row follows the default, including rows switched by hand.
    enqueueFailures_.clear();
    for (qsizetype i = 0; i < sources_.size(); ++i) {
        sources_[i].fixMode = defaultFixMode_;
        emit sourcesChanged();
    }
}

void AppModel::setVerifyTier(VerifyTier tier) {
    if (tier == verifyTier_) return;
    verifyTier_ = tier;
    emit verifyTierChanged();
}

void AppModel::setNamingPattern(const QString& pattern) {
    if (pattern == namingPattern_) return;
    namingPattern_ = pattern;
    emit namingPatternChanged();
    forgetEnqueueFailures();
}

const QString& AppModel::defaultNamingPattern() {
    static const QString pattern = QStringLiteral("{name}_TC");
    return pattern;
}

QString AppModel::effectiveNamingPattern() const {
    return namingPattern_.isEmpty() ? defaultNamingPattern() : namingPattern_;
}

// The failures were about output names that a new pattern or folder may fix.
void AppModel::forgetEnqueueFailures() {
    if (enqueueFailures_.isEmpty()) return;
    enqueueFailures_.clear();
    emit sourcesChanged();
}

void AppModel::setTolerance(double seconds) {
    if (seconds == tolerance_) return;
    tolerance_ = seconds;
    emit toleranceChanged();
}

// --- Rows -------------------------------------------------------------------

std::optional<qsizetype> AppModel::indexOfSource(const QUuid& id) const {
    for (qsizetype i = 0; i < sources_.size(); ++i) {
        if (sources_[i].id == id) return i;
    }
    return std::nullopt;
}

void AppModel::removeSource(const QUuid& id) {
    const qsizetype removed = sources_.removeIf([&](const SourceItem& row) { return row.id == id; });
    enqueueFailures_.remove(id);
    if (removed > 0) emit sourcesChanged();
}

void AppModel::clearSources() {
    if (skippedFiles_ != 0) {
        skippedFiles_ = 0;
        emit skippedFilesChanged();
    }
    if (sources_.isEmpty()) return;
    sources_.clear();
    enqueueFailures_.clear();
    emit sourcesChanged();
}

void AppModel::setIncluded(const QUuid& id, bool included) {
    updateSource(id, [&](SourceItem& row) { row.included = included; });
}

void AppModel::setFixMode(const QUuid& id, FixMode mode) {
    updateSource(id, [&](SourceItem& row) { row.fixMode = mode; });
}

void AppModel::setManualComponents(const QUuid& id,
                                   const std::optional<timecode::Timecode::Components>& components) {
    updateSource(id, [&](SourceItem& row) { row.manualComponents = components; });
}

void AppModel::setRateOverride(const QUuid& id, const std::optional<FrameRate>& rate) {
    updateSource(id, [&](SourceItem& row) { row.rateOverride = rate; });
}

// --- Derived counts -----------------------------------------------------------

bool AppModel::isReady(const SourceItem& row) { return row.isReady(); }

bool AppModel::isQueueable(const SourceItem& row) const { return row.isReady() && !enqueueFailures_.contains(row.id); }

std::optional<QString> AppModel::blockingReason(const SourceItem& row) const {
    if (auto reason = row.blockingReason()) return reason;
    if (!row.included) return std::nullopt;
    const auto failure = enqueueFailures_.constFind(row.id);
    if (failure != enqueueFailures_.cend()) return *failure;
    return std::nullopt;
}

int AppModel::readyCount() const {
    return int(std::count_if(sources_.cbegin(), sources_.cend(), [this](const SourceItem& row) { return isQueueable(row); }));
}

bool AppModel::canEnqueue() const { return outputFolder_.has_value() && readyCount() != 0; }

int AppModel::mismatchedSources() const {
    return int(std::count_if(sources_.cbegin(), sources_.cend(), [this](const SourceItem& row) {
        const auto mismatch = row.timeOfDayMismatch(tolerance_);
        return mismatch && std::abs(mismatch->delta) > tolerance_;
    }));
}

}  // namespace vantrel
