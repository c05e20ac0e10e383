#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace vantrel {

// A job's place in its life cycle. Stored as {"type": case name} plus, for a
// failed job, "errorMessage".
struct JobStatus {
    enum class Kind { pending, preparing, active, completed, cancelled, failed };

    Kind kind = Kind::pending;
    QString errorMessage;  // only meaningful for failed

    static JobStatus pending() { return {Kind::pending, {}}; }
    static JobStatus preparing() { return {Kind::preparing, {}}; }
    static JobStatus active() { return {Kind::active, {}}; }
    static JobStatus completed() { return {Kind::completed, {}}; }
    static JobStatus cancelled() { return {Kind::cancelled, {}}; }
    static JobStatus failed(const QString& message) { return {Kind::failed, message}; }

    bool is(Kind k) const { return kind == k; }
    // Preparing or active: the processing loop holds the job.
    bool isRunning() const { return kind == Kind::preparing || kind == Kind::active; }
    // Completed, cancelled or failed: the job will not run again unless retried.
    bool isFinished() const { return kind == Kind::completed || kind == Kind::cancelled || kind == Kind::failed; }

    friend bool operator==(const JobStatus& a, const JobStatus& b) {
        return a.kind == b.kind && (a.kind != Kind::failed || a.errorMessage == b.errorMessage);
    }

    QJsonObject toJson() const;
    // A "type" naming no case reads as pending; a failed status needs its message.
    static std::optional<JobStatus> fromJson(const QJsonValue& value);
};

QString jobStatusTypeName(JobStatus::Kind kind);

}  // namespace vantrel
