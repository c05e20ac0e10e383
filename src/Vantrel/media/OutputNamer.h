#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <variant>

namespace timecode {
class Timecode;
}

namespace vantrel {

// Names of corrected files: the stem made from the user's naming pattern, and a
// free file name for it in the output folder.
namespace OutputNamer {

enum class OutputNamerError {
    sameAsSource,  // the output would be the source file itself
    invalidName,   // the stem is empty, "." or "..", or holds "/" or NUL
    nameTooLong,   // the file name is longer than a file system allows (255 bytes)
};

// The longest file name, in bytes of its on-disk encoding, that file systems take.
inline constexpr qsizetype maxFileNameBytes = 255;

// The output file stem for one source: `pattern` with every "{name}" replaced by
// the source file name less its last extension, then every "{tc}" by the
// timecode's text with ":" and ";" as "-", then every "{date}" by the date as
// yyyy-MM-dd (in the system zone of the first call); a trailing ".mov" in any
// letter case is dropped once. "/" and NUL become "-" so the stem names one file.
QString makeName(const QString& sourcePath, const QString& pattern, const timecode::Timecode& timecode,
                 const QDateTime& date);

// The first of folder/stem.mov, folder/stem-2.mov, folder/stem-3.mov, ... that is
// neither the source nor anything present on disk (a file, a folder, a link, even
// a dangling one). Fails with sameAsSource when the first candidate is the source,
// with invalidName for a stem that would not name a file inside the folder, and
// with nameTooLong when the file name it reaches is over maxFileNameBytes.
// A candidate for which `isTaken` holds (an output already promised to another
// job) is passed over like one present on disk.
std::variant<QString, OutputNamerError> freeOutputPath(const QString& folder, const QString& stem,
                                                       const QString& sourcePath,
                                                       const std::function<bool(const QString&)>& isTaken = {});

// What went wrong and what to do, in plain words: for the row's blocking mark and
// for a log line ("Could not enqueue clip.mov: " + this).
QString errorDescription(OutputNamerError error);

}  // namespace OutputNamer

}  // namespace vantrel
