#include "HelpMenu/views/HelpWindowView.h"

#include "HelpMenu/HelpWindowController.h"
#include "HelpMenu/views/HelpTopicView.h"
#include "SymbolIcons/SymbolIcons.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace helpmenu {

namespace {

constexpr int topicIdRole = Qt::UserRole;
constexpr int headerRole = Qt::UserRole + 1;
constexpr int rowPadding = 4;

QFont pixelFont(const QFont& base, int pixels, QFont::Weight weight = QFont::Normal) {
    QFont f(base);
    f.setPixelSize(pixels);
    f.setWeight(weight);
    return f;
}

QColor highlightColor(const QPalette& palette) {
    QColor c = palette.color(QPalette::Highlight);
    c.setAlphaF(0.25);
    return c;
}

QList<QTextLayout::FormatRange> formats(const HighlightedText& text, const QColor& background) {
    QList<QTextLayout::FormatRange> out;
    for (const auto& r : text.ranges) {
        QTextLayout::FormatRange f;
        f.start = int(r.start);
        f.length = int(r.length);
        f.format.setFontWeight(QFont::Bold);
        f.format.setBackground(background);
        out.append(f);
    }
    return out;
}

constexpr qreal unboundedWidth = 1e6;

// Lays out `text` with its hit formats in lines of `width`, at most `maxLines` of
// them; the last one as wide as its text when `lastUnbounded`.
std::unique_ptr<QTextLayout> wrapText(const HighlightedText& text, const QFont& font, qreal width, int maxLines,
                                      const QColor& background, bool lastUnbounded = false) {
    auto layout = std::make_unique<QTextLayout>(text.text, font);
    layout->setFormats(formats(text, background));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->beginLayout();
    qreal y = 0;
    for (int i = 0; i < maxLines; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid()) break;
        line.setLineWidth(lastUnbounded && i + 1 == maxLines ? unboundedWidth : width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    return layout;
}

// Where the text laid out in `layout` ends.
int laidOutEnd(const QTextLayout& layout) {
    if (layout.lineCount() == 0) return 0;
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    return last.textStart() + last.textLength();
}

// The first `length` characters of `text` (without the spaces they end with,
// down to `floor`) and an ellipsis; the ranges cut to match.
HighlightedText cutWithEllipsis(const HighlightedText& text, int length, int floor) {
    QString head = text.text.left(length);
    while (head.size() > floor && head.back().isSpace()) head.chop(1);
    HighlightedText out{head + QChar(0x2026), {}};
    for (const auto& r : text.ranges) {
        const qsizetype end = std::min(r.start + r.length, head.size());
        if (r.start < end) out.ranges.append({r.start, end - r.start});
    }
    return out;
}

// How wide `text` from `from` on is drawn on one line, with its hit formats.
qreal drawnWidth(const HighlightedText& text, int from, const QFont& font, const QColor& background) {
    HighlightedText part{text.text.mid(from), {}};
    for (const auto& r : text.ranges) {
        const qsizetype start = std::max<qsizetype>(r.start, from);
        const qsizetype end = r.start + r.length;
        if (start < end) part.ranges.append({start - from, end - start});
    }
    QTextLayout layout(part.text, font);
    layout.setFormats(formats(part, background));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(unboundedWidth);
    layout.endLayout();
    return line.isValid() ? line.naturalTextWidth() : 0;
}

}  // namespace

std::unique_ptr<QTextLayout> layoutHitText(const HighlightedText& text, const QFont& font, qreal width, int maxLines,
                                           const QColor& background) {
    maxLines = std::max(maxLines, 1);
    auto layout = wrapText(text, font, width, maxLines, background);
    if (laidOutEnd(*layout) >= text.text.size()) return layout;

    // The text goes on: the last line holds what fits of its start and an
    // ellipsis. Bold hits are wider than regular text, so each candidate line is
    // measured as it is drawn, and a binary search over its length keeps the
    // number of measurements to a few.
    const int keep = layout->lineAt(layout->lineCount() - 1).textStart();
    const auto cut = [&](int length) {
        // Never between the parts of one character.
        while (length > keep && !layout->isValidCursorPosition(length)) --length;
        return cutWithEllipsis(text, length, keep);
    };
    int best = keep;
    int low = 1, high = int(text.text.size()) - keep;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        if (drawnWidth(cut(keep + mid), keep, font, background) <= width) {
            best = keep + mid;
            low = mid + 1;
        } else {
            high = mid - 1;
        }
    }
    // The lines before the last break as they did (a shorter text never breaks
    // them earlier); the last one, measured above, is not wrapped again.
    return wrapText(cut(best), font, width, maxLines, background, true);
}

