// Pictures of the field and its companions in each state, light and dark, written
// to $VANTREL_GALLERY_DIR (nothing when it is unset); the colours that carry
// meaning are sampled from the pixels.
#include "FieldTestSupport.h"
#include "GalleryPictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>

#include "TimecodeUI/TimecodeText.h"
#include "TimecodeUI/TimecodeTextField.h"
#include "TimecodeUI/model/ComponentModel.h"

using namespace fieldtest;
using testsupport::galleryPalette;
using testsupport::GalleryTheme;
using testsupport::saveGalleryPicture;

namespace {

// A host in the theme with a larger font, so the pictures are easy to read.
struct ThemedHost : Host {
    ThemedHost(const GalleryTheme& theme, TimecodeProperties properties) : Host(properties) {
        setPalette(galleryPalette(theme.dark));
        setAutoFillBackground(true);
        QFont f = font();
        f.setPixelSize(22);
        field->setFont(f);
        resize(320, 90);
        QApplication::processEvents();
    }
};

bool reddish(const QColor& c) { return c.red() > 150 && c.green() < 110 && c.blue() < 110; }

}  // namespace

TEST(Gallery, FieldStates) {
    for (const GalleryTheme& theme : testsupport::galleryThemes) {
        const QString suffix = QString("-") + theme.name;
        const TimecodeProperties at24{TimecodeFrameRate::fps24, SubFramesBase::max100SubFrames, UpperLimit::max24Hours};
        {
            ThemedHost host(theme, at24);
            host.field->setComponents({0, 1, 2, 3, 4, 0});
            host.after->setFocus();
            saveGalleryPicture(&host, "field-idle" + suffix);

            host.field->setFocusedComponent(C::minutes);
            saveGalleryPicture(&host, "field-focused" + suffix);
            // The focused component sits on the highlight.
            const QRect minutes = host.field->componentRect(C::minutes);
            const QImage image = host.field->grab().toImage();
            EXPECT_EQ(image.pixelColor(minutes.left() + 1, minutes.center().y()), galleryPalette(theme.dark).color(QPalette::Highlight));

            host.field->setPulseBrightness(0.35);
            saveGalleryPicture(&host, "field-mid-pulse" + suffix);
            host.field->setPulseBrightness(0);
            host.field->componentView(C::seconds)->setShakeOffset(-3);
            saveGalleryPicture(&host, "field-mid-shake" + suffix);
            host.field->componentView(C::seconds)->setShakeOffset(0);

            const QPoint over = host.field->componentRect(C::seconds).center();
            QMouseEvent move(QEvent::MouseMove, over, host.field->mapToGlobal(over), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(host.field, &move);
            saveGalleryPicture(&host, "field-hovered" + suffix);
        }
        {
            ThemedHost host(theme, {TimecodeFrameRate::fps25, SubFramesBase::max80SubFrames, UpperLimit::max100Days});
            timecodeFormat(&host, {StringFormatOption::showSubFrames});
            timecodeSubFramesStyle(&host, QBrush(Qt::gray), TextScale::secondary);
            host.field->setComponents({12, 23, 59, 59, 24, 79});
            host.after->setFocus();
            saveGalleryPicture(&host, "field-days-subframes" + suffix);
        }
        {
            ThemedHost host(theme, {TimecodeFrameRate::fps29_97d, SubFramesBase::max100SubFrames, UpperLimit::max24Hours});
            host.field->setComponents({0, 10, 0, 0, 0, 0});
            host.after->setFocus();
            saveGalleryPicture(&host, "field-2997df" + suffix);
        }
        {
            ThemedHost host(theme, {TimecodeFrameRate::fps120, SubFramesBase::max100SubFrames, UpperLimit::max24Hours});
            host.field->setComponents({0, 1, 0, 0, 7, 0});
            host.after->setFocus();
            saveGalleryPicture(&host, "field-120fps" + suffix);
        }
        {
            ThemedHost host(theme, {TimecodeFrameRate::fps29_97d, SubFramesBase::max100SubFrames, UpperLimit::max24Hours});
            host.field->setComponents({0, 25, 1, 0, 0, 0});  // hours too large, frame 0 dropped
            host.after->setFocus();
            saveGalleryPicture(&host, "field-invalid" + suffix);
            const QImage image = host.field->grab().toImage();
            auto hasRed = [&](C c) {
                const QRect r = host.field->componentRect(c);
                for (int x = r.left(); x <= r.right(); ++x)
                    for (int y = r.top(); y <= r.bottom(); ++y)
                        if (reddish(image.pixelColor(x, y))) return true;
                return false;
            };
            EXPECT_TRUE(hasRed(C::hours));
            EXPECT_TRUE(hasRed(C::frames));
            EXPECT_FALSE(hasRed(C::minutes));
        }
    }
}

TEST(Gallery, TextAndTextField) {
    for (const GalleryTheme& theme : testsupport::galleryThemes) {
        const QString suffix = QString("-") + theme.name;
        ensureWidgetApplication();
        QWidget window;
        window.setPalette(galleryPalette(theme.dark));
        window.setAutoFillBackground(true);
        QFont f = window.font();
        f.setPixelSize(20);
        window.setFont(f);
        auto* box = new QVBoxLayout(&window);
        const TimecodeProperties df{TimecodeFrameRate::fps29_97d, SubFramesBase::max80SubFrames, UpperLimit::max24Hours};
        // Frame 0 of minute 1 does not exist at 29.97 drop-frame.
        auto* text = new TimecodeText(field::timecodeOf({0, 10, 1, 0, 0, 40}, df), &window);
        timecodeFormat(text, {StringFormatOption::showSubFrames});
        timecodeSeparatorStyle(text, QBrush(Qt::gray));
        timecodeSubFramesStyle(text, QBrush(QColor(0x2e, 0x8b, 0x57)), TextScale::secondary);
        auto* plain = new TimecodeText(field::timecodeOf({0, 1, 2, 3, 4, 0}, df), &window);
        auto* idle = new TimecodeTextField(&window);
        QTextCharFormat invalid;
        invalid.setForeground(Qt::red);
        idle->formatter()->inheritProperties(TimecodeTextFormatter(df, std::nullopt, true, invalid));
        idle->setText("00:01:00;00");
        auto* editing = new TimecodeTextField(&window);
        editing->formatter()->inheritProperties(*idle->formatter());
        for (QWidget* w : {static_cast<QWidget*>(text), static_cast<QWidget*>(plain), static_cast<QWidget*>(idle),
                           static_cast<QWidget*>(editing)})
            box->addWidget(w);
        window.resize(260, 170);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 10000));
        editing->setFocus();
        QTest::keyClicks(editing, "01.02.03.04");
        saveGalleryPicture(&window, "timecode-text-and-text-field" + suffix);

        // The invalid frames are red in the view and in the idle line edit.
        auto redIn = [](QWidget* w) {
            const QImage image = w->grab().toImage();
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (reddish(image.pixelColor(x, y))) return true;
            return false;
        };
        EXPECT_TRUE(redIn(text));
        EXPECT_FALSE(redIn(plain));
        EXPECT_TRUE(redIn(idle));
        EXPECT_EQ(editing->text(), "01:02:03;04");
    }
}
