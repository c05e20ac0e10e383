#include "TestMedia.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUuid>

#include <cstdlib>

namespace testsupport {

int runTool(const QString& program, const QStringList& args, QByteArray* stdOut, QByteArray* stdErr,
            int timeoutMs) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(10000)) return -1;
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (stdOut) *stdOut = process.readAllStandardOutput();
    if (stdErr) *stdErr = process.readAllStandardError();
    if (process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
}

bool makeMovie(const QString& path, const MovieRecipe& recipe, QString* error) {
    QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    const QString duration = QString::number(recipe.seconds, 'f', 3);
    const QString picture = QStringLiteral("testsrc=size=%1:rate=%2").arg(recipe.size, recipe.rate);
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                     QStringLiteral("-y")};
    int inputs = 0;
    const auto addInput = [&](const QString& source) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i") << source;
        ++inputs;
    };
    for (int i = 0; i < recipe.videoStreams; ++i) addInput(picture);
    if (recipe.audio) addInput(QStringLiteral("sine=frequency=440:sample_rate=48000"));
    if (recipe.coverPicture) addInput(picture);  // one frame of it
    for (int i = 0; i < inputs; ++i) args << QStringLiteral("-map") << QString::number(i);
    args << QStringLiteral("-t") << duration << QStringLiteral("-c:v") << recipe.videoCodec;
    if (recipe.audio) args << QStringLiteral("-c:a") << QStringLiteral("aac");
    if (recipe.coverPicture) {
        const QString cover = QStringLiteral(":v:%1").arg(recipe.videoStreams);
        args << QStringLiteral("-c") + cover << QStringLiteral("png") << QStringLiteral("-frames") + cover
             << QStringLiteral("1") << QStringLiteral("-disposition") + cover << QStringLiteral("attached_pic");
    }
    if (recipe.timecode) args << QStringLiteral("-timecode") << *recipe.timecode;
    if (recipe.creationDate) {
        args << QStringLiteral("-metadata")
             << QStringLiteral("com.apple.quicktime.creationdate=%1").arg(*recipe.creationDate);
    }
    if (recipe.creationTime) {
        args << QStringLiteral("-metadata") << QStringLiteral("creation_time=%1").arg(*recipe.creationTime);
    }
    if (recipe.creationDate) args << QStringLiteral("-movflags") << QStringLiteral("use_metadata_tags");
    args << recipe.extraArgs;
    args << QStringLiteral("-f")
         << recipe.format.value_or(info.suffix().compare(QStringLiteral("mp4"), Qt::CaseInsensitive) == 0
                                       ? QStringLiteral("mp4")
                                       : QStringLiteral("mov"));
    args << QFileInfo(path).absoluteFilePath();
    QByteArray err;
    const int code = runTool(QStringLiteral("ffmpeg"), args, nullptr, &err);
    if (code != 0) {
        if (error) *error = QStringLiteral("ffmpeg exited with %1: %2").arg(code).arg(QString::fromUtf8(err));
        return false;
    }
    return true;
}

QString probeTimecode(const QString& path) {
    QByteArray out;
    const int code = runTool(QStringLiteral("ffprobe"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                              QStringLiteral("-of"), QStringLiteral("json"), path},
                             &out);
    if (code != 0) return {};
    const auto streams = QJsonDocument::fromJson(out).object().value(QStringLiteral("streams")).toArray();
    for (const auto& s : streams) {
        const auto object = s.toObject();
        if (object.value(QStringLiteral("codec_tag_string")).toString() == QStringLiteral("tmcd")) {
            return object.value(QStringLiteral("tags")).toObject().value(QStringLiteral("timecode")).toString();
        }
    }
    return {};
}

QString sha256OfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return QString::fromLatin1(hash.result().toHex());
}

QString makeTestFolder(const QString& name) {
    // The system's temporary folder, as it was before isolateUserFolders() gave the
    // process one of its own.
    static const QString systemTemp = QDir::tempPath();
    QString root = qEnvironmentVariable("VANTREL_TEST_TMP");
    if (root.isEmpty()) root = systemTemp + QStringLiteral("/vantrel-tests");
    const QString folder = QStringLiteral("%1/%2-%3").arg(root, name,
                                                          QUuid::createUuid().toString(QUuid::WithoutBraces).left(8));
    QDir().mkpath(folder);
    return folder;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(bytes) == bytes.size();
}

bool writeScript(const QString& path, const QByteArray& body) {
    if (!writeFile(path, QByteArrayLiteral("#!/bin/sh\n") + body)) return false;
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

void isolateUserFolders() {
    static QString home;
    if (!home.isEmpty()) return;
    home = makeTestFolder(QStringLiteral("home"));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        const QString path = home + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(path);
        qputenv(name, QFile::encodeName(path));
    }
    // What the process leaves in its temporary folder, or sweeps from it, is no
    // other process's business.
    const QString temp = home + QStringLiteral("/tmp");
    QDir().mkpath(temp);
    qputenv("TMPDIR", QFile::encodeName(temp));
    std::atexit([] { QDir(home).removeRecursively(); });
}

void ensureApplication() {
    if (QCoreApplication::instance()) return;
    isolateUserFolders();
    static int argc = 1;
    static char name[] = "vantrel-tests";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

}  // namespace testsupport
