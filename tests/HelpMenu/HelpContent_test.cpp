#include <gtest/gtest.h>

#include "HelpMenu/HelpContent.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace helpmenu;
using Kind = HelpContentError::Kind;

namespace {

struct Bundle {
    QTemporaryDir dir;
    QString root() const { return dir.path() + "/help"; }
    Bundle() { QDir(dir.path()).mkdir("help"); }
    void write(const QString& name, const QByteArray& bytes, const QString& in = {}) const {
        QFile f((in.isEmpty() ? root() : in) + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    std::optional<HelpContentError> failure(const QString& manifest = "help-manifest") const {
        try {
            HelpContent::load(manifest, root());
        } catch (const HelpContentError& e) {
            return e;
        }
        return std::nullopt;
    }
};

QByteArray manifestWith(const QByteArray& topic) { return R"({"windowTitle":"W","topics":[)" + topic + "]}"; }

}  // namespace

TEST(HelpContent, BrokenManifestsFailWholeWithTheirReason) {
    const struct { const char* name; QByteArray json; QString why; } cases[] = {
        {"not JSON", "{topics", "The manifest is not valid JSON ("},
        {"root array", "[]", "The manifest is not a JSON object."},
        {"no topics", R"({"windowTitle":"W"})", "the manifest has no \"topics\"."},
        {"no title", manifestWith(R"({"id":"a","markdownFile":"a"})"), "topic 1 has no \"title\"."},
        {"numeric id", manifestWith(R"({"id":5,"title":"A","markdownFile":"a"})"), "\"id\" of topic 1 is not a string."},
        {"numeric group", manifestWith(R"({"id":"a","title":"A","markdownFile":"a","group":3})"),
         "\"group\" of topic 1 is not a string."},
        {"invalid UTF-8", "{\"topics\":[], \"windowTitle\":\"\xff\"}", "The manifest is not valid UTF-8."},
    };
    for (const auto& c : cases) {
        Bundle b;
        b.write("help-manifest.json", c.json);
        const auto error = b.failure();
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->kind(), Kind::manifestUnreadable) << c.name;
        EXPECT_TRUE(error->errorDescription().startsWith("Help manifest 'help-manifest' could not be read: " + c.why))
            << c.name << ": " << error->errorDescription().toStdString();
    }
    Bundle empty;
    const auto missing = empty.failure("guide");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->errorDescription(), "Help manifest 'guide' was not found in the bundle.");
}

TEST(HelpContent, TitlesNamesAndExtensions) {
    Bundle b;
    b.write("guide.data", R"({"topics":[{"id":"a","title":"A","markdownFile":"intro"},
        {"id":"b","title":"B","markdownFile":"intro.markdown","group":null}]})");
    b.write("intro.md", "# Intro\n");
    b.write("intro.markdown", "# Other\n");
    const HelpContent c = HelpContent::load("guide.data", b.root());
    EXPECT_EQ(c.windowTitle, "Help");
    ASSERT_EQ(c.topics.size(), 2);
    EXPECT_EQ(c.topics[0].markdown, "# Intro\n");
    EXPECT_EQ(c.topics[1].markdown, "# Other\n");
    EXPECT_FALSE(c.topics[1].group);
    EXPECT_EQ(c.imageBaseURL, QUrl::fromLocalFile(b.root()));
    EXPECT_TRUE(b.failure("guide"));  // guide.json does not exist

    b.write("help-manifest.json", R"({"windowTitle":"","topics":[]})");
    const HelpContent empty = HelpContent::load("help-manifest", b.root());
    EXPECT_EQ(empty.windowTitle, "");
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(empty.groups().isEmpty());
}

TEST(HelpContent, UnloadableTopicsGetThePlaceholderAndNothingOutsideIsRead) {
    Bundle b;
    b.write("secret.md", "SECRET", b.dir.path());
    QDir(b.root()).mkdir("folder.md");
    QFile::link(b.dir.path() + "/secret.md", b.root() + "/escape.md");
    b.write("latin1.md", "caf\xe9");
    const QStringList names{"missing", "latin1", "folder", "escape", "../secret", "/etc/passwd", "a\\b", ".", "..", ""};
    for (const QString& name : names) {
        const QString text = HelpContent::loadTopicMarkdown(name, "Topic", b.root());
        EXPECT_EQ(text, "# Topic\n\n*This help topic could not be loaded.*\n\nThe file **" + name
                            + "** is missing from the application's help files. Please report this to the app developer.")
            << name.toStdString();
    }
    EXPECT_TRUE(resolveResource("../help-manifest", "json", b.root() + "/sub").isEmpty());
    // A manifest name that walks out of the folder is not found.
    b.write("outside.json", R"({"topics":[]})", b.dir.path());
    const auto error = b.failure("../outside");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), Kind::manifestNotFound);
}

TEST(HelpContent, GroupsKeepFirstAppearanceAndDuplicateIdsKeepTheFirst) {
    auto t = [](QString id, std::optional<QString> group) { return HelpTopic{id, id, "", group}; };
    const auto names = [](const QList<HelpTopicGroup>& groups) {
        QStringList out;
        for (const auto& g : groups) {
            QStringList ids;
            for (const auto& topic : g.topics) ids << topic.id;
            out << g.name + ":" + ids.join(',');
        }
        return out;
    };
    EXPECT_EQ(names(groupTopics({t("A", "Basics"), t("B", "Export"), t("C", "Basics")})),
              QStringList({"Basics:A,C", "Export:B"}));
    EXPECT_EQ(names(groupTopics({t("A", {}), t("B", "Basics"), t("C", {})})), QStringList({":A,C", "Basics:B"}));
    EXPECT_EQ(names(groupTopics({t("A", ""), t("B", {})})), QStringList({":A", ":B"}));

    Bundle b;
    b.write("help-manifest.json", manifestWith(R"({"id":"a","title":"First","markdownFile":"x"},
                                                  {"id":"a","title":"Second","markdownFile":"x"})"));
    const HelpContent c = HelpContent::load("help-manifest", b.root());
    ASSERT_EQ(c.topics.size(), 1);
    EXPECT_EQ(c.topics[0].title, "First");
}
