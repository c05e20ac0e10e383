#pragma once
// The state of one help window: its content, the selected topic and the search
// text, and what follows from them (matching topics, their groups, search hits).

#include "HelpMenu/HelpContent.h"

#include <QObject>

namespace helpmenu {

// Text with the runs that match the query; ranges are UTF-16 offsets into `text`
// and always start and end between user-perceived characters.
struct HighlightedText {
    struct Range {
        qsizetype start = 0;
        qsizetype length = 0;
        bool operator==(const Range&) const = default;
    };
    QString text;
    QList<Range> ranges;
    bool operator==(const HighlightedText&) const = default;
};

struct HelpSearchHit {
    HelpTopic topic;
    HighlightedText highlightedTitle;
    std::optional<HighlightedText> snippet;  // none when only the title matches

    const QString& id() const { return topic.id; }
};

// Every occurrence of the trimmed query in `text`, left to right and without
// overlaps, ignoring case.
HighlightedText highlight(const QString& text, const QString& query);
// One line of `markdown` around the first occurrence of the query, 72 characters
// each side, with "…" where it was cut; none when the query does not occur.
std::optional<QString> excerpt(const QString& markdown, const QString& query);

class HelpViewModel : public QObject {
    Q_OBJECT
public:
    explicit HelpViewModel(HelpContent content, QObject* parent = nullptr);

    const HelpContent& content() const { return content_; }
    const std::optional<QString>& selection() const { return selection_; }
    const QString& searchText() const { return searchText_; }

    void setContent(HelpContent content);
    // Equal values are stored without a signal.
    void setSelection(std::optional<QString> id);
    void setSearchText(const QString& text);

    bool isEmpty() const { return content_.isEmpty(); }
    bool isSearching() const { return !query().isEmpty(); }
    QList<HelpTopic> filteredTopics() const;
    QList<HelpTopicGroup> filteredGroups() const { return groupTopics(filteredTopics()); }
    bool hasNoSearchResults() const { return isSearching() && filteredTopics().isEmpty(); }
    QList<HelpSearchHit> searchHits() const;
    std::optional<HelpSearchHit> hit(const QString& id) const;
    std::optional<HelpTopic> selectedTopic() const;

    // Keeps the selection inside the filtered topics: the first one when the
    // selected topic was filtered out; unchanged when nothing matches.
    void reconcileSelectionWithFilter();

signals:
    void contentChanged();
    void selectionChanged();
    void searchTextChanged();

private:
    QString query() const { return searchText_.trimmed(); }

    HelpContent content_;
    std::optional<QString> selection_;
    QString searchText_;
};

}  // namespace helpmenu
