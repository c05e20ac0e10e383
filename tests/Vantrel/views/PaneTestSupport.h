#pragma once

// A window model over a queue in the test's own folder, for the pane tests, and
// source rows in any analysis state without reading files.

#include "QtPrinting.h"
#include "TestMedia.h"
#include "ViewTestSupport.h"
#include "Vantrel/model/AppModel.h"

#include <QDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

namespace panetest {

using namespace vantrel;

inline const FrameRate kRate25{25, 1, 25, false};
inline const FrameRate kRate2997DF{30000, 1001, 30, true};

// A finished analysis: a timecode track at `rate` reading `embedded` (none when
// empty) and a QuickTime creation date (none when invalid), in UTC.
inline SourceItem::Analysis analysis(const QString& embedded, const QDateTime& created,
                                     std::optional<FrameRate> rate = kRate25) {
    SourceItem::Analysis a;
    a.detectedRate = rate;
    if (!embedded.isEmpty() && rate) a.embeddedTimecode = TimecodeModel::fromText(embedded, *rate);
    if (created.isValid()) {
        a.creationDate = created;
        a.creationZone = QTimeZone::utc();
        a.creationSource = VideoMetadataReader::Source::quickTimeAtom;
    }
    return a;
}

inline QDateTime at(int h, int m, int s, int ms = 0) {
    return QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms), QTimeZone::utc());
}

inline SourceItem item(const QString& name, SourceItem::AnalysisState state, FixMode mode = FixMode::creationTime) {
    SourceItem row = SourceItem::make(QUrl::fromLocalFile(QStringLiteral("/videos/") + name), mode);
    row.analysis = std::move(state);
    return row;
}

// A named child widget, failing the test when there is none.
template <typename T>
T* child(QWidget* parent, const char* name) {
    auto* found = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(found) << name;
    return found;
}

class PaneTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        viewtest::app();
        viewtest::setAppearance(dark());
        folder = testsupport::makeTestFolder(QStringLiteral("panes"));
        model = std::make_unique<AppModel>(new CorrectionQueue(nullptr, nullptr, folder + QStringLiteral("/storage")));
    }
    void TearDown() override {
        model.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    bool dark() const { return GetParam(); }
    // Rows for files that do not exist: their analysis fails soon after.
    void addMissing(const QStringList& names) {
        QList<QUrl> urls;
        for (const QString& name : names) urls << QUrl::fromLocalFile(folder + QStringLiteral("/none/") + name);
        model->addSources(urls);
    }
    // A pane-coloured sheet whose column holds rows for a gallery picture.
    std::unique_ptr<QWidget> makeSheet(QVBoxLayout** column) const {
        auto sheet = std::make_unique<QWidget>();
        sheet->setAutoFillBackground(true);
        sheet->setPalette(Palette::qtPalette(dark()));
        *column = new QVBoxLayout(sheet.get());
        (*column)->setContentsMargins(0, 0, 0, 0);
        (*column)->setSpacing(0);
        return sheet;
    }
    QString gallery(const QString& name) const { return name + (dark() ? QStringLiteral("-dark") : QStringLiteral("-light")); }

    QString folder;
    std::unique_ptr<AppModel> model;
};

}  // namespace panetest
