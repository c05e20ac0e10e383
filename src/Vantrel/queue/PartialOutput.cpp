#include "Vantrel/queue/PartialOutput.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace vantrel {

namespace {

// The longest file name the file systems in use take, in bytes.
constexpr qsizetype maxNameBytes = 255;
const QString partialMarker = QStringLiteral(".partial-");
constexpr qsizetype partialTagLength = 8;
const QString partialSuffix = QStringLiteral(".mov");

// The longest start of the text whose UTF-8 form fits in the bytes; a character
// (a surrogate pair included) is kept whole or left out.
QString leadingUtf8(const QString& text, qsizetype maxBytes) {
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype length =
            text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
        bytes += QFile::encodeName(text.mid(end, length)).size();
        if (bytes > maxBytes) break;
        end += length;
    }
    return text.left(end);
}

// The output stem as a partial name carries it.
QString partialStem(const QString& stem) {
    const qsizetype room = maxNameBytes - 1 - partialMarker.size() - partialTagLength - partialSuffix.size();
    if (QFile::encodeName(stem).size() <= room) return stem;
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(stem.toUtf8(), QCryptographicHash::Sha1).toHex().left(8).toUpper());
    const QString mark = QLatin1Char('~') + digest;
    return leadingUtf8(stem, room - mark.size()) + mark;
}

QString partialPrefix(const QString& outputPath) {
    return QLatin1Char('.') + partialStem(QFileInfo(outputPath).completeBaseName()) + partialMarker;
}

}  // namespace

QString PartialOutput::pathFor(const QString& outputPath) {
    const QString tag = QUuid::createUuid().toString(QUuid::Id128).left(partialTagLength).toUpper();
    return QFileInfo(outputPath).dir().absoluteFilePath(partialPrefix(outputPath) + tag + partialSuffix);
}

bool PartialOutput::isPartialOf(const QString& fileName, const QString& outputPath) {
    const QString prefix = partialPrefix(outputPath);
    if (fileName.size() != prefix.size() + partialTagLength + partialSuffix.size() || !fileName.startsWith(prefix) ||
        !fileName.endsWith(partialSuffix)) {
        return false;
    }
    const QStringView tag = QStringView(fileName).mid(prefix.size(), partialTagLength);
    return std::all_of(tag.begin(), tag.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    });
}

PartialOutput::Hold PartialOutput::Hold::make(const QString& path, int* error) {
    int made = 0;
    Hold hold;
    hold.file_ = HeldFile::createUnnamed(QFileInfo(path).absolutePath(), 0666, &made);
    // Where the file system has no unnamed files (or the folder takes no file at
    // all, which the named file then says), the file has its name from the start.
    if (!hold.file_) hold.file_ = HeldFile::create(path, 0666, &made);
    if (made != EEXIST) hold.path_ = path;
    if (error) *error = made;
    return hold;
}

int PartialOutput::Hold::takeName() {
    if (!file_ || !file_->path().isEmpty()) return 0;
    const int error = file_->takeName(path_);
    if (error != 0) release();  // the unnamed file goes with it
    return error;
}

PartialOutput::Hold::Hold(Hold&& other) noexcept
    : path_(std::exchange(other.path_, QString())), file_(std::exchange(other.file_, std::nullopt)) {}

PartialOutput::Hold& PartialOutput::Hold::operator=(Hold&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, QString());
        file_ = std::exchange(other.file_, std::nullopt);
    }
    return *this;
}

void PartialOutput::Hold::release() {
    path_.clear();
    file_.reset();
}

void PartialOutput::Hold::remove() {
    if (file_) file_->remove();
    else if (!path_.isEmpty()) QFile::remove(path_);
    release();
}

int PartialOutput::placeWithoutReplacing(const QString& from, const QString& to, Placing first) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    // A file system that cannot do a way says so with one of these.
    auto unsupported = [](int error) {
        return error == EINVAL || error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP;
    };
    if (first == Placing::refusingRename) {
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
        if (!unsupported(errno)) return errno;
        first = Placing::link;
    }
    if (first == Placing::link) {
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return 0;
        }
        if (!unsupported(errno)) return errno;
    }
    // The name is claimed only when it is free; what stands there then is ours.
    const int claim = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (claim < 0) return errno;
    ::close(claim);
    if (std::rename(source.constData(), target.constData()) == 0) return 0;
    const int error = errno;
    ::unlink(target.constData());
    return error;
}

PartialOutput::Replacing PartialOutput::replaceOwn(const QString& from, const QString& to, const FileIdentity& own) {
    const auto isOwn = [&own](const QString& path) {
        const std::optional<FileIdentity> file = FileIdentity::of(path);
        return file && file->isSameUnchanged(own);
    };
    // A file that is plainly not the job's is not even moved.
    if (!isOwn(to)) return Replacing::notOwn;
    const std::optional<FileIdentity> partialFile = FileIdentity::of(from);
    const QByteArray partial = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (!partialFile || ::renameat2(AT_FDCWD, partial.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        return Replacing::notOwn;
    }
    // The name may have gone to another file between the look and the exchange.
    if (isOwn(from)) {
        ::unlink(partial.constData());
        return Replacing::replaced;
    }
    if (::renameat2(AT_FDCWD, partial.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) == 0) {
        // Yet another file may have come to the name while the partial file had it:
        // that one is swapped out now, and is not the run's to move on or remove.
        const std::optional<FileIdentity> back = FileIdentity::of(from);
        return back && back->node().isSameFile(partialFile->node()) ? Replacing::notOwn : Replacing::stranded;
    }
    // The partial file has left the name too: the other file goes back while the name is free.
    if (errno == ENOENT && ::renameat2(AT_FDCWD, partial.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return Replacing::notOwn;
    }
    return Replacing::stranded;
}

QStringList PartialOutput::sweep(const QList<CorrectionJob>& jobs) {
    QStringList removed;
    for (const CorrectionJob& job : jobs) {
        if (!job.partialName || !job.partialFile || !isPartialOf(*job.partialName, job.outputPath)) continue;
        const QString path = QFileInfo(job.outputPath).dir().absoluteFilePath(*job.partialName);
        if (HeldFile::removeUnheld(path, job.partialFile)) removed << path;
    }
    return removed;
}

}  // namespace vantrel
