#include "PlacementStandIn.h"

#include <atomic>
#include <cerrno>

extern "C" {
int __real_renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath, unsigned int flags);
int __real_link(const char* oldPath, const char* newPath);
int __wrap_renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath, unsigned int flags);
int __wrap_link(const char* oldPath, const char* newPath);
}

namespace {

std::atomic<int> renameError{0};
std::atomic<int> linkError{0};
std::atomic<int> links{0};

}  // namespace

int __wrap_renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath, unsigned int flags) {
    if (const int error = renameError.load()) {
        errno = error;
        return -1;
    }
    return __real_renameat2(oldFolder, oldPath, newFolder, newPath, flags);
}

int __wrap_link(const char* oldPath, const char* newPath) {
    ++links;
    if (const int error = linkError.load()) {
        errno = error;
        return -1;
    }
    return __real_link(oldPath, newPath);
}

namespace placementstandin {

Refusing::Refusing(int renameRefusal, int linkRefusal) {
    renameError = renameRefusal;
    linkError = linkRefusal;
}

Refusing::~Refusing() {
    renameError = 0;
    linkError = 0;
}

int linkCalls() { return links.load(); }

}  // namespace placementstandin
