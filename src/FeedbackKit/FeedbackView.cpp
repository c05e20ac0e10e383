#include "FeedbackKit/FeedbackView.h"

#include "FeedbackKit/FeedbackSubmitter.h"
#include "FeedbackKit/FeedbackWidgets.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace feedback {

namespace {

QFont sized(const QWidget* widget, int pixels, bool bold = false) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QColor secondary(const QWidget* widget) {
    QColor color = widget->palette().color(QPalette::WindowText);
    color.setAlphaF(0.6);
    return color;
}

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setProperty("secondary", true);
    label->setTextFormat(Qt::PlainText);
    label->setFont(sized(parent, 11));
    return label;
}

QVBoxLayout* captioned(const QString& text, QWidget* field, QWidget* parent) {
    auto* block = new QVBoxLayout;
    block->setSpacing(4);
    block->addWidget(caption(text, parent));
    block->addWidget(field);
    return block;
}

// A one-line field with a rounded edge of its own.
QLineEdit* lineField(const QString& objectName, const QString& placeholder, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setPlaceholderText(placeholder);
    field->setFrame(false);
    field->setTextMargins(3, 2, 3, 2);
    return field;
}

}  // namespace

FeedbackView::FeedbackView(FeedbackConfig config, FeedbackEnvironment environment, std::function<void()> onClose,
                           QWidget* parent)
    : QWidget(parent), m_config(std::move(config)), m_environment(std::move(environment)),
      m_onClose(std::move(onClose)) {
    setObjectName(QStringLiteral("feedbackView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    auto* heading = new QLabel(QStringLiteral("Send Feedback"), this);
    heading->setFont(sized(this, 13, true));
    auto* version = new QLabel(QStringLiteral("v") + m_environment.appVersionField() + QStringLiteral(" \u00b7 Linux ")
                                   + m_environment.osVersion, this);
    version->setObjectName(QStringLiteral("versionLine"));
    version->setProperty("secondary", true);
    version->setTextFormat(Qt::PlainText);
    version->setFont(sized(this, 11));
    header->addWidget(heading);
    header->addStretch();
    header->addWidget(version);
    column->addLayout(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildForm());
    m_pages->addWidget(buildThanks());
    column->addWidget(m_pages, 1);

    applyAccent();
    refresh();
}

QWidget* FeedbackView::buildForm() {
    auto* page = new QWidget(this);
    auto* form = new QVBoxLayout(page);
    form->setContentsMargins(16, 16, 16, 16);
    form->setSpacing(14);

    m_picker = new SegmentPicker(page);
    m_picker->setObjectName(QStringLiteral("kindPicker"));
    m_picker->setAccessibleName(QStringLiteral("Type"));
    for (FeedbackType type : allFeedbackTypes)
        m_picker->addSegment(label(type), symbol(type), QStringLiteral("kind-") + wireValue(type));
    connect(m_picker, &SegmentPicker::currentChanged, this, [this](int index) {
        m_draft.type = allFeedbackTypes[size_t(index)];
        refresh();
    });
    form->addWidget(m_picker);

    m_title = lineField(QStringLiteral("titleField"), QStringLiteral("A short summary"), page);
    connect(m_title, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.title = text;
        refresh();
    });
    form->addLayout(captioned(QStringLiteral("Title"), new FieldFrame(m_title, 5, 2, page), page));

    m_body = new QPlainTextEdit(page);
    m_body->setObjectName(QStringLiteral("bodyEditor"));
    m_body->setMinimumHeight(130);
    m_body->setTabChangesFocus(true);
    m_body->setFrameShape(QFrame::NoFrame);
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] {
        m_draft.body = m_body->toPlainText();
        refresh();
    });
    auto* description = captioned(QStringLiteral("Description"), new FieldFrame(m_body, 6, 4, page), page);
    form->addLayout(description, 1);

    auto* people = new QHBoxLayout;
    people->setSpacing(10);
    m_reporter = lineField(QStringLiteral("reporterField"), QStringLiteral("Anonymous"), page);
    connect(m_reporter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.reporter = text;
        refresh();
    });
    m_email = lineField(QStringLiteral("emailField"), QStringLiteral("so I can reply"), page);
    connect(m_email, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.email = text;
        refresh();
    });
    people->addLayout(captioned(QStringLiteral("Name (optional)"), new FieldFrame(m_reporter, 5, 2, page), page));
    people->addLayout(captioned(QStringLiteral("Email (optional)"), new FieldFrame(m_email, 5, 2, page), page));
    form->addLayout(people);

    if (m_config.logProvider) {
        m_logToggle = new CheckBox(QStringLiteral("Attach recent diagnostic log"), page);
        m_logToggle->setObjectName(QStringLiteral("logToggle"));
        connect(m_logToggle, &QCheckBox::toggled, this, [this](bool on) {
            // The log is captured once, when the box is ticked.
            m_draft.attachLog = on;
            m_draft.attachedLog = on ? m_config.logProvider() : std::nullopt;
            refresh();
        });
        form->addWidget(m_logToggle);
    }

    m_consent = new ConsentBox(QStringLiteral("This may be listed publicly on the feedback board."), page);
    m_consent->setObjectName(QStringLiteral("consentBox"));
    m_consent->checkBox()->setObjectName(QStringLiteral("consentToggle"));
    connect(m_consent->checkBox(), &QCheckBox::toggled, this, [this](bool on) {
        m_draft.consent = on;
        refresh();
    });
    form->addWidget(m_consent);

    auto* bottom = new QHBoxLayout;
    m_status = new StatusLine(page);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), page);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &FeedbackView::close);
    m_send = new ProminentButton(QStringLiteral("Send"), page);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setDefault(true);
    connect(m_send, &QPushButton::clicked, this, &FeedbackView::send);
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_cancel);
    bottom->addWidget(m_send);
    form->addLayout(bottom);
    return page;
}

