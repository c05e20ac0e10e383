#include "Vantrel/views/OpenPanel.h"

#include "Vantrel/media/MovieFiles.h"

#include <QFileDialog>
#include <QPointer>
#include <QSet>

namespace vantrel {

QList<QUrl> runOpenPanel(const OpenPanelRequest& request, QWidget* parent) {
    // On the heap: a parent closed while the dialog runs takes the dialog with it.
    QPointer<QFileDialog> dialog = new QFileDialog(parent);
    const bool folder = request.kind == OpenPanelRequest::Kind::folder;
    dialog->setFileMode(folder ? QFileDialog::Directory : QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setWindowTitle(request.message);
    dialog->setLabelText(QFileDialog::Accept, request.prompt);
    if (folder) {
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
    } else {
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
        dialog->setNameFilter(QStringLiteral("Movies (%1)").arg(patterns.join(QLatin1Char(' '))));
    }
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog) return {};
    const QList<QUrl> chosen = accepted ? dialog->selectedUrls() : QList<QUrl>{};
    delete dialog;
    return chosen;
}

}  // namespace vantrel
