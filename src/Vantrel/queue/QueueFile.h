#pragma once

// The queue file's content: a JSON array of job records, pretty printed with
// sorted keys.

#include "Vantrel/queue/CorrectionJob.h"

#include <QByteArray>
#include <QList>

namespace vantrel {

struct QueueFileContents {
    QList<CorrectionJob> jobs;   // the records that decode, in file order
    int unreadableRecords = 0;   // array elements that are not job records
    // Ids are unique among the jobs: an exact copy of an earlier record is left out,
    // another record whose id is taken gets a new one.
    int repeatedRecords = 0;
    int reassignedIds = 0;
    bool isUnreadable = false;   // not JSON, or not an array
};

QByteArray encodeQueueFile(const QList<CorrectionJob>& jobs);
QueueFileContents decodeQueueFile(const QByteArray& data);

}  // namespace vantrel
