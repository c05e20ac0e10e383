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

// A long list is encoded in pieces on a few threads; `urgent` gives them the
// priority of a caller that waits for the file, else they yield to other work.
QByteArray encodeQueueFile(const QList<CorrectionJob>& jobs, bool urgent = false);
QueueFileContents decodeQueueFile(const QByteArray& data);

}  // namespace vantrel