QWidget* FeedbackView::buildThanks() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addStretch();
    m_thanksMark = new QLabel(page);
    m_thanksMark->setAlignment(Qt::AlignCenter);
    m_thanks = new QLabel(page);
    m_thanks->setObjectName(QStringLiteral("thanksLabel"));
    m_thanks->setTextFormat(Qt::PlainText);
    m_thanks->setAlignment(Qt::AlignCenter);
    m_thanks->setWordWrap(true);
    m_thanks->setFont(sized(this, 15));
    m_done = new ProminentButton(QStringLiteral("Done"), page);
    m_done->setObjectName(QStringLiteral("doneButton"));
    connect(m_done, &QPushButton::clicked, this, &FeedbackView::close);
    column->addWidget(m_thanksMark);
    column->addWidget(m_thanks);
    column->addWidget(m_done, 0, Qt::AlignHCenter);
    column->addStretch();
    return page;
}

bool FeedbackView::highlightConsent() const {
    if (m_draft.consent) return false;
    FeedbackDraft ticked = m_draft;
    ticked.consent = true;
    return ticked.isValid();
}

void FeedbackView::send() {
    if (m_phase == Phase::sending || !m_draft.isValid()) return;
    setPhase(Phase::sending);
    FeedbackSubmitter(m_config, m_environment).submit(m_draft, this, [this](std::optional<FeedbackError> error) {
        if (error) setPhase(Phase::failed, error->message);
        else setPhase(Phase::sent);
    });
}

void FeedbackView::close() {
    if (m_onClose) m_onClose();
    else if (QWidget* top = window()) top->close();
}

void FeedbackView::setPhase(Phase phase, const QString& failure) {
    m_phase = phase;
    m_failure = failure;
    if (phase == Phase::sent) {
        m_thanks->setText(QStringLiteral("Thanks \u2014 your ") + label(m_draft.type).toLower()
                          + QStringLiteral(" was sent."));
        m_send->setDefault(false);
        m_pages->setCurrentIndex(1);
        m_done->setDefault(true);
        m_done->setFocus();
    }
    refresh();
    emit phaseChanged(phase);
}

void FeedbackView::refresh() {
    const std::optional<QString> problem = m_draft.validationError();
    const bool highlight = highlightConsent();
    // A failed send's message stays until the next send, also while the user
    // edits; else the draft's first problem shows, as it changes.
    if (m_phase == Phase::failed) {
        m_status->setMessage(QStringLiteral("exclamationmark.triangle"), m_failure, QColor(0xd7, 0x2c, 0x2c));
    } else if (problem) {
        m_status->setMessage(QStringLiteral("exclamationmark.circle.fill"), *problem,
                             highlight ? m_config.accent : secondary(this));
    } else {
        m_status->clear();
    }
    m_consent->setHighlighted(highlight);
    m_send->setText(m_phase == Phase::sending ? QStringLiteral("Sending\u2026") : QStringLiteral("Send"));
    m_send->setEnabled(!problem && m_phase != Phase::sending);
}

void FeedbackView::applyAccent() {
    QPalette tinted = palette();
    tinted.setColor(QPalette::Highlight, m_config.accent);
    tinted.setColor(QPalette::HighlightedText, textOn(m_config.accent));
    setPalette(tinted);
    m_consent->setAccent(m_config.accent);
    m_send->setAccent(m_config.accent);
    m_done->setAccent(m_config.accent);
    m_thanksMark->setPixmap(symbolIcon(QStringLiteral("checkmark.circle.fill"), m_config.accent, 44).pixmap(44, 44));
    muteSecondaryLabels();
}

void FeedbackView::muteSecondaryLabels() {
    for (QLabel* label : findChildren<QLabel*>()) {
        if (!label->property("secondary").toBool()) continue;
        QPalette muted = label->palette();
        muted.setColor(QPalette::WindowText, secondary(this));
        label->setPalette(muted);
    }
}

void FeedbackView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Light or dark: the muted captions and the status follow the new text colour.
    if (event->type() == QEvent::PaletteChange && m_status) {
        muteSecondaryLabels();
        refresh();
    }
}

}  // namespace feedback