namespace {

QFont captionFont(const QFont& base) { return pixelFont(base, 10); }

}  // namespace

HitRow layoutHitRow(const HelpSearchHit& hit, const QFont& font, int width, const QColor& background,
                    bool measureOnly) {
    HitRow row;
    const QRectF area = QRectF(0, 0, width, 0).adjusted(rowPadding + 2, rowPadding, -rowPadding, 0);
    const qreal textWidth = std::max<qreal>(1, area.width());
    // The title is never cut: it takes as many lines as it needs.
    row.title = wrapText(hit.highlightedTitle, font, textWidth, std::numeric_limits<int>::max(), background);
    row.titleAt = area.topLeft();
    qreal bottom = area.top() + row.title->boundingRect().height();
    if (hit.snippet) {
        const QFont caption = captionFont(font);
        if (!measureOnly) row.snippet = layoutHitText(*hit.snippet, caption, textWidth, 2, background);
        row.snippetAt = QPointF(area.left(), bottom + 2);
        // Room for two lines of excerpt, so rows of one search line up alike.
        bottom += 2 + 2 * QFontMetricsF(caption).lineSpacing();
    }
    row.height = int(std::ceil(bottom + rowPadding));
    return row;
}

namespace {

class HitDelegate : public QStyledItemDelegate {
public:
    HitDelegate(const QHash<QString, HelpSearchHit>* hits, QObject* parent) : QStyledItemDelegate(parent), hits_(hits) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.data(headerRole).toBool()) {
            // A header is drawn as a label of the list, not as a disabled row.
            QStyleOptionViewItem opt(option);
            opt.state |= QStyle::State_Enabled;
            QStyledItemDelegate::paint(p, opt, index);
            return;
        }
        const auto hit = hits_->constFind(index.data(topicIdRole).toString());
        if (hit == hits_->constEnd()) {
            QStyledItemDelegate::paint(p, option, index);
            return;
        }
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, p, opt.widget);

        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette& pal = opt.palette;
        const HitRow row = layoutHitRow(*hit, opt.font, opt.rect.width(), highlightColor(pal));
        p->save();
        p->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        row.title->draw(p, opt.rect.topLeft() + row.titleAt);
        if (row.snippet) {
            QColor secondary = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
            secondary.setAlphaF(0.6);
            p->setPen(secondary);
            row.snippet->draw(p, opt.rect.topLeft() + row.snippetAt);
        }
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto hit = hits_->constFind(index.data(topicIdRole).toString());
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // Rows and section headers get room to breathe; headers a little more above.
        if (index.data(headerRole).toBool()) return {size.width(), size.height() + 3 * rowPadding};
        if (hit == hits_->constEnd()) return {size.width(), size.height() + rowPadding};
        // A hit is as wide as the list shows and as tall as its wrapped title needs.
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        const int width = view ? view->viewport()->width() : option.rect.width();
        return {width, layoutHitRow(*hit, option.font, width, Qt::transparent, true).height};
    }

private:
    const QHash<QString, HelpSearchHit>* hits_;
};

// The sidebar's list: rows are laid out again as soon as its width changes, since
// a hit's title wraps to it, and a section header never takes the selection.
class TopicList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override {
        // Dragging from a topic onto a header keeps the topic selected.
        if (index.data(headerRole).toBool()) return QItemSelectionModel::NoUpdate;
        return QListWidget::selectionCommand(index, event);
    }

    void resizeEvent(QResizeEvent* event) override {
        QListWidget::resizeEvent(event);
        if (event->size().width() != event->oldSize().width()) scheduleDelayedItemsLayout();
    }
};

QLabel* plainLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

}  // namespace

