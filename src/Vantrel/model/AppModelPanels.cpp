// The open panels of the window model: what each asks for and what happens with
// the answer (adding sources, scanning a folder, setting the output folder). The
// dialogs are the views'.
#include "Vantrel/model/AppModel.h"

class QWidget;

namespace vantrel {

// The views' modal file dialog (views/OpenPanel.h): the panel of a model that was
// given no runner of its own. Declared here, not included, so that the model
// needs nothing from the views.
QList<QUrl> runOpenPanel(const OpenPanelRequest& request, QWidget* parent);

void AppModel::setOpenPanelRunner(OpenPanelRunner runner) { openPanelRunner_ = std::move(runner); }

QList<QUrl> AppModel::openPanel(const OpenPanelRequest& request) const {
    return openPanelRunner_ ? openPanelRunner_(request) : runOpenPanel(request, nullptr);
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
