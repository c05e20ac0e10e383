#pragma once

// Shared set-up of the window-model tests: an application object, a model on a
// queue that stores in the test's own folder, generated movies and waiting for
// their analysis.

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/AppModel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <memory>
#include <optional>

namespace appmodeltest {

using namespace vantrel;

inline void ensureApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "appmodel-tests";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
}

// A 25 fps movie with a timecode track and a QuickTime creation date, unless the
// spec says otherwise.
inline testsupport::MovieSpec movieSpec(std::optional<QString> timecode = QStringLiteral("10:00:00:00"),
                                        std::optional<QString> creationDate = QStringLiteral(
                                            "2024-05-01T10:00:00+00:00"),
                                        const QString& rate = QStringLiteral("25")) {
    testsupport::MovieSpec spec;
    spec.rate = rate;
    spec.seconds = 0.2;
    spec.timecode = std::move(timecode);
    spec.creationDate = std::move(creationDate);
    return spec;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        folder = testsupport::makeTestFolder(QStringLiteral("appmodel"));
        model = makeModel();
    }

    void TearDown() override {
        model.reset();
        if (!HasFailure()) QDir(folder).removeRecursively();
    }

    // A model whose queue keeps its file in this test's folder; the queue is never
    // started here, so it needs no runner or verifier.
    std::unique_ptr<AppModel> makeModel() {
        auto* queue = new CorrectionQueue(nullptr, nullptr, folder + QStringLiteral("/storage"));
        return std::make_unique<AppModel>(queue);
    }

    QString pathOf(const QString& relative) const { return folder + QLatin1Char('/') + relative; }

    QUrl movie(const QString& relative, const testsupport::MovieSpec& spec = movieSpec()) {
        const QString path = pathOf(relative);
        QString error;
        EXPECT_TRUE(testsupport::makeMovie(path, spec, &error)) << error.toStdString();
        return QUrl::fromLocalFile(path);
    }

    bool allAnalysed(int timeoutMs = 30000) {
        return QTest::qWaitFor(
            [this] {
                for (const SourceItem& row : model->sources()) {
                    if (!row.analysis.isDone()) return false;
                }
                return true;
            },
            timeoutMs);
    }

    // The current row of a file, by file name.
    std::optional<SourceItem> row(const QString& fileName) const {
        for (const SourceItem& item : model->sources()) {
            if (QFileInfo(item.url.toLocalFile()).fileName() == fileName) return item;
        }
        return std::nullopt;
    }

    QStringList rowNames() const {
        QStringList names;
        for (const SourceItem& item : model->sources()) names << QFileInfo(item.url.toLocalFile()).fileName();
        return names;
    }

    QString folder;
    std::unique_ptr<AppModel> model;
};

}  // namespace appmodeltest
