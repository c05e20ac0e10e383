// Until the main window exists, the executable opens a small window that says so.
#include <QApplication>
#include <QLabel>

#include "Vantrel/app/InstanceLock.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const auto instanceLock = vantrel::InstanceLock::acquireOrTellUser();
    if (!instanceLock) return 1;
    QLabel label(QStringLiteral("Vantrel is being built: the main window is not there yet.\n"
                                "This placeholder does not correct any files."));
    label.setMargin(24);
    label.setWindowTitle(QStringLiteral("Vantrel (placeholder)"));
    label.show();
    return app.exec();
}
