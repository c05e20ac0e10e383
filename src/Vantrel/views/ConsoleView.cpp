#include "Vantrel/views/ConsoleView.h"

#include "Vantrel/queue/CorrectionQueue.h"

#include <QClipboard>
#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vantrel {

using Palette::Role;

namespace {

class ConsoleHeader : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Palette::color(Role::barBackground, Palette::isDark(this)));
    }
};

}  // namespace

ConsoleView::ConsoleView(CorrectionQueue* queue, QWidget* parent) : QWidget(parent), queue_(queue) {
    setObjectName(QStringLiteral("ConsoleView"));
    setFixedHeight(paneHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 1, 0, 0);
    column->setSpacing(0);

    auto* header = new ConsoleHeader(this);
    header->setFixedHeight(28);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(8);
    auto* title = new KelpLabel(QStringLiteral("CONSOLE"), Kelp::font(11, QFont::Bold), Role::textTertiary, header);
    title->setLetterSpacing(0.6);
    title->setElideMode(Qt::ElideNone);
    row->addWidget(title);
    row->addStretch(1);
    copy_ = new KelpButton(tr("Copy All"), {KelpButtonStyle::Kind::ghost, false}, header);
    copy_->setObjectName(QStringLiteral("copyAll"));
    copy_->setToolTip(tr("Copy the entire console to the clipboard"));
    connect(copy_, &QAbstractButton::clicked, this, &ConsoleView::copyAll);
    clear_ = new KelpButton(tr("Clear"), {KelpButtonStyle::Kind::ghost, false}, header);
    clear_->setObjectName(QStringLiteral("clear"));
    clear_->setToolTip(tr("Clear the console"));
    connect(clear_, &QAbstractButton::clicked, queue_, &CorrectionQueue::clearLog);
    row->addWidget(copy_);
    row->addWidget(clear_);
    column->addWidget(header);
    column->addWidget(new Divider(Role::hairline, this));

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("log"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setFrameShape(QFrame::NoFrame);
    text_->setMaximumBlockCount(CorrectionQueue::maxLogLines);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->document()->setDocumentMargin(10);
    text_->setPlaceholderText(tr("Console output appears here during runs."));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(11);
    text_->setFont(mono);
    column->addWidget(text_, 1);
    recolor();

    scroll_ = new QPropertyAnimation(text_->verticalScrollBar(), "value", this);
    scroll_->setDuration(100);
    scroll_->setEasingCurve(QEasingCurve::Linear);
    connect(scroll_, &QPropertyAnimation::finished, this, &ConsoleView::followedTail);

    // Lines logged together are appended together: one layout for a batch.
    connect(queue_, &CorrectionQueue::logLinesAdded, this, &ConsoleView::append);
    connect(queue_, &CorrectionQueue::logCleared, this, [this] {
        rebuild();
        followTail();
    });
    rebuild();
}

void ConsoleView::rebuild() {
    text_->setPlainText(queue_->logLines().join(QLatin1Char('\n')));
    updateButtons();
}

void ConsoleView::append(const QStringList& lines) {
    // The queue drops its oldest lines past its cap; the view's block limit does the same.
    text_->appendPlainText(lines.join(QLatin1Char('\n')));
    updateButtons();
    followTail();
}

void ConsoleView::updateButtons() {
    const bool any = !queue_->logLines().isEmpty();
    copy_->setEnabled(any);
    clear_->setEnabled(any);
}

void ConsoleView::followTail() {
    QScrollBar* bar = text_->verticalScrollBar();
    scroll_->stop();
    scroll_->setStartValue(bar->value());
    scroll_->setEndValue(bar->maximum());
    scroll_->start();
}

void ConsoleView::copyAll() {
    QGuiApplication::clipboard()->setText(queue_->logLines().join(QLatin1Char('\n')));
}

void ConsoleView::recolor() {
    const bool dark = Palette::isDark(this);
    QPalette palette = text_->palette();
    palette.setColor(QPalette::Base, Palette::color(Role::consoleBackground, dark));
    palette.setColor(QPalette::Text, Palette::color(Role::textSecondary, dark));
    palette.setColor(QPalette::PlaceholderText, Palette::color(Role::textTertiary, dark));
    text_->setPalette(palette);
}

void ConsoleView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) recolor();
}

void ConsoleView::paintEvent(QPaintEvent*) {
    const bool dark = Palette::isDark(this);
    QPainter p(this);
    p.fillRect(rect(), Palette::color(Role::consoleBackground, dark));
    p.fillRect(QRect(0, 0, width(), 1), Palette::color(Role::barDivider, dark));
}

}  // namespace vantrel
