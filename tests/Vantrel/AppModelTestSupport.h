#pragma once

// Shared set-up of the window-model tests: a model whose queue stores in the
// test's own folder, generated movies, and waiting for their analysis.

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/model/AppModel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <memory>
#include <optional>

namespace appmodeltest {

using namespace vantrel;

// A short movie with a timecode track and a QuickTime creation date unless told otherwise.
inline testsupport::MovieRecipe movieRecipe(std::optional<QString> timecode = QStringLiteral("10:00:00:00"),
                                        std::optional<QString> creationDate = QStringLiteral("2024-05-01T10:00:00Z"),
                                        const QString& rate = QStringLiteral("25")) {
    testsupport::MovieRecipe recipe;
    recipe.rate = rate;
    recipe.seconds = 0.2;
    recipe.timecode = std::move(timecode);
    recipe.creationDate = std::move(creationDate);
    return recipe;
}

inline timecode::Timecode::Components components(int h, int m, int s, int f) {
    timecode::Timecode::Components c;
    c.hours = h;
    c.minutes = m;
    c.seconds = s;
    c.frames = f;
    return c;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ensureApplication();
        folder = testsupport::makeTestFolder(QStringLiteral("appmodel"));
        // The queue is never started here, so it needs no runner or verifier.
        model = std::make_unique<AppModel>(new CorrectionQueue(nullptr, nullptr, pathOf(QStringLiteral("storage"))));
    }

    void TearDown() override {
        model.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    QString pathOf(const QString& relative) const { return folder + QLatin1Char('/') + relative; }

    QUrl movie(const QString& relative, const testsupport::MovieRecipe& recipe = movieRecipe()) {
        QString error;
        EXPECT_TRUE(testsupport::makeMovie(pathOf(relative), recipe, &error)) << error.toStdString();
        return QUrl::fromLocalFile(pathOf(relative));
    }

    bool allAnalysed() {
        return QTest::qWaitFor(
            [this] {
                return std::all_of(model->sources().cbegin(), model->sources().cend(),
                                   [](const SourceItem& row) {
                                       return row.analysis.isDone() ||
                                              row.analysis.kind() == SourceItem::AnalysisState::Kind::failed;
                                   });
            },
            30000);
    }

    // Until the first row's analysis has begun. Watched through the model's
    // announcements: a short read may begin and end between two looks.
    bool analyzingFirstRow() {
        auto analyzing = [this] {
            return !model->sources().isEmpty() &&
                   model->sources().first().analysis.kind() == SourceItem::AnalysisState::Kind::analyzing;
        };
        bool begun = analyzing();
        const auto watch = QObject::connect(model.get(), &AppModel::sourcesChanged, [&] { begun = begun || analyzing(); });
        const bool seen = QTest::qWaitFor([&] { return begun; }, 30000);
        QObject::disconnect(watch);
        return seen;
    }

    // The current row of a file, by file name.
    SourceItem row(const QString& fileName) const {
        for (const SourceItem& item : model->sources()) {
            if (item.url.fileName() == fileName) return item;
        }
        ADD_FAILURE() << "no row " << fileName.toStdString();
        return {};
    }

    QStringList rowNames() const {
        QStringList names;
        for (const SourceItem& item : model->sources()) names << item.url.fileName();
        return names;
    }

    QString folder;
    std::unique_ptr<AppModel> model;
};

}  // namespace appmodeltest
