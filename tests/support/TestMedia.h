#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace testsupport {

// What a generated test movie looks like. Everything is small: a few frames of
// a test pattern, optionally with a tone, a timecode track and a creation date.
struct MovieRecipe {
    QString rate = QStringLiteral("25");         // video rate as ffmpeg takes it, e.g. "30000/1001"
    double seconds = 1.0;
    std::optional<QString> timecode;             // start timecode, e.g. "10:00:00:00" or "10:00:00;02"
    std::optional<QString> creationDate;         // value of com.apple.quicktime.creationdate
    std::optional<QString> creationTime;         // container creation_time, e.g. "2024-01-02T03:04:05Z"
    bool audio = false;
    int videoStreams = 1;                        // 0 for sound only (with audio), 2 for a second picture
    bool coverPicture = false;                   // a still attached as artwork; only the mp4 and ipod
                                                 // muxers keep it, and only without a creationDate
    std::optional<QString> format;               // ffmpeg's muxer; else mp4 for .mp4 files, mov for others
    QString videoCodec = QStringLiteral("mpeg4");
    QString size = QStringLiteral("160x120");
    QStringList extraArgs;                       // appended before the output path
};

// Runs a tool with an argument list (never a shell); returns its exit code, or -1
// when it could not be started or did not finish within the timeout.
int runTool(const QString& program, const QStringList& args, QByteArray* stdOut = nullptr,
            QByteArray* stdErr = nullptr, int timeoutMs = 120000);

// Writes a movie at `path` with the ffmpeg tool. Returns false and fills `error`
// when ffmpeg fails.
bool makeMovie(const QString& path, const MovieRecipe& recipe = {}, QString* error = nullptr);

// The start timecode ffprobe reads from the file's timecode track, or an empty
// string when it has none.
QString probeTimecode(const QString& path);

// SHA-256 of a file's bytes as lower-case hex; empty when unreadable.
QString sha256OfFile(const QString& path);

// A fresh folder for one test under VANTREL_TEST_TMP (or the system temp folder);
// the caller removes it when it is done, or leaves it for inspection on failure.
QString makeTestFolder(const QString& name);

// Writes bytes to a file, creating parent folders.
bool writeFile(const QString& path, const QByteArray& bytes);

// Points the user's settings, data and cache folders and the temporary folder at a
// folder of this test process's own, so that test processes running side by side
// share nothing there and the real user folders stay untouched. Call before the application object
// is made; the folder goes when the process ends.
void isolateUserFolders();

// Makes the process's core application object, once, for tests that need an
// event loop (queued signals, future continuations). Tests that need widgets make
// a QApplication first.
void ensureApplication();

// Makes a locale the default for as long as it lives, then puts back the one
// before: a test's locale must not reach the tests after it.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(previous_); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    const QLocale previous_;
};

// Writes an executable /bin/sh script with this body (a stand-in for a tool).
bool writeScript(const QString& path, const QByteArray& body);

}  // namespace testsupport
