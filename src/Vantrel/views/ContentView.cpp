#include "Vantrel/views/ContentView.h"

#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/CommandBarView.h"
#include "Vantrel/views/ConsoleView.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/Palette.h"
#include "Vantrel/views/QueuePaneView.h"
#include "Vantrel/views/QueueRowView.h"
#include "Vantrel/views/SourceListPane.h"
#include "Vantrel/views/SourceRowView.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPointer>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QSettings>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// Holds the console at its full height and shows as much of it as the drawer's
// own height allows, bottom edge first, so the console rises from the footer.
class ConsoleDrawer : public QWidget {
public:
    explicit ConsoleDrawer(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("ConsoleDrawer"));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void hold(QWidget* console) {
        console_ = console;
        if (!console) return;
        console->setParent(this);
        console->setGeometry(0, 0, width(), ContentView::consoleHeight);
        console->show();
    }

    QSize sizeHint() const override { return {console_ ? console_->sizeHint().width() : 0, ContentView::consoleHeight}; }
    QSize minimumSizeHint() const override { return {0, 0}; }

protected:
    void resizeEvent(QResizeEvent*) override {
        if (console_) console_->setGeometry(0, 0, width(), ContentView::consoleHeight);
    }

private:
    QPointer<QWidget> console_;
};

// The split between the sources and the queue: its panes keep their designed
// least heights while it has room for them, and give up height before they would
// overlap when it has not.
class SourcesQueueSplit : public QSplitter {
public:
    SourcesQueueSplit(QWidget* parent) : QSplitter(Qt::Vertical, parent) {}

    void setPanes(SourceListPane* sources, QWidget* lower, CommandBarView* bar, QueuePaneView* queue) {
        sources_ = sources;
        lower_ = lower;
        bar_ = bar;
        queue_ = queue;
        addWidget(sources);
        addWidget(lower);
        fitPanes();
    }

    // The window's layout gives the split no less than the panes' headers.
    QSize minimumSizeHint() const override {
        const ContentView::PaneHeights least = headers();
        return {QSplitter::minimumSizeHint().width(), least.sources + least.queue + handleWidth()};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        laidOut_ = true;
        fitPanes();  // before the panes are laid out in the new height
        QSplitter::resizeEvent(event);
    }

    bool event(QEvent* event) override {
        // A header that grew (its buttons shown) moves the panes' least heights.
        if (event->type() == QEvent::LayoutRequest && fitPanes()) refresh();
        return QSplitter::event(event);
    }

private:
    ContentView::PaneHeights headers() const {
        if (!sources_) return {};
        return {sources_->headerHeight(), bar_->minimumHeight() + queue_->headerHeight()};
    }
    static constexpr ContentView::PaneHeights rows{SourceRowView::rowHeight, QueueRowView::lineHeight};

    // Whether the least heights changed. Until the window lays the split out,
    // they are the designed ones.
    bool fitPanes() {
        if (!sources_) return false;
        const ContentView::PaneHeights least =
            ContentView::paneMinimums(laidOut_ ? height() - handleWidth() : QWIDGETSIZE_MAX, headers(), rows);
        if (least == ContentView::PaneHeights{sources_->minimumHeight(), lower_->minimumHeight()}) return false;
        sources_->setMinimumHeight(least.sources);
        lower_->setMinimumHeight(least.queue);
        return true;
    }

    bool laidOut_ = false;
    SourceListPane* sources_ = nullptr;
    QWidget* lower_ = nullptr;
    CommandBarView* bar_ = nullptr;
    QueuePaneView* queue_ = nullptr;
};

}  // namespace

ContentView::PaneHeights ContentView::paneMinimums(int room, PaneHeights headers, PaneHeights rows) {
    const PaneHeights designed{sourcesMinimumHeight, queueMinimumHeight};
    if (room >= designed.sources + designed.queue) return designed;
    const PaneHeights oneRow{headers.sources + rows.sources, headers.queue + rows.queue};
    if (room >= oneRow.sources + oneRow.queue) return oneRow;
    const int floor = headers.sources + headers.queue;
    if (room <= floor || rows.sources + rows.queue <= 0) return headers;
    const int sources =
        headers.sources + int(std::lround(double(room - floor) * rows.sources / (rows.sources + rows.queue)));
    return {sources, room - sources};
}

