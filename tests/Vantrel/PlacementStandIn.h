#pragma once

// The file system's rename that refuses to replace (renameat2 with
// RENAME_NOREPLACE) and its hard links, stood in for in the Vantrel tests: the
// test program is linked with --wrap for both (PlacementStandIn.cpp), so that a
// test can play a file system that refuses them, as NFS and some FUSE mounts do.
// Every other call goes to the real one.

namespace placementstandin {

// For as long as it lives, renameat2 answers `renameError` and link `linkError`
// (0: the real call).
class Refusing {
public:
    explicit Refusing(int renameError, int linkError = 0);
    ~Refusing();
    Refusing(const Refusing&) = delete;
    Refusing& operator=(const Refusing&) = delete;
};

// How many times link was called, refused or not.
int linkCalls();

}  // namespace placementstandin
