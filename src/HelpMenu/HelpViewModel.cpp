#include "HelpMenu/HelpViewModel.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace helpmenu {

namespace {

// Offsets at which user-perceived characters start, with the text's end last.
QList<qsizetype> graphemeBoundaries(const QString& text) {
    QList<qsizetype> bounds{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0) bounds.append(finder.position());
    if (bounds.last() != text.size()) bounds.append(text.size());
    return bounds;
}

// The first case-insensitive occurrence of `query` at or after `from` that neither
// starts nor ends inside a character (an accent or emoji stays whole).
qsizetype find(const QString& text, const QString& query, qsizetype from, const QList<qsizetype>& bounds) {
    for (qsizetype at = text.indexOf(query, from, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(query, at + 1, Qt::CaseInsensitive)) {
        if (std::binary_search(bounds.begin(), bounds.end(), at)
            && std::binary_search(bounds.begin(), bounds.end(), at + query.size()))
            return at;
    }
    return -1;
}

qsizetype characterIndex(const QList<qsizetype>& bounds, qsizetype offset) {
    return std::lower_bound(bounds.begin(), bounds.end(), offset) - bounds.begin();
}

}  // namespace

HighlightedText highlight(const QString& text, const QString& rawQuery) {
    HighlightedText result{text, {}};
    const QString query = rawQuery.trimmed();
    if (query.isEmpty()) return result;
    const QList<qsizetype> bounds = graphemeBoundaries(text);
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype at = find(text, query, start, bounds);
        if (at < 0) break;
        result.ranges.append({at, query.size()});
        start = at + query.size();
    }
    return result;
}

std::optional<QString> excerpt(const QString& markdown, const QString& rawQuery) {
    constexpr qsizetype context = 72;
    const QString query = rawQuery.trimmed();
    if (query.isEmpty()) return std::nullopt;
    const QList<qsizetype> bounds = graphemeBoundaries(markdown);
    const qsizetype at = find(markdown, query, 0, bounds);
    if (at < 0) return std::nullopt;

    const qsizetype count = bounds.size() - 1;
    const qsizetype lo = characterIndex(bounds, at);
    const qsizetype hi = characterIndex(bounds, at + query.size());
    const qsizetype from = std::max<qsizetype>(lo - context, 0);
    const qsizetype to = std::min(hi + context, count);

    static const QRegularExpression whitespace("\\s+", QRegularExpression::UseUnicodePropertiesOption);
    QString line = markdown.mid(bounds[from], bounds[to] - bounds[from]);
    line.replace(whitespace, " ");
    qsizetype first = 0, last = line.size();
    while (first < last && (line[first] == ' ' || line[first] == '\t')) ++first;
    while (last > first && (line[last - 1] == ' ' || line[last - 1] == '\t')) --last;
    // Markdown decoration at the start says nothing in a one-line excerpt.
    while (first < last && QStringView(u"#>-*| ").contains(line[first])) ++first;
    line = line.mid(first, last - first);

    if (lo - context >= 1) line.prepend(QChar(0x2026));
    if (hi + context < count) line.append(QChar(0x2026));
    return line;
}

HelpViewModel::HelpViewModel(HelpContent content, QObject* parent) : QObject(parent), content_(std::move(content)) {
    if (!content_.topics.isEmpty()) selection_ = content_.topics.first().id;
}

void HelpViewModel::setContent(HelpContent content) {
    content_ = std::move(content);
    emit contentChanged();
}

void HelpViewModel::setSelection(std::optional<QString> id) {
    if (id == selection_) return;
    selection_ = std::move(id);
    emit selectionChanged();
}

void HelpViewModel::setSearchText(const QString& text) {
    if (text == searchText_) return;
    searchText_ = text;
    emit searchTextChanged();
}

QList<HelpTopic> HelpViewModel::filteredTopics() const {
    const QString q = query();
    if (q.isEmpty()) return content_.topics;
    QList<HelpTopic> result;
    for (const HelpTopic& topic : content_.topics) {
        if (topic.title.contains(q, Qt::CaseInsensitive) || topic.markdown.contains(q, Qt::CaseInsensitive))
            result.append(topic);
    }
    return result;
}

QList<HelpSearchHit> HelpViewModel::searchHits() const {
    QList<HelpSearchHit> hits;
    const QString q = query();
    if (q.isEmpty()) return hits;
    for (const HelpTopic& topic : filteredTopics()) {
        std::optional<HighlightedText> snippet;
        if (auto line = excerpt(topic.markdown, q)) snippet = highlight(*line, q);
        hits.append({topic, highlight(topic.title, q), std::move(snippet)});
    }
    return hits;
}

std::optional<HelpSearchHit> HelpViewModel::hit(const QString& id) const {
    for (HelpSearchHit& h : searchHits())
        if (h.id() == id) return std::move(h);
    return std::nullopt;
}

std::optional<HelpTopic> HelpViewModel::selectedTopic() const {
    if (!selection_) return std::nullopt;
    for (const HelpTopic& topic : content_.topics)
        if (topic.id == *selection_) return topic;
    return std::nullopt;
}

void HelpViewModel::reconcileSelectionWithFilter() {
    const QList<HelpTopic> filtered = filteredTopics();
    if (filtered.isEmpty()) return;
    for (const HelpTopic& topic : filtered)
        if (selection_ && topic.id == *selection_) return;
    setSelection(filtered.first().id);
}

}  // namespace helpmenu
