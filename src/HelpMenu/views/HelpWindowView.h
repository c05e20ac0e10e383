#pragma once
// The help window's content: a searchable, grouped topic list beside the
// selected topic.

#include "HelpMenu/HelpViewModel.h"

#include <QHash>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QTextLayout;
class QLineEdit;
class QListWidget;
class QScrollArea;
class QStackedWidget;

namespace helpmenu {

// Lays out `text` as a search hit row draws it, its ranges bold on `background`:
// at most `maxLines` lines of `width`, the last one cut with "…" when the text
// goes on.
std::unique_ptr<QTextLayout> layoutHitText(const HighlightedText& text, const QFont& font, qreal width, int maxLines,
                                           const QColor& background);

// A search hit's row as it is drawn `width` wide: the title on every line it
// needs, the excerpt below it on at most two (as `layoutHitText` cuts it), each
// placed in the row, and the height the row takes. The excerpt's room does not
// depend on its text: `measureOnly` leaves its layout out.
struct HitRow {
    std::unique_ptr<QTextLayout> title;
    std::unique_ptr<QTextLayout> snippet;  // none without an excerpt
    QPointF titleAt;
    QPointF snippetAt;
    int height = 0;
};
HitRow layoutHitRow(const HelpSearchHit& hit, const QFont& font, int width, const QColor& background,
                    bool measureOnly = false);

// A centred icon, title and description for a pane with nothing to show.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    EmptyStateView(const QString& symbol, QWidget* parent = nullptr);
    void setTexts(const QString& title, const QString& description);
    // A title made of `pattern` with `subject` for its "%1": the subject, however
    // long, keeps to one line (a line of its own when the whole does not fit),
    // cut with "…" where that line ends.
    void setSubjectTexts(const QString& pattern, const QString& subject, const QString& description);
    // The whole title, the subject uncut.
    QString title() const;
    QString description() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void fitTitle();

    QString symbol_;
    QString pattern_;
    std::optional<QString> subject_;
    QLabel* title_;
    QLabel* description_;
};

class HelpSidebarView : public QWidget {
    Q_OBJECT
public:
    HelpSidebarView(HelpViewModel* model, QWidget* parent = nullptr);
    QLineEdit* searchField() const { return search_; }
    QListWidget* list() const { return list_; }

private:
    void rebuild();
    void selectFromModel();

    HelpViewModel* model_;
    QLineEdit* search_;
    QStackedWidget* stack_;
    QListWidget* list_;
    EmptyStateView* noTopics_;
    EmptyStateView* noResults_;
    QHash<QString, HelpSearchHit> hits_;
    bool rebuilding_ = false;
};

class HelpDetailView : public QWidget {
    Q_OBJECT
public:
    HelpDetailView(HelpViewModel* model, QWidget* parent = nullptr);
    QScrollArea* scrollArea() const { return scroll_; }
    // The topic shown, or empty.
    const QString& shownTopicId() const { return shownId_; }

private:
    void showSelected();

    HelpViewModel* model_;
    QStackedWidget* stack_;
    EmptyStateView* empty_;
    QScrollArea* scroll_;
    QString shownId_;
};

class HelpWindowView : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindowView(HelpContent content, QWidget* parent = nullptr);
    HelpViewModel* model() const { return model_; }
    HelpSidebarView* sidebar() const { return sidebar_; }
    HelpDetailView* detail() const { return detail_; }

private:
    HelpViewModel* model_;
    HelpSidebarView* sidebar_;
    HelpDetailView* detail_;
};

}  // namespace helpmenu
