#include "Vantrel/tools/ToolThreadPool.h"

#include <QThreadPool>

namespace vantrel {

QThreadPool* toolThreadPool() {
    static QThreadPool* const pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(64);
        return created;
    }();
    return pool;
}

}  // namespace vantrel