EmptyStateView::EmptyStateView(const QString& symbol, QWidget* parent) : QWidget(parent), symbol_(symbol) {
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addSpacing(56);
    title_ = plainLabel(this);
    title_->setObjectName("emptyTitle");
    title_->setFont(pixelFont(font(), 17, QFont::Bold));
    description_ = plainLabel(this);
    description_->setObjectName("emptyDescription");
    layout->addWidget(title_);
    layout->addWidget(description_);
    layout->addStretch(1);
}

void EmptyStateView::setTexts(const QString& title, const QString& description) {
    pattern_ = title;
    subject_.reset();
    description_->setText(description);
    fitTitle();
}

void EmptyStateView::setSubjectTexts(const QString& pattern, const QString& subject, const QString& description) {
    pattern_ = pattern;
    subject_ = subject;
    description_->setText(description);
    fitTitle();
}

void EmptyStateView::fitTitle() {
    const qsizetype at = pattern_.indexOf(QLatin1String("%1"));
    if (!subject_ || at < 0) {
        title_->setText(title());
        return;
    }
    const QFontMetrics metrics(title_->font());
    const QMargins margins = layout()->contentsMargins();
    const int width = std::max(1, this->width() - margins.left() - margins.right());
    const QString subject = subject_->simplified();
    const QString whole = pattern_.arg(subject);
    if (metrics.horizontalAdvance(whole) <= width) {
        title_->setText(whole);
        return;
    }
    // The subject starts a line of its own, with the marks of the pattern that
    // touch it (its quotes), and is cut to that line.
    QString lead = pattern_.left(at);
    const QString trail = pattern_.mid(at + 2);
    QString words;
    if (const qsizetype space = lead.lastIndexOf(QLatin1Char(' ')); space >= 0) {
        words = lead.left(space) + QLatin1Char('\n');
        lead = lead.mid(space + 1);
    }
    const int room = std::max(0, width - metrics.horizontalAdvance(lead + trail));
    title_->setText(words + lead + metrics.elidedText(subject, Qt::ElideRight, room) + trail);
}

void EmptyStateView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (subject_ && event->size().width() != event->oldSize().width()) fitTitle();
}

QString EmptyStateView::title() const {
    return subject_ && pattern_.contains(QLatin1String("%1")) ? pattern_.arg(*subject_) : pattern_;
}
QString EmptyStateView::description() const { return description_->text(); }

void EmptyStateView::paintEvent(QPaintEvent*) {
    // The symbol sits just above the title.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(width() / 2.0 - 20, title_->geometry().top() - 52, 40, 40);
    QColor c = palette().color(QPalette::WindowText);
    c.setAlphaF(0.45);
    SymbolIcons::paint(&p, box, symbol_, c);
}

HelpSidebarView::HelpSidebarView(HelpViewModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    setMinimumWidth(200);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 0, 8);
    search_ = new QLineEdit(this);
    search_->setObjectName("helpSearch");
    search_->setPlaceholderText("Search Help");
    search_->setClearButtonEnabled(true);
    search_->setText(model_->searchText());
    layout->addWidget(search_);

    stack_ = new QStackedWidget(this);
    list_ = new TopicList(stack_);
    list_->setObjectName("helpTopics");
    list_->setItemDelegate(new HitDelegate(&hits_, list_));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setUniformItemSizes(false);
    noTopics_ = new EmptyStateView("questionmark.circle", stack_);
    noTopics_->setObjectName("noHelpTopics");
    noTopics_->setTexts("No Help Topics", "This app hasn't provided any help content yet.");
    noResults_ = new EmptyStateView("magnifyingglass", stack_);
    noResults_->setObjectName("noSearchResults");
    stack_->addWidget(list_);
    stack_->addWidget(noTopics_);
    stack_->addWidget(noResults_);
    layout->addWidget(stack_, 1);

    connect(search_, &QLineEdit::textChanged, model_, [this](const QString& text) {
        if (text == model_->searchText()) return;
        model_->setSearchText(text);
        model_->reconcileSelectionWithFilter();
    });
    connect(model_, &HelpViewModel::searchTextChanged, this, &HelpSidebarView::rebuild);
    connect(model_, &HelpViewModel::contentChanged, this, &HelpSidebarView::rebuild);
    connect(model_, &HelpViewModel::selectionChanged, this, &HelpSidebarView::selectFromModel);
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        // A list being rebuilt passes through "nothing selected": that is not the user's choice.
        if (rebuilding_ || !item || item->data(headerRole).toBool()) return;
        model_->setSelection(item->data(topicIdRole).toString());
    });
    rebuild();
}

