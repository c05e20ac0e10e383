#include "Vantrel/queue/FileIdentity.h"

#include "Vantrel/queue/JsonCoding.h"

#include <QFile>

#include <sys/stat.h>

namespace vantrel {

std::optional<FileNode> FileNode::ofOpen(int descriptor) {
    struct stat facts {};
    if (::fstat(descriptor, &facts) != 0) return std::nullopt;
    return FileNode{quint64(facts.st_dev), quint64(facts.st_ino)};
}

QJsonObject FileNode::toJson() const {
    return QJsonObject{{QStringLiteral("device"), QString::number(device)}, {QStringLiteral("inode"), QString::number(inode)}};
}

std::optional<FileNode> FileNode::fromJson(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    auto number = [&object](const char* key) {
        bool ok = false;
        const quint64 n = object.value(QLatin1StringView(key)).toString().toULongLong(&ok);
        return ok ? std::optional<quint64>(n) : std::nullopt;
    };
    const auto device = number("device");
    const auto inode = number("inode");
    if (!device || !inode) return std::nullopt;
    return FileNode{*device, *inode};
}

std::optional<FileIdentity> FileIdentity::of(const QString& path) {
    struct stat facts {};
    if (::lstat(QFile::encodeName(path).constData(), &facts) != 0 || !S_ISREG(facts.st_mode)) return std::nullopt;
    return FileIdentity{quint64(facts.st_dev), quint64(facts.st_ino), qint64(facts.st_size),
                        qint64(facts.st_mtim.tv_sec), qint64(facts.st_mtim.tv_nsec)};
}

QJsonObject FileIdentity::toJson() const {
    QJsonObject object = FileNode{device, inode}.toJson();
    object.insert(QStringLiteral("size"), size);
    object.insert(QStringLiteral("modifiedSeconds"), modifiedSeconds);
    object.insert(QStringLiteral("modifiedNanoseconds"), modifiedNanoseconds);
    return object;
}

std::optional<FileIdentity> FileIdentity::fromJson(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    const auto node = FileNode::fromJson(object);
    const auto size = json::integer(object.value(QLatin1StringView("size")));
    const auto seconds = json::integer(object.value(QLatin1StringView("modifiedSeconds")));
    const auto nanoseconds = json::integer(object.value(QLatin1StringView("modifiedNanoseconds")));
    if (!node || !size || !seconds || !nanoseconds) return std::nullopt;
    return FileIdentity{node->device, node->inode, *size, *seconds, *nanoseconds};
}

}  // namespace vantrel
