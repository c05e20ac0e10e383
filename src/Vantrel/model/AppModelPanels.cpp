// The open panels of the window model: what each asks for and what happens with
// the answer (adding sources, scanning a folder, setting the output folder). The
// dialogs are the views'.
#include "Vantrel/model/AppModel.h"

namespace vantrel {

void AppModel::setOpenPanelRunner(OpenPanelRunner runner) { openPanelRunner_ = std::move(runner); }

// Without a runner (no window to show a panel over) nothing is chosen.
QList<QUrl> AppModel::openPanel(const OpenPanelRequest& request) const {
    return openPanelRunner_ ? openPanelRunner_(request) : QList<QUrl>{};
}

void AppModel::chooseFiles() {
    const QList<QUrl> files = openPanel({OpenPanelRequest::Kind::movieFiles, QStringLiteral("Add"),
                                         QStringLiteral("Choose video files to correct")});
    if (!files.isEmpty()) addSources(files);
}

void AppModel::chooseFolder() {
    const QList<QUrl> folders = openPanel({OpenPanelRequest::Kind::folder, QStringLiteral("Add"),
                                           QStringLiteral("Choose a folder of videos to correct")});
    if (folders.isEmpty()) return;
    addFolder(folders.first());
}

void AppModel::chooseOutputFolder() {
    const QList<QUrl> folders = openPanel({OpenPanelRequest::Kind::folder, QStringLiteral("Choose"),
                                           QStringLiteral("Choose where corrected files are written")});
    if (!folders.isEmpty()) setOutputFolder(folders.first());
}

}  // namespace vantrel
