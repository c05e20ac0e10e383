#include "Vantrel/views/FileReveal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace vantrel {

void revealInFileManager(const QString& path, const QDBusConnection& bus,
                         std::function<void(const QUrl& folder)> openFolder, QObject* context) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, folder, openFolder = std::move(openFolder)] {
                         if (watcher->isError()) openFolder(folder);
                         watcher->deleteLater();
                     });
}

void revealInFileManager(const QString& path, QObject* context) {
    revealInFileManager(path, QDBusConnection::sessionBus(),
                        [](const QUrl& folder) { QDesktopServices::openUrl(folder); }, context);
}

}  // namespace vantrel
