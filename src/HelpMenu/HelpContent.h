#pragma once
// The help's content: topics read once at start-up from a JSON manifest and one
// Markdown file per topic inside a folder (":/help" in the application).

#include <QList>
#include <QString>
#include <QUrl>

#include <exception>
#include <optional>

namespace helpmenu {

struct HelpTopic {
    QString id;
    QString title;
    QString markdown;
    std::optional<QString> group;

    bool operator==(const HelpTopic&) const = default;
};
size_t qHash(const HelpTopic& topic, size_t seed = 0);

struct HelpTopicGroup {
    QString name;  // "" for the ungrouped topics
    QList<HelpTopic> topics;

    QString id() const { return name; }
    bool operator==(const HelpTopicGroup&) const = default;
};

class HelpContentError : public std::exception {
public:
    enum class Kind { manifestNotFound, manifestUnreadable };

    HelpContentError(Kind kind, QString name, QString underlying = {});
    Kind kind() const { return kind_; }
    const QString& name() const { return name_; }
    QString errorDescription() const;
    const char* what() const noexcept override { return what_.constData(); }

private:
    Kind kind_;
    QString name_;
    QString underlying_;
    QByteArray what_;
};

struct HelpContent {
    QList<HelpTopic> topics;
    QString windowTitle;
    std::optional<QUrl> imageBaseURL;

    HelpContent(QList<HelpTopic> topics, QString windowTitle, std::optional<QUrl> imageBaseURL)
        : topics(std::move(topics)), windowTitle(std::move(windowTitle)), imageBaseURL(std::move(imageBaseURL)) {}

    // Reads `manifest` (extension "json" when it has none) and every topic file from
    // the folder `bundleRoot`. Throws HelpContentError; a topic file that cannot be
    // read never fails the load but carries a placeholder text.
    static HelpContent load(const QString& manifest, const QString& bundleRoot);

    // The Markdown of one topic, or the placeholder naming `fileName` as written.
    static QString loadTopicMarkdown(const QString& fileName, const QString& title, const QString& bundleRoot);

    bool isEmpty() const { return topics.isEmpty(); }
    QList<HelpTopicGroup> groups() const;

    bool operator==(const HelpContent&) const = default;
};

// The topics grouped for the sidebar: one group per group name in order of first
// appearance, the ungrouped ones under "" (apart from a group really named "").
QList<HelpTopicGroup> groupTopics(const QList<HelpTopic>& topics);

// The path of resource `name` inside `bundleRoot`, with `defaultExtension` added
// when the name has none; empty when the name is not a plain file name, when the
// file is missing or not a regular file, or when it resolves outside the folder.
QString resolveResource(const QString& name, const QString& defaultExtension, const QString& bundleRoot);

}  // namespace helpmenu
