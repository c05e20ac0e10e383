#include "Vantrel/views/SourceListPane.h"

#include "Vantrel/media/MovieFiles.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/LazyRowList.h"
#include "Vantrel/views/SourceRowView.h"

#include "FutureWatch/WhenFinished.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPainter>
#include <QPointer>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace vantrel {

using Palette::Role;

namespace {

QList<QUrl> localFiles(const QMimeData* mime) {
    QList<QUrl> files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files << url;
    return files;
}

}  // namespace

QList<QUrl> SourceListPane::droppedMovies(const QList<QUrl>& urls) { return scanDrop(urls).movies; }

AppModel::FolderScan SourceListPane::scanDrop(const QList<QUrl>& urls) {
    AppModel::FolderScan scan;
    const QMimeDatabase types;
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        if (path.isEmpty()) continue;
        if (QFileInfo(path).isDir()) {
            const AppModel::FolderScan folder = AppModel::scanFolder(QUrl::fromLocalFile(path));
            scan.movies << folder.movies;
            scan.unopenable << folder.unopenable;
        } else if (isAcceptedMovieType(types.mimeTypeForFile(path, QMimeDatabase::MatchExtension))) {
            scan.movies << QUrl::fromLocalFile(path);
        }
    }
    return scan;
}

SourceListPane::SourceListPane(AppModel* model, QWidget* parent)
    : QWidget(parent), model_(model), refresher_(this, [this] { refresh(); }) {
    setObjectName(QStringLiteral("SourceListPane"));
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    head_ = new KelpSectionHead(tr("Sources"), std::nullopt, this);
    mismatched_ = new SymbolText(QStringLiteral("exclamationmark.triangle.fill"), {}, Kelp::font(11, QFont::Medium),
                                 Role::danger, head_);
    mismatched_->setObjectName(QStringLiteral("mismatched"));
    head_->addTrailing(mismatched_);
    skipped_ = new SymbolText(QStringLiteral("exclamationmark.triangle.fill"), {}, Kelp::font(11, QFont::Medium),
                              Role::warning, head_);
    skipped_->setObjectName(QStringLiteral("skipped"));
    skipped_->setToolTip(tr("Files left out of added folders because they cannot be opened; the console names them"));
    head_->addTrailing(skipped_);
    clear_ = new KelpButton(tr("Clear"), {KelpButtonStyle::Kind::ghost, false}, head_);
    clear_->setObjectName(QStringLiteral("clear"));
    connect(clear_, &QAbstractButton::clicked, model_, &AppModel::clearSources);
    head_->addTrailing(clear_);
    column->addWidget(head_);
    column->addWidget(new Divider(Role::hairline, this));

    auto* body = new QWidget(this);
    body_ = new QStackedLayout(body);
    auto* empty = new EmptyState(QStringLiteral("tray.and.arrow.down"), 38, 12, tr("Drop videos here"), 14,
                                 {{tr("or use "), false}, {tr("Add Videos"), true}, {tr(" in the toolbar"), false}}, 12,
                                 body);
    auto* add = new KelpButton(tr("Add Videos…"), {KelpButtonStyle::Kind::standard, false}, empty);
    add->setObjectName(QStringLiteral("addVideos"));
    connect(add, &QAbstractButton::clicked, model_, &AppModel::chooseFiles);
    empty->addControl(add);
    empty_ = empty;
    body_->addWidget(empty_);

    list_ = new LazyRowList(
        {[this](const QUuid& id, QWidget* parent) -> QWidget* { return new SourceRowView(model_, id, parent); },
         [this](QWidget* row, const QUuid& id) {
             const qsizetype index = indexOf_.value(id, -1);
             if (index >= 0 && index < model_->sources().size())
                 static_cast<SourceRowView*>(row)->setItem(model_->sources()[index], model_->tolerance(),
                                                          model_->blockingReason(model_->sources()[index]));
         },
         [](const QUuid&) { return SourceRowView::rowHeight; }},
        body);
    list_->setObjectName(QStringLiteral("sourceList"));
    body_->addWidget(list_);
    column->addWidget(body, 1);

    connect(model_, &AppModel::sourcesChanged, this, [this] { refresher_.schedule(); });
    connect(model_, &AppModel::toleranceChanged, this, [this] { refresher_.schedule(); });
    connect(model_, &AppModel::skippedFilesChanged, this, [this] { refresher_.schedule(); });
    refresh();
}

void SourceListPane::refreshNow() {
    refresher_.flush();
    list_->reconcile();
}

int SourceListPane::headerHeight() const { return head_->sizeHint().height() + 1; }

void SourceListPane::refresh() {
    const QList<SourceItem>& sources = model_->sources();
    indexOf_.clear();
    QList<QUuid> ids;
    ids.reserve(sources.size());
    for (qsizetype i = 0; i < sources.size(); ++i) {
        ids << sources[i].id;
        indexOf_.insert(sources[i].id, i);
    }
    const bool any = !sources.isEmpty();
    head_->setCount(any ? std::optional<QString>(QString::number(sources.size())) : std::nullopt);
    const int mismatched = any ? model_->mismatchedSources() : 0;
    mismatched_->setText(tr("%1 mismatched").arg(mismatched));
    mismatched_->setVisible(mismatched > 0);
    const int skipped = model_->skippedFiles();
    skipped_->setText(tr("%n skipped", nullptr, skipped));
    skipped_->setVisible(skipped > 0);
    clear_->setVisible(any || skipped > 0);
    body_->setCurrentWidget(any ? static_cast<QWidget*>(list_) : empty_);
    list_->setIds(std::move(ids));
}

void SourceListPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Palette::color(Role::paneBackground, Palette::isDark(this)));
}

void SourceListPane::dragEnterEvent(QDragEnterEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return;
    // Always a copy: a move would let the file manager delete the originals.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SourceListPane::dragMoveEvent(QDragMoveEvent* event) {
    if (localFiles(event->mimeData()).isEmpty()) return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SourceListPane::dropEvent(QDropEvent* event) {
    const QList<QUrl> files = localFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Folder scans read the disk: on a worker, then one hand-over in drop order.
    // Nothing arrives once the pane is gone.
    QPointer<AppModel> model = model_;
    futurewatch::whenFinished(QtConcurrent::run([files] { return scanDrop(files); }), this,
                              [this, model](const QFuture<AppModel::FolderScan>& done) {
                                  const AppModel::FolderScan scan = futurewatch::resultOf(done).value_or(AppModel::FolderScan{});
                                  if (model) {
                                      model->reportSkippedFiles(scan.unopenable);
                                      if (!scan.movies.isEmpty()) model->addSources(scan.movies);
                                  }
                                  emit dropHandled(int(scan.movies.size()));
                              });
}

}  // namespace vantrel
