// Queue files as they may be found after a crash, a bad disk or a hand edit:
// decoding never crashes, and whatever decodes writes back and reads again alike.
#include "Vantrel/queue/QueueFile.h"

#include <QLoggingCategory>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("vantrel.*=false"));
        return true;
    }();
    (void)quiet;
    const auto contents = vantrel::decodeQueueFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const auto again = vantrel::decodeQueueFile(vantrel::encodeQueueFile(contents.jobs));
    if (again.isUnreadable || again.unreadableRecords != 0 || again.jobs.size() != contents.jobs.size()) __builtin_trap();
    for (qsizetype i = 0; i < again.jobs.size(); ++i) {
        if (again.jobs[i].toJson() != contents.jobs[i].toJson()) __builtin_trap();
    }
    return 0;
}
