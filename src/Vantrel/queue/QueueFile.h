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
    bool isUnreadable = false;   // not JSON, or not an array
};

QByteArray encodeQueueFile(const QList<CorrectionJob>& jobs);
QueueFileContents decodeQueueFile(const QByteArray& data);

}  // namespace vantrel
