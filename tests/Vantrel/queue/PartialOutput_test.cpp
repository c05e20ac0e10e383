// The hidden partial files a correction writes: their names, the sweep that
// removes the ones jobs recorded and no run holds, and nothing else, and how a
// finished one takes its name.
#include <gtest/gtest.h>

#include "PlacementStandIn.h"
#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/queue/PartialOutput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <list>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

TEST(PartialOutputNames, StayWithinTheNameLimitAndFindOnlyTheirOwn) {
    const auto nameOf = [](const QString& path) { return QFileInfo(path).fileName(); };
    const auto bytes = [](const QString& name) { return QFile::encodeName(name).size(); };
    const QString partial = nameOf(PartialOutput::pathFor(QStringLiteral("/v/out/clip_TC.mov")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.clip_TC\\.partial-[0-9A-F]{8}\\.mov$")).match(partial).hasMatch())
        << partial.toStdString();
    EXPECT_EQ(QFileInfo(PartialOutput::pathFor(QStringLiteral("/v/out/clip_TC.mov"))).path(),
              QStringLiteral("/v/out"));

    // A stem of 233 bytes is the longest kept whole; one more byte and it is cut and marked.
    const QString longest = QString(229, QLatin1Char('s')) + QStringLiteral("_TC");
    const QString kept = nameOf(PartialOutput::pathFor("/v/" + longest + "a.mov"));
    EXPECT_EQ(bytes(kept), 255);
    EXPECT_TRUE(kept.startsWith("." + longest + "a.partial-"));
    const QString cut = nameOf(PartialOutput::pathFor("/v/" + longest + "ab.mov"));
    EXPECT_LE(bytes(cut), 255);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.s+~[0-9A-F]{8}\\.partial-[0-9A-F]{8}\\.mov$")).match(cut).hasMatch())
        << cut.toStdString();

    // Output names of up to 255 bytes, in characters of one to four bytes, cut
    // anywhere within a character: the partial name fits and is whole UTF-8.
    for (const QString& character : {QStringLiteral("é"), QStringLiteral("雪"), QStringLiteral("🎬")}) {
        for (int pad = 0; pad < 4; ++pad) {
            QString stem = QString(pad, QLatin1Char('x'));
            while (bytes(stem + character) + 4 <= 255) stem += character;
            const QString output = QStringLiteral("/v/") + stem + QStringLiteral(".mov");
            SCOPED_TRACE(QStringLiteral("%1 byte name, pad %2").arg(bytes(stem) + 4).arg(pad).toStdString());
            const QString name = nameOf(PartialOutput::pathFor(output));
            EXPECT_LE(bytes(name), 255);
            EXPECT_GE(bytes(name), 252);  // cut no more than a character needs
            EXPECT_EQ(QString::fromUtf8(QFile::encodeName(name)), name);
            EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
            EXPECT_TRUE(PartialOutput::isPartialOf(name, output));
        }
    }
    // Outputs whose long names differ only at the end keep apart.
    const QString first = "/v/" + QString(240, QLatin1Char('n')) + "1.mov";
    const QString second = "/v/" + QString(240, QLatin1Char('n')) + "2.mov";
    EXPECT_FALSE(PartialOutput::isPartialOf(nameOf(PartialOutput::pathFor(first)), second));
    EXPECT_TRUE(PartialOutput::isPartialOf(nameOf(PartialOutput::pathFor(first)), first));

    // Only an eight-digit tag of its own kind makes a partial file of this output.
    const QString output = QStringLiteral("/v/clip_TC.mov");
    EXPECT_TRUE(PartialOutput::isPartialOf(".clip_TC.partial-0123ABCD.mov", output));
    for (const char* other : {".clip_TC.partial-notes.mov", ".clip_TC.partial-0123ABCDE.mov", ".clip_TC.partial-0123ABC.mov",
                              ".clip_TC.partial-0123ABCG.mov", ".clip_TC.partial-0123ABCD.mp4", "clip_TC.partial-0123ABCD.mov",
                              ".clip_TC.partial-0123ABCD.mov.bak", ".clip_TC2.partial-0123ABCD.mov", ".clip.partial-0123ABCD.mov",
                              ".clip_TC.partial-0123ABC .mov"}) {
        EXPECT_FALSE(PartialOutput::isPartialOf(QString::fromUtf8(other), output)) << other;
    }
}

// Only the partial files jobs recorded go, and only those no run holds, in this
// process or another: a file of the partial naming that no job recorded stays
// (a user's, another program's, a job's output named so), and so does anything a
// record names that is not a plain partial file of its job's output, or not the
// very file the record says (a user's file at the name, a record without it).
TEST(PartialOutputSweep, RemovesOnlyRecordedPartialsNoRunHolds) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("partial-sweep"));
    enum class Is { file, heldHere, heldElsewhere, link, folder, missing };
    // Which file the record says it is; `remounted`: that file, under the device
    // number its disk had before it was attached again.
    enum class Which { theFile, anotherFile, unsaid, remounted };
    struct Case {
        const char* name;
        const char* output;    // the job's
        const char* recorded;  // its partial's name as the job recorded it; none: no record
        const char* path;      // what stands in the folder
        Is is;
        bool removed;
        Which which = Which::theFile;
    };
    const Case cases[] = {
        {"recorded, a killed run's", "a/clip_TC.mov", ".clip_TC.partial-0123ABCD.mov", "a/.clip_TC.partial-0123ABCD.mov",
         Is::file, true},
        {"recorded by a job of another folder", "b/other_TC.mov", ".other_TC.partial-00000000.mov",
         "b/.other_TC.partial-00000000.mov", Is::file, true},
        {"of the naming, recorded by no job", "a/clip_TC.mov", nullptr, "a/.clip_TC.partial-ABCDEF12.mov", Is::file, false},
        {"held by a run here", "a/held_TC.mov", ".held_TC.partial-11111111.mov", "a/.held_TC.partial-11111111.mov",
         Is::heldHere, false},
        {"held by another process", "a/far_TC.mov", ".far_TC.partial-22222222.mov", "a/.far_TC.partial-22222222.mov",
         Is::heldElsewhere, false},
        {"a record naming the output itself", "a/mine_TC.mov", "mine_TC.mov", "a/mine_TC.mov", Is::file, false},
        {"a record reaching another folder", "a/clip_TC.mov", "../b/.clip_TC.partial-33333333.mov",
         "b/.clip_TC.partial-33333333.mov", Is::file, false},
        {"a record naming a link", "a/link_TC.mov", ".link_TC.partial-44444444.mov", "a/.link_TC.partial-44444444.mov",
         Is::link, false},
        {"a record naming a folder", "a/dir_TC.mov", ".dir_TC.partial-55555555.mov", "a/.dir_TC.partial-55555555.mov",
         Is::folder, false},
        {"a record whose file is gone", "a/gone_TC.mov", ".gone_TC.partial-66666666.mov", "a/.gone_TC.partial-66666666.mov",
         Is::missing, false},
        {"a user's file at the recorded name", "a/user_TC.mov", ".user_TC.partial-77777777.mov",
         "a/.user_TC.partial-77777777.mov", Is::file, false, Which::anotherFile},
        {"a record that says no file (an earlier version's)", "a/old_TC.mov", ".old_TC.partial-88888888.mov",
         "a/.old_TC.partial-88888888.mov", Is::file, false, Which::unsaid},
        {"recorded before its disk came back under another device", "a/usb_TC.mov", ".usb_TC.partial-99999999.mov",
         "a/.usb_TC.partial-99999999.mov", Is::file, true, Which::remounted},
    };
    QList<CorrectionJob> jobs;
    std::list<PartialOutput::Hold> heldHere;
    std::vector<int> heldElsewhere;
    const QString target = folder + QStringLiteral("/target.mov");
    ASSERT_TRUE(testsupport::writeFile(target, "linked to"));
    for (const Case& c : cases) {
        const QString path = folder + "/" + c.path;
        QDir().mkpath(QFileInfo(path).absolutePath());
        switch (c.is) {
        case Is::file: ASSERT_TRUE(testsupport::writeFile(path, "bytes")); break;
        case Is::heldHere: {
            int error = -1;
            heldHere.push_back(PartialOutput::Hold::make(path, &error));
            ASSERT_EQ(error, 0);
            ASSERT_EQ(heldHere.back().takeName(), 0);
            break;
        }
        case Is::heldElsewhere: {
            // An open file of its own, as another process has: the hold is the file's.
            ASSERT_TRUE(testsupport::writeFile(path, "bytes"));
            const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(descriptor, 0);
            heldElsewhere.push_back(descriptor);
            ASSERT_EQ(::flock(descriptor, LOCK_EX | LOCK_NB), 0);
            break;
        }
        case Is::link: ASSERT_TRUE(QFile::link(target, path)); break;
        case Is::folder: ASSERT_TRUE(QDir().mkpath(path)); break;
        case Is::missing: break;
        }
        CorrectionJob job;
        job.outputPath = folder + "/" + c.output;
        if (c.recorded) job.partialName = QString::fromUtf8(c.recorded);
        // What the record says is that file, whatever it is (a link's own target).
        struct stat facts {};
        if (c.recorded && c.which != Which::unsaid &&
            ::stat(QFile::encodeName(c.which == Which::anotherFile ? target : path).constData(), &facts) == 0) {
            job.partialFile = FileNode{quint64(facts.st_dev) + (c.which == Which::remounted), quint64(facts.st_ino)};
        }
        jobs << job;
    }

    const QStringList removed = PartialOutput::sweep(jobs);
    for (const Case& c : cases) {
        const QString path = folder + "/" + c.path;
        EXPECT_EQ(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), !c.removed && c.is != Is::missing) << c.name;
        EXPECT_EQ(removed.contains(path), c.removed) << c.name;
    }
    EXPECT_TRUE(QFile::exists(target));
    // Let go (the other process ended), a held file is a left-over like any other.
    const QStringList let = {folder + QStringLiteral("/a/.held_TC.partial-11111111.mov"),
                             folder + QStringLiteral("/a/.far_TC.partial-22222222.mov")};
    heldHere.front().release();
    ::close(heldElsewhere.front());
    EXPECT_EQ(PartialOutput::sweep(jobs), let);

    // A hold never takes a name someone else's file has.
    const QString taken = folder + QStringLiteral("/a/.clip_TC.partial-ABCDEF12.mov");
    int error = 0;
    PartialOutput::Hold refused = PartialOutput::Hold::make(taken, &error);
    EXPECT_EQ(error, 0);  // made, without a name
    EXPECT_EQ(refused.takeName(), EEXIST);
    EXPECT_EQ(refused.path(), QString());
    refused.remove();
    QFile kept(taken);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("bytes"));
    QDir(folder).removeRecursively();
}

