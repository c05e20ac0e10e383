// The open panels of the window model. Only the dialogs live here; what happens
// with the chosen files (adding sources, scanning a folder, setting the output
// folder) is in the model and runs without a dialog.
#include "Vantrel/model/AppModel.h"
#include "Vantrel/media/MovieFiles.h"

#include <QFileDialog>
#include <QSet>

namespace vantrel {

namespace {

struct PanelOptions {
    QFileDialog::FileMode mode;
    QString prompt;
    QString message;
};

// Runs one modal panel; an empty list means it was cancelled.
QList<QUrl> runPanel(const PanelOptions& options) {
    QFileDialog dialog;
    dialog.setFileMode(options.mode);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowTitle(options.message);
    dialog.setLabelText(QFileDialog::Accept, options.prompt);
    if (options.mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (options.mode == QFileDialog::ExistingFiles) {
        QStringList patterns;
        QSet<QString> seen;
        for (const QMimeType& type : acceptedMovieTypes()) {
            for (const QString& pattern : type.globPatterns()) {
                if (!seen.contains(pattern)) {
                    seen.insert(pattern);
                    patterns.append(pattern);
                }
            }
        }
        dialog.setNameFilter(QStringLiteral("Movies (%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedUrls();
}

}  // namespace

void AppModel::chooseFiles() {
    const QList<QUrl> files = runPanel({QFileDialog::ExistingFiles, QStringLiteral("Add"),
                                        QStringLiteral("Choose video files to correct")});
    if (!files.isEmpty()) addSources(files);
}

void AppModel::chooseFolder() {
    const QList<QUrl> folders = runPanel({QFileDialog::Directory, QStringLiteral("Add"),
                                          QStringLiteral("Choose a folder of videos to correct")});
    if (folders.isEmpty()) return;
    addFolder(folders.first());
}

void AppModel::chooseOutputFolder() {
    const QList<QUrl> folders = runPanel({QFileDialog::Directory, QStringLiteral("Choose"),
                                          QStringLiteral("Choose where corrected files are written")});
    if (!folders.isEmpty()) setOutputFolder(folders.first());
}

}  // namespace vantrel
