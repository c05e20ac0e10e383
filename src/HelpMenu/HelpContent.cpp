#include "HelpMenu/HelpContent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSet>
#include <QStringDecoder>

namespace helpmenu {

Q_LOGGING_CATEGORY(lcHelpContent, "helpmenu.content")

size_t qHash(const HelpTopic& t, size_t seed) {
    return qHashMulti(seed, t.id, t.title, t.markdown, t.group.has_value(), t.group.value_or(QString()));
}

HelpContentError::HelpContentError(Kind kind, QString name, QString underlying)
    : kind_(kind), name_(std::move(name)), underlying_(std::move(underlying)), what_(errorDescription().toUtf8()) {}

QString HelpContentError::errorDescription() const {
    if (kind_ == Kind::manifestNotFound) return "Help manifest '" + name_ + "' was not found in the bundle.";
    return "Help manifest '" + name_ + "' could not be read: " + underlying_;
}

namespace {

// A name the bundle may be asked for: one plain file name, nothing that walks.
bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\')
           && !name.contains(QChar(0));
}

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

[[noreturn]] void unreadable(const QString& manifest, const QString& why) {
    throw HelpContentError(HelpContentError::Kind::manifestUnreadable, manifest, why);
}

// A string member: absent or null gives nullopt when allowed; any other type fails.
std::optional<QString> stringMember(const QJsonObject& object, const QString& key, bool required,
                                    const QString& where, const QString& manifest) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || (value.isNull() && !required)) {
        if (required) unreadable(manifest, where + " has no \"" + key + "\".");
        return std::nullopt;
    }
    if (!value.isString()) unreadable(manifest, "\"" + key + "\" of " + where + " is not a string.");
    return value.toString();
}

}  // namespace

QString resolveResource(const QString& name, const QString& defaultExtension, const QString& bundleRoot) {
    if (!isPlainFileName(name)) return {};
    const QString fileName = QFileInfo(name).suffix().isEmpty() ? name + "." + defaultExtension : name;
    const QFileInfo info(QDir(bundleRoot).filePath(fileName));
    if (!info.isFile()) return {};
    // Resources compiled into the program have no links to follow.
    if (bundleRoot.startsWith(':')) return info.filePath();
    const QString root = QFileInfo(bundleRoot).canonicalFilePath();
    const QString resolved = info.canonicalFilePath();
    if (root.isEmpty() || !resolved.startsWith(root + "/")) return {};
    return resolved;
}

QString HelpContent::loadTopicMarkdown(const QString& fileName, const QString& title, const QString& bundleRoot) {
    const QString path = resolveResource(fileName, "md", bundleRoot);
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            if (auto text = decodeUtf8(file.readAll())) return *text;
        }
    }
    return "# " + title + "\n\n*This help topic could not be loaded.*\n\nThe file **" + fileName
           + "** is missing from the application's help files. Please report this to the app developer.";
}

HelpContent HelpContent::load(const QString& manifest, const QString& bundleRoot) {
    const QString path = resolveResource(manifest, "json", bundleRoot);
    if (path.isEmpty()) throw HelpContentError(HelpContentError::Kind::manifestNotFound, manifest);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) unreadable(manifest, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) unreadable(manifest, file.errorString());
    if (!decodeUtf8(bytes)) unreadable(manifest, "The manifest is not valid UTF-8.");

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        unreadable(manifest, "The manifest is not valid JSON (" + parseError.errorString() + " at offset "
                                 + QString::number(parseError.offset) + ").");
    if (!document.isObject()) unreadable(manifest, "The manifest is not a JSON object.");
    const QJsonObject root = document.object();

    const QString windowTitle = stringMember(root, "windowTitle", false, "the manifest", manifest).value_or("Help");
    const QJsonValue topicsValue = root.value("topics");
    if (topicsValue.isUndefined()) unreadable(manifest, "the manifest has no \"topics\".");
    if (!topicsValue.isArray()) unreadable(manifest, "\"topics\" of the manifest is not an array.");

    // Decode every entry before reading any topic file: a bad entry fails the whole manifest.
    struct Entry { QString id, title, markdownFile; std::optional<QString> group; };
    QList<Entry> entries;
    const QJsonArray array = topicsValue.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString where = "topic " + QString::number(i + 1);
        if (!array[i].isObject()) unreadable(manifest, where + " is not a JSON object.");
        const QJsonObject o = array[i].toObject();
        entries.append({*stringMember(o, "id", true, where, manifest), *stringMember(o, "title", true, where, manifest),
                        *stringMember(o, "markdownFile", true, where, manifest),
                        stringMember(o, "group", false, where, manifest)});
    }

    QList<HelpTopic> topics;
    QSet<QString> ids;
    for (const Entry& e : entries) {
        // Selection and search hits find topics by id: a second topic with the same id
        // could never be shown, so the first one wins.
        if (ids.contains(e.id)) {
            qCWarning(lcHelpContent) << "Help topic" << e.id << "appears twice in" << manifest << "; the later one is left out";
            continue;
        }
        ids.insert(e.id);
        topics.append({e.id, e.title, loadTopicMarkdown(e.markdownFile, e.title, bundleRoot), e.group});
    }
    QUrl base = bundleRoot.startsWith(':') ? QUrl("qrc" + bundleRoot) : QUrl::fromLocalFile(QFileInfo(bundleRoot).absoluteFilePath());
    return HelpContent(std::move(topics), windowTitle, base);
}

QList<HelpTopicGroup> groupTopics(const QList<HelpTopic>& topics) {
    // Ungrouped topics share a key no group name can equal, so "" stays a group of its own.
    static const QString ungrouped = QString(QChar(0)) + "__ungrouped__";
    QList<HelpTopicGroup> groups;
    QHash<QString, qsizetype> index;
    for (const HelpTopic& topic : topics) {
        const QString key = topic.group.value_or(ungrouped);
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.insert(key, groups.size());
            groups.append({key == ungrouped ? QString() : key, {}});
        }
        groups[*it].topics.append(topic);
    }
    return groups;
}

QList<HelpTopicGroup> HelpContent::groups() const { return groupTopics(topics); }

}  // namespace helpmenu
