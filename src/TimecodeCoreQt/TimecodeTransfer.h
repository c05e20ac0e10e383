#pragma once

#include <exception>
#include <memory>

#include <QList>
#include <QMimeData>
#include <QString>
#include <QStringList>

#include "TimecodeCore/Timecode.h"

class QClipboard;

// Timecodes on the clipboard and in drag and drop. A copied or dragged timecode
// travels as its JSON under the timecode MIME type and as plain UTF-8 text, in that
// order; a paste or drop prefers the JSON (with its own properties) and falls back
// to the text, read at given properties without a range check.
namespace timecode {

// The exported type identifier of timecode data.
inline constexpr char timecodeTypeIdentifier[] = "com.quenwick.timecode";

// "application/x-com.quenwick.timecode": timecode JSON.
const QString& timecodeMimeType();
// "text/plain".
const QString& timecodeTextMimeType();
// The two types a timecode is copied as and pasted from: timecode data, then text.
const QStringList& timecodeCopyMimeTypes();
const QStringList& timecodePasteMimeTypes();

// No timecode could be read: no suitable data, JSON that does not decode with no
// text to fall back to, or text that is no timecode.
class TimecodeValueNotFound : public std::exception {
public:
    const char* what() const noexcept override { return "No timecode value found."; }
};

// The data of a copy or a drag: the JSON, then the text in `textFormat`.
std::unique_ptr<QMimeData> timecodeMimeData(const Timecode& timecode, const StringFormat& textFormat = {});
// The timecode's own transfer form: the JSON, then the text with subframes.
std::unique_ptr<QMimeData> timecodeTransferMimeData(const Timecode& timecode);

// A timecode from pasted or dropped data, tried in order: the first item that has
// timecode data, when that decodes; otherwise the first item that has text, parsed
// and stored at `propertiesForString` however out of range. Throws
// TimecodeValueNotFound otherwise. Only the first item of each kind is tried.
Timecode timecodeFromMimeData(const QList<const QMimeData*>& items, const Timecode::Properties& propertiesForString);
Timecode timecodeFromMimeData(const QMimeData& item, const Timecode::Properties& propertiesForString);

// The clipboard (GUI thread only).
void copyTimecode(QClipboard& clipboard, const Timecode& timecode, const StringFormat& textFormat = {});
Timecode pasteTimecode(const QClipboard& clipboard, const Timecode::Properties& propertiesForString);

}  // namespace timecode
