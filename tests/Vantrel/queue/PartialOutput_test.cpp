// The hidden partial files a correction writes: their names, and the sweep that
// removes the ones no run holds, and nothing else.
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

// Only files of the partial naming for the given outputs go, and only those no
// run holds; every folder is swept, and the outputs themselves stay.
TEST(PartialOutputSweep, RemovesLeftOversOfTheGivenOutputsOnly) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("partial-sweep"));
    const QString a = folder + QStringLiteral("/a/clip_TC.mov");
    const QString b = folder + QStringLiteral("/b/other_TC.mov");
    struct Case {
        const char* file;
        bool removed;
    };
    const Case cases[] = {
        {"a/.clip_TC.partial-0123ABCD.mov", true},
        {"a/.clip_TC.partial-89ABCDEF.mov", true},
        {"b/.other_TC.partial-00000000.mov", true},
        {"a/clip_TC.mov", false},                       // the output itself
        {"a/.clip_TC.partial-notes.mov", false},        // not a tag of ours
        {"a/.clip_TC.partial-0123ABCD.mov.bak", false},
        {"a/.clip2_TC.partial-0123ABCD.mov", false},    // another output's
        {"b/.clip_TC.partial-0123ABCD.mov", false},     // same name, other folder
        {"a/.held_TC.partial-0123ABCD.mov", false},     // held by a run
    };
    for (const Case& c : cases) ASSERT_TRUE(testsupport::writeFile(folder + "/" + c.file, "bytes"));
    const QString held = folder + QStringLiteral("/a/.held_TC.partial-0123ABCD.mov");
    PartialOutput::Hold hold(held);

    const QStringList removed =
        PartialOutput::sweep({a, b, folder + QStringLiteral("/a/held_TC.mov"), folder + QStringLiteral("/gone/x.mov")});
    for (const Case& c : cases) {
        EXPECT_EQ(!QFile::exists(folder + "/" + c.file), c.removed) << c.file;
        EXPECT_EQ(removed.contains(folder + "/" + c.file), c.removed) << c.file;
    }
    // Let go, a held file is a left-over like any other.
    hold.release();
    EXPECT_EQ(PartialOutput::sweep({folder + QStringLiteral("/a/held_TC.mov")}), QStringList{held});
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
