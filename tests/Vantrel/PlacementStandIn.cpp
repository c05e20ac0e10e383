#include "PlacementStandIn.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <deque>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <stdio.h>

extern "C" {
int __real_renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath, unsigned int flags);
int __real_link(const char* oldPath, const char* newPath);
int __real_unlink(const char* path);
int __wrap_renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath, unsigned int flags);
int __wrap_link(const char* oldPath, const char* newPath);
int __wrap_unlink(const char* path);
int __real_open(const char* path, int flags, ...);
int __real_linkat(int oldFolder, const char* oldPath, int newFolder, const char* newPath, int flags);
int __wrap_open(const char* path, int flags, ...);
int __wrap_linkat(int oldFolder, const char* oldPath, int newFolder, const char* newPath, int flags);
}

namespace {

std::atomic<int> renameError{0};
std::atomic<int> linkError{0};
std::atomic<int> unlinkError{0};
std::atomic<int> links{0};
std::atomic<int> unnamedError{0};
std::atomic<int> namingError{0};
std::mutex exchangeMutex;
std::deque<std::function<int()>> exchangeActs;

}  // namespace

int __wrap_renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath, unsigned int flags) {
    if (flags & RENAME_EXCHANGE) {
        std::function<int()> act;
        {
            const std::lock_guard lock(exchangeMutex);
            if (!exchangeActs.empty()) {
                act = std::move(exchangeActs.front());
                exchangeActs.pop_front();
            }
        }
        if (const int error = act ? act() : 0) {
            errno = error;
            return -1;
        }
    }
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

int __wrap_unlink(const char* path) {
    if (const int error = unlinkError.load()) {
        errno = error;
        return -1;
    }
    return __real_unlink(path);
}

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        if (const int error = unnamedError.load()) {
            errno = error;
            return -1;
        }
    }
    return __real_open(path, flags, mode);
}

int __wrap_linkat(int oldFolder, const char* oldPath, int newFolder, const char* newPath, int flags) {
    if (const int error = namingError.load()) {
        errno = error;
        return -1;
    }
    return __real_linkat(oldFolder, oldPath, newFolder, newPath, flags);
}

namespace placementstandin {

Refusing::Refusing(int renameRefusal, int linkRefusal, int unlinkRefusal) {
    renameError = renameRefusal;
    linkError = linkRefusal;
    unlinkError = unlinkRefusal;
}

Refusing::~Refusing() {
    renameError = 0;
    linkError = 0;
    unlinkError = 0;
}

RefusingUnnamed::RefusingUnnamed(int makeError, int nameError) {
    unnamedError = makeError;
    namingError = nameError;
}

RefusingUnnamed::~RefusingUnnamed() {
    unnamedError = 0;
    namingError = 0;
}

int linkCalls() { return links.load(); }

void beforeNextExchange(std::function<int()> act) {
    const std::lock_guard lock(exchangeMutex);
    if (act) exchangeActs.push_back(std::move(act));
    else exchangeActs.clear();
}

}  // namespace placementstandin
