#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "TimecodeCoreQt/TimecodeCoding.h"
#include "TimecodeCoreQt/TimecodeTransfer.h"

using namespace timecode;
using R = TimecodeFrameRate;

namespace {

Timecode tc(std::string_view text, R rate = R::fps24, SubFramesBase base = SubFramesBase::max80SubFrames) {
    return Timecode(FormattedTimecodeSourceValue::string(text), rate, base, UpperLimit::max24Hours,
                    ValidationRule::allowingInvalid);
}

const Timecode::Properties at24(R::fps24, SubFramesBase::max80SubFrames, UpperLimit::max24Hours);

std::unique_ptr<QMimeData> textOnly(const QString& text) {
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return data;
}

std::unique_ptr<QMimeData> jsonOnly(const QByteArray& json) {
    auto data = std::make_unique<QMimeData>();
    data->setData(timecodeMimeType(), json);
    return data;
}

bool valueNotFound(const QList<const QMimeData*>& items) {
    try {
        timecodeFromMimeData(items, at24);
    } catch (const TimecodeValueNotFound&) {
        return true;
    }
    return false;
}

}  // namespace

TEST(TimecodeTransfer, TypesAndWrittenData) {
    EXPECT_EQ(timecodeMimeType(), "application/x-com.quenwick.timecode");
    EXPECT_EQ(timecodeCopyMimeTypes(), (QStringList{timecodeMimeType(), "text/plain"}));
    EXPECT_EQ(timecodePasteMimeTypes(), timecodeCopyMimeTypes());

    const Timecode t = tc("01:00:00;00", R::fps29_97d);
    const auto data = timecodeMimeData(t);
    EXPECT_EQ(data->formats().first(), timecodeMimeType());
    EXPECT_EQ(data->text(), "01:00:00;00");
    EXPECT_EQ(timecodeFromJsonData(data->data(timecodeMimeType())).properties(), t.properties());
    // The transfer form always carries the subframes.
    EXPECT_EQ(timecodeTransferMimeData(tc("01:00:00:00"))->text(), "01:00:00:00.00");
    EXPECT_EQ(timecodeMimeData(tc("01:00:00:00"), {StringFormatOption::filenameCompatible})->text(), "01-00-00-00");
}

TEST(TimecodeTransfer, ReadingPrefersTimecodeDataWithItsOwnProperties) {
    const auto text = textOnly("01:00:00:00");
    const auto json = timecodeMimeData(tc("00:00:10:00", R::fps25));
    const Timecode t = timecodeFromMimeData({text.get(), json.get()}, at24);
    EXPECT_EQ(t.frameRate(), R(R::fps25));
    EXPECT_EQ(t.seconds(), 10);
    // Only the text: read at the given properties, out of range or not.
    const Timecode wild = timecodeFromMimeData(*textOnly("99:99:99:99"), at24);
    EXPECT_EQ(wild.components(), (Timecode::Components{0, 99, 99, 99, 99, 0}));
    EXPECT_EQ(wild.properties(), at24);
    EXPECT_EQ(timecodeFromMimeData(*textOnly("1 02:03:04;05.06"), at24).components(), (Timecode::Components{1, 2, 3, 4, 5, 6}));
}

TEST(TimecodeTransfer, BrokenDataFallsBackToTextOnlyOnce) {
    // JSON that does not decode is skipped for the text beside it.
    auto both = timecodeMimeData(tc("00:00:01:00"));
    both->setData(timecodeMimeType(), "{\"frameRate\":\"bogus\"}");
    EXPECT_EQ(timecodeFromMimeData(*both, at24).seconds(), 1);
    // Only the first item with timecode data is tried.
    const auto broken = jsonOnly("not json");
    const auto good = jsonOnly(jsonData(tc("00:00:02:00")));
    EXPECT_TRUE(valueNotFound({broken.get(), good.get()}));
    // Only the first item with text is tried.
    const auto garbage = textOnly("no timecode"), valid = textOnly("01:00:00:00");
    EXPECT_TRUE(valueNotFound({garbage.get(), valid.get()}));
    EXPECT_TRUE(valueNotFound({}));
    EXPECT_TRUE(valueNotFound({nullptr}));
    EXPECT_TRUE(valueNotFound({textOnly("").get()}));
    QMimeData html;
    html.setHtml("<b>01:00:00:00</b>");
    EXPECT_TRUE(valueNotFound({&html}));
}

TEST(TimecodeTransfer, ClipboardBothWays) {
    QClipboard& clipboard = *QGuiApplication::clipboard();

    const Timecode t = tc("12:34:56:07.40", R::fps24, SubFramesBase::max100SubFrames);
    copyTimecode(clipboard, t);
    EXPECT_EQ(clipboard.text(), "12:34:56:07");
    const Timecode pasted = pasteTimecode(clipboard, Timecode::Properties(R::fps60, SubFramesBase::quarterFrames,
                                                                            UpperLimit::max100Days));
    EXPECT_EQ(pasted.components(), t.components());
    EXPECT_EQ(pasted.properties(), t.properties());

    // Text copied by another program is read at the given properties.
    clipboard.setText("01:02:03:04");
    const Timecode fromText = pasteTimecode(clipboard, at24);
    EXPECT_EQ(fromText.components(), (Timecode::Components{0, 1, 2, 3, 4, 0}));
    clipboard.setText("hello");
    EXPECT_THROW(pasteTimecode(clipboard, at24), TimecodeValueNotFound);
    clipboard.clear();
    EXPECT_THROW(pasteTimecode(clipboard, at24), TimecodeValueNotFound);
}
