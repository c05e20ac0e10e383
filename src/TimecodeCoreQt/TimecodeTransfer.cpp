#include "TimecodeCoreQt/TimecodeTransfer.h"

#include <QClipboard>

#include "TimecodeCoreQt/TimecodeCoding.h"

namespace timecode {

const QString& timecodeMimeType() {
    static const QString type = QStringLiteral("application/x-") + QLatin1String(timecodeTypeIdentifier);
    return type;
}

const QString& timecodeTextMimeType() {
    static const QString type = QStringLiteral("text/plain");
    return type;
}

const QStringList& timecodeCopyMimeTypes() {
    static const QStringList types{timecodeMimeType(), timecodeTextMimeType()};
    return types;
}

const QStringList& timecodePasteMimeTypes() { return timecodeCopyMimeTypes(); }

std::unique_ptr<QMimeData> timecodeMimeData(const Timecode& timecode, const StringFormat& textFormat) {
    auto data = std::make_unique<QMimeData>();
    data->setData(timecodeMimeType(), jsonData(timecode));
    data->setText(QString::fromStdString(timecode.stringValue(textFormat)));
    return data;
}

std::unique_ptr<QMimeData> timecodeTransferMimeData(const Timecode& timecode) {
    return timecodeMimeData(timecode, StringFormat::showSubFramesFormat());
}

Timecode timecodeFromMimeData(const QList<const QMimeData*>& items, const Timecode::Properties& propertiesForString) {
    for (const QMimeData* item : items) {
        if (!item || !item->hasFormat(timecodeMimeType())) continue;
        try {
            return timecodeFromJsonData(item->data(timecodeMimeType()));
        } catch (const DecodingError&) {
            break;  // on to the text
        }
    }
    for (const QMimeData* item : items) {
        if (!item || !item->hasText()) continue;
        try {
            const Timecode zero(GuaranteedTimecodeSourceValue::zero(), propertiesForString);
            return zero.setting(FormattedTimecodeSourceValue::string(item->text().toStdString()),
                                ValidationRule::allowingInvalid);
        } catch (const StringParseError&) {
            break;
        }
    }
    throw TimecodeValueNotFound();
}

Timecode timecodeFromMimeData(const QMimeData& item, const Timecode::Properties& propertiesForString) {
    return timecodeFromMimeData(QList<const QMimeData*>{&item}, propertiesForString);
}

void copyTimecode(QClipboard& clipboard, const Timecode& timecode, const StringFormat& textFormat) {
    clipboard.setMimeData(timecodeMimeData(timecode, textFormat).release());
}

Timecode pasteTimecode(const QClipboard& clipboard, const Timecode::Properties& propertiesForString) {
    const QMimeData* data = clipboard.mimeData();
    if (!data) throw TimecodeValueNotFound();
    return timecodeFromMimeData(*data, propertiesForString);
}

}  // namespace timecode
