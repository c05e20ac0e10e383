#pragma once

#include <QDBusConnection>
#include <QString>
#include <QUrl>

#include <functional>

class QObject;

namespace vantrel {

// Shows a file selected in the file manager (org.freedesktop.FileManager1
// ShowItems on the bus). When that call fails, openFolder gets the file's folder.
void revealInFileManager(const QString& path, const QDBusConnection& bus,
                         std::function<void(const QUrl& folder)> openFolder, QObject* context);

// The same on the session bus, falling back to the desktop's handler for folders.
void revealInFileManager(const QString& path, QObject* context);

}  // namespace vantrel
