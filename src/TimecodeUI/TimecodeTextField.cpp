#include "TimecodeUI/TimecodeTextField.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "TimecodeUI/model/ComponentModel.h"
#include "TimecodeUI/model/PartialTimecodeText.h"

namespace timecode {

// ---- Formatter

TimecodeTextFormatter::TimecodeTextFormatter(QObject* parent) : QValidator(parent) {}

TimecodeTextFormatter::TimecodeTextFormatter(const std::optional<TimecodeProperties>& properties,
                                             const std::optional<StringFormat>& stringFormat, bool showsValidation,
                                             const std::optional<QTextCharFormat>& invalidAttributes, QObject* parent)
    : QValidator(parent),
      stringFormat(stringFormat.value_or(StringFormat{})),
      showsValidation(showsValidation),
      invalidAttributes(invalidAttributes.value_or(QTextCharFormat())) {
    if (properties) {
        frameRate = properties->frameRate;
        subFramesBase = properties->subFramesBase;
        upperLimit = properties->upperLimit;
    }
}

TimecodeTextFormatter::TimecodeTextFormatter(const Timecode& timecode, const std::optional<StringFormat>& stringFormat,
                                             bool showsValidation,
                                             const std::optional<QTextCharFormat>& invalidAttributes, QObject* parent)
    : TimecodeTextFormatter(timecode.properties(), stringFormat, showsValidation, invalidAttributes, parent) {}

std::optional<TimecodeProperties> TimecodeTextFormatter::timecodeProperties() const {
    if (!frameRate || !upperLimit || !subFramesBase) return std::nullopt;
    return TimecodeProperties(*frameRate, *subFramesBase, *upperLimit);
}

void TimecodeTextFormatter::inheritProperties(const TimecodeTextFormatter& other) {
    frameRate = other.frameRate;
    upperLimit = other.upperLimit;
    subFramesBase = other.subFramesBase;
    stringFormat = other.stringFormat;
    alignment = other.alignment;
    showsValidation = other.showsValidation;
    invalidAttributes = other.invalidAttributes;
}

namespace {

// The text read as a timecode at the properties, in range or not.
std::optional<Timecode> parsed(const QString& text, const std::optional<TimecodeProperties>& properties) {
    if (!properties) return std::nullopt;
    try {
        return field::timecodeOf(Timecode::decode(text.toStdString()), *properties);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<QString> TimecodeTextFormatter::stringFor(const QVariant& value) const {
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    const QString text = value.toString();
    const std::optional<Timecode> timecode = parsed(text, timecodeProperties());
    return timecode ? QString::fromStdString(timecode->stringValue(stringFormat)) : text;
}

std::optional<AttributedTimecode> TimecodeTextFormatter::attributedStringFor(
    const QVariant& value, const std::optional<QTextCharFormat>& defaultAttributes) const {
    const std::optional<QString> text = stringFor(value);
    if (!text) return std::nullopt;
    const std::optional<Timecode> timecode = parsed(*text, timecodeProperties());
    auto whole = [&](const QTextCharFormat& format) {
        return AttributedTimecode{*text, {{0, int(text->size()), format}}, std::nullopt};
    };
    if (showsValidation) {
        // The validation form lays the timecode out in the plain format, without alignment.
        if (timecode) return stringValueValidated(*timecode, {}, invalidAttributes, defaultAttributes);
        QTextCharFormat format = defaultAttributes.value_or(QTextCharFormat());
        format.merge(invalidAttributes);
        return whole(format);
    }
    AttributedTimecode result = whole(defaultAttributes.value_or(QTextCharFormat()));
    result.alignment = alignment;
    return result;
}

QValidator::State TimecodeTextFormatter::validate(QString& input, int&) const {
    const field::PartialTextCheck check =
        field::checkPartialTimecodeText(input.toStdString(), frameRate, upperLimit, stringFormat);
    switch (check.outcome) {
    case field::PartialTextCheck::Outcome::accepted: return Acceptable;
    case field::PartialTextCheck::Outcome::rejected:
        lastError_ = check.errorDescription ? QString::fromStdString(*check.errorDescription) : QString();
        return Invalid;
    case field::PartialTextCheck::Outcome::replaced: {
        const QString replacement = QString::fromStdString(check.replacement);
        if (replacement == input) return Acceptable;  // already in its normal form
        input = replacement;  // same length: the cursor stays where it was
        return Intermediate;
    }
    }
    return Acceptable;
}

// ---- Text field

TimecodeTextField::TimecodeTextField(QWidget* parent)
    : QLineEdit(parent), formatter_(new TimecodeTextFormatter(this)) {
    setValidator(formatter_);
    connect(this, &QLineEdit::editingFinished, this, &TimecodeTextField::reformat);
}

void TimecodeTextField::reformat() {
    const QString formatted = formatter_->stringFor(text()).value_or(text());
    if (formatted != text()) setText(formatted);
    textBeforeEditing_ = text();
}

void TimecodeTextField::focusInEvent(QFocusEvent* event) {
    textBeforeEditing_ = text();
    QLineEdit::focusInEvent(event);
}

void TimecodeTextField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Drops the edit, shows the previous value again, and stays in the field.
        setText(textBeforeEditing_);
        setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TimecodeTextField::paintEvent(QPaintEvent* event) {
    const std::optional<AttributedTimecode> attributed =
        hasFocus() ? std::nullopt : formatter_->attributedStringFor(text(), std::nullopt);
    if (!attributed || text().isEmpty()) return QLineEdit::paintEvent(event);

    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    contents = contents.marginsRemoved(textMargins()).adjusted(2, 0, -2, 0);  // QLineEdit's own inner margin

    QTextLayout layout(attributed->text, font());
    layout.setFormats(attributed->formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(contents.width());
    layout.endLayout();
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), attributed->alignment.value_or(alignment()));
    qreal x = contents.left();
    if (align & Qt::AlignRight) x = contents.right() - line.naturalTextWidth();
    if (align & Qt::AlignHCenter) x = contents.center().x() - line.naturalTextWidth() / 2;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    layout.draw(&painter, QPointF(x, contents.top() + (contents.height() - line.height()) / 2));
}

}  // namespace timecode
