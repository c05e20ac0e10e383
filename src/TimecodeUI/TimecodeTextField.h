#pragma once

// A line edit for timecodes, for forms laid out in Designer (promote a QLineEdit
// to TimecodeTextField). Its formatter keeps the text as typed, normalises
// separators while typing, refuses characters that cannot belong to a timecode,
// reformats the text as a timecode when editing ends, and, when not editing,
// shows invalid components in its invalid format. Without a frame rate and an
// upper limit it behaves as a plain line edit.

#include <optional>

#include <QLineEdit>
#include <QTextCharFormat>
#include <QValidator>

#include "TimecodeCore/Timecode.h"
#include "TimecodeUI/TimecodeText.h"

namespace timecode {

class TimecodeTextFormatter : public QValidator {
    Q_OBJECT
public:
    // No properties, the empty format, natural alignment, no validation display.
    explicit TimecodeTextFormatter(QObject* parent = nullptr);
    TimecodeTextFormatter(const std::optional<TimecodeProperties>& properties,
                          const std::optional<StringFormat>& stringFormat, bool showsValidation,
                          const std::optional<QTextCharFormat>& invalidAttributes, QObject* parent = nullptr);
    TimecodeTextFormatter(const Timecode& timecode, const std::optional<StringFormat>& stringFormat,
                          bool showsValidation, const std::optional<QTextCharFormat>& invalidAttributes,
                          QObject* parent = nullptr);

    std::optional<TimecodeFrameRate> frameRate;
    std::optional<UpperLimit> upperLimit;
    std::optional<SubFramesBase> subFramesBase;
    StringFormat stringFormat;
    Qt::Alignment alignment = Qt::AlignLeading;
    bool showsValidation = false;
    QTextCharFormat invalidAttributes;

    // All three properties, or none when any is missing.
    std::optional<TimecodeProperties> timecodeProperties() const;
    // Another name for the invalid format.
    QTextCharFormat& validationAttributes() { return invalidAttributes; }
    // Copies all seven settings from another formatter.
    void inheritProperties(const TimecodeTextFormatter& other);

    // The text formatted as a timecode at the properties; unchanged when one is
    // missing or it does not read; none when the value is no text.
    virtual std::optional<QString> stringFor(const QVariant& value) const;
    // The text with formats: with showsValidation the invalid components (or, when
    // it does not read, the whole text) in the invalid format over the default.
    std::optional<AttributedTimecode> attributedStringFor(const QVariant& value,
                                                          const std::optional<QTextCharFormat>& defaultAttributes) const;
    // The value of a text: the text itself.
    QVariant objectValue(const QString& text) const { return text; }

    // Acceptable; separators rewritten in place (Intermediate, cursor kept);
    // Invalid for a refused text.
    State validate(QString& input, int& position) const override;
    // Why the last refused text was refused ("Invalid characters."), or empty.
    QString lastErrorDescription() const { return lastError_; }

private:
    mutable QString lastError_;
};

class TimecodeTextField : public QLineEdit {
    Q_OBJECT
public:
    // Installs a formatter of its own with no properties.
    explicit TimecodeTextField(QWidget* parent = nullptr);

    TimecodeTextFormatter* formatter() const { return formatter_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void reformat();

    TimecodeTextFormatter* formatter_;
    QString textBeforeEditing_;
};

}  // namespace timecode
