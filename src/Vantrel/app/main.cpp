// The Vantrel executable: one application, one main window, one running copy.
#include "Vantrel/app/InstanceLock.h"
#include "Vantrel/app/Termination.h"
#include "Vantrel/app/VantrelApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantrel::VantrelApp::configureApplication();
    const auto instanceLock = vantrel::InstanceLock::acquireOrTellUser();
    if (!instanceLock) return 1;
    vantrel::quitOnTerminationSignals();
    vantrel::VantrelApp vantrel;
    vantrel.show();
    return app.exec();
}
