#include "TimecodeUI/TimecodeText.h"

#include <QPainter>

#include "TimecodeUI/TimecodeEnvironment.h"
#include "TimecodeUI/TimecodePainting.h"
#include "TimecodeUI/model/TimecodePieces.h"

namespace timecode {

using field::TimecodePiece;

namespace {

// The brush of a piece in the read-only view, or none for the inherited colour.
std::optional<QBrush> pieceBrush(const TimecodePiece& piece, const TimecodeEnvironment::Resolved& environment) {
    if (piece.kind == TimecodePiece::Kind::separator) return environment.timecodeSeparatorStyle;
    // An invalid component takes the validation style; with none, invalid subframes have no style at all.
    if (piece.invalid) return environment.timecodeValidationStyle;
    if (piece.isSubFrames()) return environment.timecodeSubFramesStyle.style;
    return std::nullopt;
}

}  // namespace

TimecodeText::TimecodeText(const Timecode& timecode, QWidget* parent) : QWidget(parent), timecode_(timecode) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TimecodeText::setTimecode(const Timecode& timecode) {
    timecode_ = timecode;
    updateGeometry();
    update();
}

bool TimecodeText::event(QEvent* event) {
    if (event->type() == timecodeEnvironmentChangeEvent() || event->type() == QEvent::FontChange) updateGeometry();
    return QWidget::event(event);
}

QSize TimecodeText::sizeHint() const {
    const auto environment = TimecodeEnvironment::resolve(this);
    const DigitFonts fonts(font(), environment.timecodeSubFramesStyle.scale);
    qreal width = 0;
    for (const TimecodePiece& piece :
         field::timecodePieces(timecode_, environment.timecodeFormat, environment.timecodeFormat.filenameCompatible()))
        width += fonts.digitsWidth(QString::fromStdString(piece.text), piece.isSubFrames());
    return QSize(int(std::ceil(width)), int(std::ceil(fonts.metrics.height())));
}

void TimecodeText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const auto environment = TimecodeEnvironment::resolve(this);
    const DigitFonts fonts(font(), environment.timecodeSubFramesStyle.scale);
    const QBrush inherited = palette().brush(QPalette::WindowText);
    // One line of text: every piece on the same baseline.
    const qreal baseline = height() / 2.0 + (fonts.metrics.ascent() - fonts.metrics.descent()) / 2;
    qreal x = 0;
    for (const TimecodePiece& piece :
         field::timecodePieces(timecode_, environment.timecodeFormat, environment.timecodeFormat.filenameCompatible())) {
        const QString text = QString::fromStdString(piece.text);
        const qreal width = fonts.digitsWidth(text, piece.isSubFrames());
        painter.setPen(QPen(pieceBrush(piece, environment).value_or(inherited), 0));
        fonts.drawDigits(painter, QRectF(x, 0, width, height()), text, piece.isSubFrames(), baseline);
        x += width;
    }
}

TimecodeText* stringValueValidatedText(const Timecode& timecode, const StringFormat& format, QWidget* parent) {
    auto* text = new TimecodeText(timecode, parent);
    timecodeFormat(text, format);
    return text;
}

AttributedTimecode attributedTimecode(const Timecode& timecode, const StringFormat& format,
                                      const std::optional<QTextCharFormat>& defaultAttributes,
                                      const std::optional<QTextCharFormat>& separatorAttributes,
                                      const std::optional<QTextCharFormat>& subFramesAttributes,
                                      const std::optional<QTextCharFormat>& invalidAttributes) {
    AttributedTimecode result;
    for (const TimecodePiece& piece : field::timecodePieces(timecode, format, false)) {
        std::optional<QTextCharFormat> attributes;
        if (piece.kind == TimecodePiece::Kind::separator) {
            attributes = separatorAttributes ? separatorAttributes : defaultAttributes;
        } else {
            attributes = defaultAttributes;
            const std::optional<QTextCharFormat>& over =
                piece.invalid && invalidAttributes ? invalidAttributes
                                                   : (piece.isSubFrames() ? subFramesAttributes : std::nullopt);
            if (over) {
                if (!attributes) attributes = QTextCharFormat();
                attributes->merge(*over);
            }
        }
        const QString text = QString::fromStdString(piece.text);
        if (attributes) result.formats.append({int(result.text.size()), int(text.size()), *attributes});
        result.text += text;
    }
    return result;
}

AttributedTimecode stringValueValidated(const Timecode& timecode, const StringFormat& format,
                                        const std::optional<QTextCharFormat>& invalidAttributes,
                                        const std::optional<QTextCharFormat>& defaultAttributes) {
    return attributedTimecode(timecode, format, defaultAttributes, std::nullopt, std::nullopt, invalidAttributes);
}

QList<ColouredPiece> colouredTimecode(const Timecode& timecode, const StringFormat& format,
                                      const std::optional<QColor>& separatorColour,
                                      const std::optional<QColor>& subFramesColour,
                                      const std::optional<QColor>& invalidColour) {
    QList<ColouredPiece> pieces;
    for (const TimecodePiece& piece : field::timecodePieces(timecode, format, format.filenameCompatible())) {
        std::optional<QColor> colour;
        if (piece.kind == TimecodePiece::Kind::separator)
            colour = separatorColour;
        else if (piece.invalid)
            colour = invalidColour;
        else if (piece.isSubFrames())
            colour = subFramesColour;
        pieces.append({QString::fromStdString(piece.text), colour});
    }
    return pieces;
}

}  // namespace timecode