ContentView::ContentView(AppModel* model, QSettings* settings, QWidget* parent)
    : QWidget(parent), model_(model), settings_(settings),
      showConsole_(settings->value(showConsoleKey, false).toBool()) {
    setObjectName(QStringLiteral("ContentView"));

    auto* split = new SourcesQueueSplit(this);
    splitter_ = split;
    splitter_->setObjectName(splitKey);
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(6);
    auto* sources = new SourceListPane(model, splitter_);
    auto* lower = new QWidget(splitter_);
    lower->setObjectName(QStringLiteral("CommandBarAndQueue"));
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    auto* bar = new CommandBarView(model, lower);
    auto* queue = new QueuePaneView(&model->queue(), lower);
    lowerLayout->addWidget(bar);
    lowerLayout->addWidget(queue, 1);
    split->setPanes(sources, lower, bar, queue);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 1);
    splitter_->restoreState(settings_->value(splitKey).toByteArray());
    connect(splitter_, &QSplitter::splitterMoved, this,
            [this] { settings_->setValue(splitKey, splitter_->saveState()); });

    drawer_ = new ConsoleDrawer(this);
    if (showConsole_) makeConsole();
    fade_ = new QGraphicsOpacityEffect(drawer_);
    fade_->setEnabled(false);  // only while sliding: it renders through an offscreen pixmap
    drawer_->setGraphicsEffect(fade_);
    drawer_->setMaximumHeight(showConsole_ ? consoleHeight : 0);
    drawer_->setVisible(showConsole_);

    footer_ = new FooterBar(&model->queue(), showConsole_, this);
    connect(footer_, &FooterBar::showConsoleChanged, this, &ContentView::setShowConsole);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(splitter_, 1);
    layout->addWidget(drawer_);
    layout->addWidget(footer_);

    animation_ = new QParallelAnimationGroup(this);
    auto* height = new QPropertyAnimation(drawer_, "maximumHeight", animation_);
    auto* opacity = new QPropertyAnimation(fade_, "opacity", animation_);
    for (QPropertyAnimation* part : {height, opacity}) {
        part->setDuration(animationMilliseconds);
        part->setEasingCurve(QEasingCurve::InOutQuad);
    }
    connect(animation_, &QAbstractAnimation::finished, this, [this] {
        fade_->setEnabled(false);
        if (!showConsole_) {
            drawer_->hide();
            dropConsole();
        }
        QWidget::layout()->activate();  // the final heights are in place when the end is announced
        emit consoleAnimationFinished();
    });
}

// A new pane reads the whole log and starts at its first line; one still
// sliding out when the console turns on again is kept as it is.
void ContentView::makeConsole() {
    if (console_) return;
    console_ = new ConsoleView(&model_->queue());
    static_cast<ConsoleDrawer*>(drawer_)->hold(console_);
}

void ContentView::dropConsole() {
    if (!console_) return;
    static_cast<ConsoleDrawer*>(drawer_)->hold(nullptr);
    console_->hide();
    console_->deleteLater();
    console_ = nullptr;
}

void ContentView::setShowConsole(bool show) {
    if (show == showConsole_) return;
    showConsole_ = show;
    settings_->setValue(showConsoleKey, show);
    footer_->setShowConsole(show);
    if (show) makeConsole();

    auto* height = static_cast<QPropertyAnimation*>(animation_->animationAt(0));
    auto* opacity = static_cast<QPropertyAnimation*>(animation_->animationAt(1));
    const int fromHeight = drawer_->isVisible() ? drawer_->maximumHeight() : 0;
    animation_->stop();
    height->setStartValue(fromHeight);
    height->setEndValue(show ? consoleHeight : 0);
    opacity->setStartValue(drawer_->isVisible() && fade_->isEnabled() ? fade_->opacity() : (show ? 0.0 : 1.0));
    opacity->setEndValue(show ? 1.0 : 0.0);
    drawer_->setMaximumHeight(fromHeight);
    fade_->setOpacity(opacity->startValue().toDouble());
    fade_->setEnabled(true);
    drawer_->show();
    animation_->start();
}

bool ContentView::isAnimating() const { return animation_->state() == QAbstractAnimation::Running; }

void ContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::color(Palette::Role::paneBackground, Palette::isDark(this)));
}

}  // namespace vantrel