void HelpSidebarView::rebuild() {
    if (search_->text() != model_->searchText()) search_->setText(model_->searchText());
    if (model_->isEmpty()) {
        stack_->setCurrentWidget(noTopics_);
        return;
    }
    if (model_->hasNoSearchResults()) {
        noResults_->setSubjectTexts("No Results for \u201C%1\u201D", model_->searchText(),
                                    "Check the spelling or try a new search.");
        stack_->setCurrentWidget(noResults_);
        return;
    }
    stack_->setCurrentWidget(list_);
    rebuilding_ = true;
    hits_.clear();
    if (model_->isSearching()) {
        for (HelpSearchHit& hit : model_->searchHits()) hits_.insert(hit.id(), std::move(hit));
    }
    list_->clear();
    for (const HelpTopicGroup& group : model_->filteredGroups()) {
        if (!group.name.isEmpty()) {
            auto* header = new QListWidgetItem(group.name, list_);
            // Not a topic: neither a click nor the arrow keys make it current.
            header->setFlags(Qt::NoItemFlags);
            header->setData(headerRole, true);
            header->setFont(pixelFont(list_->font(), 11, QFont::DemiBold));
        }
        for (const HelpTopic& topic : group.topics) {
            auto* item = new QListWidgetItem(topic.title, list_);
            item->setData(topicIdRole, topic.id);
            item->setSizeHint(QSize());
        }
    }
    rebuilding_ = false;
    selectFromModel();
}

void HelpSidebarView::selectFromModel() {
    rebuilding_ = true;
    list_->setCurrentItem(nullptr);
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        if (model_->selection() && item->data(topicIdRole).toString() == *model_->selection()) {
            list_->setCurrentItem(item);
            break;
        }
    }
    rebuilding_ = false;
}

HelpDetailView::HelpDetailView(HelpViewModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(this);
    empty_ = new EmptyStateView("sidebar.left", stack_);
    empty_->setObjectName("selectATopic");
    empty_->setTexts("Select a Topic", "Choose a topic from the sidebar to read it here.");
    scroll_ = new QScrollArea(stack_);
    scroll_->setObjectName("helpDetail");
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stack_->addWidget(empty_);
    stack_->addWidget(scroll_);
    layout->addWidget(stack_);
    connect(model_, &HelpViewModel::selectionChanged, this, &HelpDetailView::showSelected);
    connect(model_, &HelpViewModel::contentChanged, this, &HelpDetailView::showSelected);
    showSelected();
}

void HelpDetailView::showSelected() {
    const std::optional<HelpTopic> topic = model_->selectedTopic();
    if (!topic) {
        shownId_.clear();
        stack_->setCurrentWidget(empty_);
        return;
    }
    shownId_ = topic->id;
    auto* page = new QWidget;
    page->setObjectName("helpTopicPage");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    const TopicRenderer& render = HelpWindowController::topicRenderer();
    QWidget* body = render ? render(*topic, model_->content().imageBaseURL)
                          : makeHelpTopicView(*topic, model_->content().imageBaseURL);
    body->setObjectName("helpTopicBody");
    layout->addWidget(body);
    layout->addStretch(1);
    // A new page for every topic, so a switch starts at the top.
    delete scroll_->takeWidget();
    scroll_->setWidget(page);
    scroll_->verticalScrollBar()->setValue(0);
    stack_->setCurrentWidget(scroll_);
}

HelpWindowView::HelpWindowView(HelpContent content, QWidget* parent) : QWidget(parent) {
    model_ = new HelpViewModel(std::move(content), this);
    setMinimumSize(640, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    sidebar_ = new HelpSidebarView(model_, split);
    detail_ = new HelpDetailView(model_, split);
    split->addWidget(sidebar_);
    split->addWidget(detail_);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 580});
    layout->addWidget(split);
}

}  // namespace helpmenu
