#pragma once

// The list of added movies, above the split's divider: a header with the count,
// the mismatched rows and "Clear", one row per source, or a prompt to add videos
// while the list is empty. Files and folders dropped anywhere on the pane are
// added, folders through a scan for movie files.

#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/DesignIndicators.h"
#include "Vantrel/views/PaneWidgets.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

class QStackedLayout;

namespace vantrel {

class LazyRowList;

class SourceListPane : public QWidget {
    Q_OBJECT

public:
    explicit SourceListPane(AppModel* model, QWidget* parent = nullptr);

    AppModel* model() const { return model_; }
    LazyRowList* list() const { return list_; }
    // Applies model changes now instead of on the next turn.
    void refreshNow();
    // The header and the line under it: the least height the pane gives up to.
    int headerHeight() const;

    // The local files of a drop, in order: folders become the movies found in
    // them, files count when their name says movie. Safe on any thread.
    static QList<QUrl> droppedMovies(const QList<QUrl>& urls);
    // The same, also naming the files of dropped folders that cannot be opened.
    static AppModel::FolderScan scanDrop(const QList<QUrl>& urls);

signals:
    // A drop's scan has finished and its movies were handed to the model.
    void dropHandled(int movies);

protected:
    void paintEvent(QPaintEvent*) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();

    AppModel* model_;
    KelpSectionHead* head_;
    SymbolText* mismatched_;
    SymbolText* skipped_;
    KelpButton* clear_;
    QStackedLayout* body_;
    QWidget* empty_;
    LazyRowList* list_;
    QHash<QUuid, qsizetype> indexOf_;
    TurnScheduler refresher_;
};

}  // namespace vantrel
