#pragma once

// A timecode shown as text with each piece styled on its own: invalid components
// in the validation style, separators and subframes toned down as the settings
// say. Three forms share one layout of pieces: the read-only view TimecodeText,
// text with character-format ranges (for line edits and text documents), and a
// list of coloured pieces.

#include <optional>

#include <QColor>
#include <QList>
#include <QString>
#include <QTextCharFormat>
#include <QTextLayout>
#include <QWidget>

#include "TimecodeCore/Timecode.h"

namespace timecode {

// The read-only view. Reads the display settings of TimecodeEnvironment.h.
class TimecodeText : public QWidget {
    Q_OBJECT
public:
    explicit TimecodeText(const Timecode& timecode, QWidget* parent = nullptr);

    const Timecode& timecode() const { return timecode_; }
    void setTimecode(const Timecode& timecode);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Timecode timecode_;
};

// A TimecodeText of the timecode with its own format set.
TimecodeText* stringValueValidatedText(const Timecode& timecode, const StringFormat& format, QWidget* parent = nullptr);

// Text with formats over its pieces, and an alignment for the whole when one applies.
struct AttributedTimecode {
    QString text;
    QList<QTextLayout::FormatRange> formats;
    std::optional<Qt::Alignment> alignment;
};

// Numbers take the default format D, with the invalid format I merged over an
// invalid one (I winning); separators P, else D; subframes D with I when invalid,
// else the subframes format U. Always ":" and ";", never the file-name dashes.
AttributedTimecode attributedTimecode(const Timecode& timecode, const StringFormat& format,
                                      const std::optional<QTextCharFormat>& defaultAttributes = std::nullopt,
                                      const std::optional<QTextCharFormat>& separatorAttributes = std::nullopt,
                                      const std::optional<QTextCharFormat>& subFramesAttributes = std::nullopt,
                                      const std::optional<QTextCharFormat>& invalidAttributes = std::nullopt);
AttributedTimecode stringValueValidated(const Timecode& timecode, const StringFormat& format,
                                        const std::optional<QTextCharFormat>& invalidAttributes,
                                        const std::optional<QTextCharFormat>& defaultAttributes);

// One piece of text with its colour, if any.
struct ColouredPiece {
    QString text;
    std::optional<QColor> colour;
    friend bool operator==(const ColouredPiece&, const ColouredPiece&) = default;
};
// The pieces in order (with the file-name dashes when the format asks): separators
// in the separator colour, invalid components in the invalid colour, valid
// subframes in the subframes colour, each only when given.
QList<ColouredPiece> colouredTimecode(const Timecode& timecode, const StringFormat& format,
                                      const std::optional<QColor>& separatorColour = std::nullopt,
                                      const std::optional<QColor>& subFramesColour = std::nullopt,
                                      const std::optional<QColor>& invalidColour = std::nullopt);

}  // namespace timecode
