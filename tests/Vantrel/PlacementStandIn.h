#pragma once

// The file system's renames (renameat2, which refuses to replace or exchanges two
// files), its hard links and its unlink, and the making and naming of files
// without a name (open with O_TMPFILE, linkat), stood in for in the Vantrel tests:
// the test program is linked with --wrap for them (PlacementStandIn.cpp), so that
// a test can play a file system that refuses them, as NFS and some FUSE mounts do,
// or one that fails a removal or a naming, or another program acting at the moment
// of an exchange. Every other call goes to the real one.

#include <functional>

namespace placementstandin {

// For as long as it lives, renameat2 answers `renameError`, link `linkError` and
// unlink `unlinkError` (0: the real call).
class Refusing {
public:
    explicit Refusing(int renameError, int linkError = 0, int unlinkError = 0);
    ~Refusing();
    Refusing(const Refusing&) = delete;
    Refusing& operator=(const Refusing&) = delete;
};

// For as long as it lives, a file without a name is refused with `makeError` and
// the naming of one (linkat) with `nameError` (0: the real call).
class RefusingUnnamed {
public:
    explicit RefusingUnnamed(int makeError, int nameError = 0);
    ~RefusingUnnamed();
    RefusingUnnamed(const RefusingUnnamed&) = delete;
    RefusingUnnamed& operator=(const RefusingUnnamed&) = delete;
};

// How many times link was called, refused or not.
int linkCalls();

// Runs `act` once, just before the next exchange of two files that no act given
// earlier waits for; the exchange then answers the errno the act returns (0: the
// real call). Nothing: every act still waiting is dropped.
void beforeNextExchange(std::function<int()> act);

}  // namespace placementstandin
