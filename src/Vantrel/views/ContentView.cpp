#include "Vantrel/views/ContentView.h"

#include "Vantrel/model/AppModel.h"
#include "Vantrel/views/CommandBarView.h"
#include "Vantrel/views/ConsoleView.h"
#include "Vantrel/views/FooterBar.h"
#include "Vantrel/views/Palette.h"
#include "Vantrel/views/QueuePaneView.h"
#include "Vantrel/views/SourceListPane.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPointer>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QSettings>
#include <QSplitter>
#include <QVBoxLayout>

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

}  // namespace

ContentView::ContentView(AppModel* model, QSettings* settings, QWidget* parent)
    : QWidget(parent), model_(model), settings_(settings),
      showConsole_(settings->value(showConsoleKey, false).toBool()) {
    setObjectName(QStringLiteral("ContentView"));

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(splitKey);
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(6);
    auto* sources = new SourceListPane(model, splitter_);
    sources->setMinimumHeight(sourcesMinimumHeight);
    auto* lower = new QWidget(splitter_);
    lower->setObjectName(QStringLiteral("CommandBarAndQueue"));
    lower->setMinimumHeight(queueMinimumHeight);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    lowerLayout->addWidget(new CommandBarView(model, lower));
    lowerLayout->addWidget(new QueuePaneView(&model->queue(), lower), 1);
    splitter_->addWidget(sources);
    splitter_->addWidget(lower);
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
