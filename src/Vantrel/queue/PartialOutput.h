#pragma once

// The hidden file a correction writes before it may take the output's name, e.g.
// ".A001_TC.partial-1A2B3C4D.mov" beside "A001_TC.mov". A run makes the file
// without a name and holds it; its job records the name and which file it is, on
// disk, before the file takes the name, and the run holds the file until it has
// taken the output's name or is removed. A recorded file that no run holds is left
// over from a run that was cut off (the application killed, the machine stopped)
// and is removed whenever the queue lets go of its job. Any other file, of this
// naming or at a recorded name, is someone else's, and stays.

#include "Vantrel/queue/CorrectionJob.h"
#include "Vantrel/queue/FileIdentity.h"
#include "Vantrel/queue/HeldFile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

class PartialOutput {
public:
    // A new partial file name for the output, in the output's folder. The name
    // stays within the file system's 255 bytes: a stem too long for that is cut
    // (never inside a character) and marked with a digest of the whole stem, so
    // that outputs whose names differ only late still have partial names of their own.
    static QString pathFor(const QString& outputPath);
    // Whether a file name in the output folder is a partial file of this output
    // (as pathFor makes them, whatever their tag).
    static bool isPartialOf(const QString& fileName, const QString& outputPath);

    // A run's partial file, held from before its tool starts until it takes the
    // output's name or is removed: no sweep, in this process or any other, removes
    // a held file.
    class Hold {
    public:
        Hold() = default;
        // Makes the file for the path, empty, and holds it; `error` is 0 then. The
        // file has no name yet (takeName gives it the path), except on a file system
        // without unnamed files, where it is made at the path at once. EEXIST: a
        // file has the name, and nothing is held (the name is not the run's).
        // Another error: the file could not be made (the folder is gone or
        // read-only); the name is kept all the same, as the tool then says why it
        // cannot write there, and whatever it makes there goes with the run.
        static Hold make(const QString& path, int* error);
        // Lets go of the file, which stays.
        ~Hold() { release(); }
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        const QString& path() const { return path_; }
        // Which file is held; nothing when none is.
        std::optional<FileNode> file() const { return file_ ? file_->node() : std::nullopt; }
        // Puts the held file at the path, if it is not there yet: 0 then. Else the
        // errno, and nothing is held any more, nor is the name the run's: EEXIST, a
        // file has the name; another, the file system refused it (a full disk or
        // quota, an I/O error), and the file without a name is gone.
        int takeName();
        // The file has taken the output's name: lets go of it.
        void release();
        // Removes the file, then lets go.
        void remove();

    private:
        QString path_;
        std::optional<HeldFile> file_;
    };

    // How a finished partial file is put under its output name without ever
    // replacing a file there: a rename that refuses to replace; where the file
    // system has none, a hard link (which refuses an existing name too) and the
    // partial name removed; where it has no links either, an empty file made
    // under the name only if the name is free, which the rename then replaces.
    enum class Placing { refusingRename, link, claimedName };
    // 0 when the file now has the name; EEXIST when something stands there (left
    // as it was); another errno when it could not be done. `from` goes by `first`
    // and falls back to the later ways as the file system needs.
    static int placeWithoutReplacing(const QString& from, const QString& to, Placing first = Placing::refusingRename);

    // How a finished partial file is put under its output name in place of the
    // file standing there, which must be `own` (the output the job placed there
    // earlier, unchanged: FileIdentity::isSameUnchanged). The two files are
    // exchanged in one step, so the name is never empty and nothing that comes to
    // it meanwhile is destroyed; the file swapped out is then looked at again and
    // removed only when it is `own`, else it is swapped back. `notOwn`: the file
    // there is left as it was, and `from` still holds the partial file (also where
    // the file system cannot exchange files).
    // `stranded`: another file came to the name meanwhile and could not be put
    // back, or yet another came while the partial file had the name; that file is
    // now at `from`, which must be left alone.
    enum class Replacing { replaced, notOwn, stranded };
    static Replacing replaceOwn(const QString& from, const QString& to, const FileIdentity& own);

    // Removes the partial files these jobs recorded, except the ones a run holds:
    // only the very file a record names (by its inode: FileNode::isSameFile; a
    // file at the recorded name that is another, or a record that does not say
    // which file it is, leaves the name as it is); a record that names no partial
    // file of its job's output is not trusted, and nothing else is touched. On
    // the calling thread. Returns the paths it removed.
    static QStringList sweep(const QList<CorrectionJob>& jobs);
};

}  // namespace vantrel