// A finished partial takes the output's name only when nothing stands there, in
// each of the ways a file system may offer, and falls back to the next way where
// the file system refuses one (NFS and some FUSE mounts answer EINVAL or EPERM):
// what stands there is never replaced, and the partial stays where it was for
// another name to be tried. Any other refusal is the answer.
TEST(PartialOutputPlacing, NeverReplacesWhatStandsAtTheName) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("placing"));
    using Placing = PartialOutput::Placing;
    struct Case {
        const char* name;
        Placing way;
        const char* standing;  // none: the name is free
        int result;
        int renameRefusal = 0;  // what the file system answers a rename that does not replace
        int linkRefusal = 0;    // and a link
        bool linkTried = false;
    };
    const Case cases[] = {
        {"rename, name free", Placing::refusingRename, nullptr, 0},
        {"rename, a file stands", Placing::refusingRename, "someone's", EEXIST},
        {"link, name free", Placing::link, nullptr, 0, 0, 0, true},
        {"link, a file stands", Placing::link, "someone's", EEXIST, 0, 0, true},
        {"claimed name, name free", Placing::claimedName, nullptr, 0},
        {"claimed name, a file stands", Placing::claimedName, "someone's", EEXIST},
        {"claimed name, an empty file stands", Placing::claimedName, "", EEXIST},
        {"no such rename: a link, name free", Placing::refusingRename, nullptr, 0, EINVAL, 0, true},
        {"no such rename: a link, a file stands", Placing::refusingRename, "someone's", EEXIST, EINVAL, 0, true},
        {"no such rename, no links: claimed name, name free", Placing::refusingRename, nullptr, 0, EINVAL, EPERM, true},
        {"no such rename, no links: a file stands", Placing::refusingRename, "someone's", EEXIST, EINVAL, EPERM, true},
        {"the rename refused otherwise", Placing::refusingRename, nullptr, EACCES, EACCES},
        {"the link refused otherwise", Placing::refusingRename, nullptr, EACCES, EINVAL, EACCES, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString partial = folder + QStringLiteral("/.clip_TC.partial-0123ABCD.mov");
        const QString output = folder + QStringLiteral("/clip_TC.mov");
        QFile::remove(output);
        ASSERT_TRUE(testsupport::writeFile(partial, "corrected"));
        if (c.standing) {
            ASSERT_TRUE(testsupport::writeFile(output, c.standing));
        }
        const int linksBefore = placementstandin::linkCalls();
        {
            const placementstandin::Refusing refusing(c.renameRefusal, c.linkRefusal);
            EXPECT_EQ(PartialOutput::placeWithoutReplacing(partial, output, c.way), c.result);
        }
        EXPECT_EQ(placementstandin::linkCalls() > linksBefore, c.linkTried);
        QFile placed(output);
        EXPECT_EQ(placed.exists(), c.standing || c.result == 0);
        if (placed.open(QIODevice::ReadOnly)) {
            EXPECT_EQ(placed.readAll(), c.standing ? QByteArray(c.standing) : QByteArray("corrected"));
        }
        EXPECT_EQ(QFile::exists(partial), c.result != 0);
    }
    QDir(folder).removeRecursively();
}
