// The Vantrel executable: one application, one main window, one running copy.
#include "Vantrel/app/Termination.h"
#include "Vantrel/app/VantrelApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantrel::VantrelApp::configureApplication();
    // Made before the lock is tried: it puts the stored appearance in force, which
    // the "already running" box then wears. Nothing touches the queue yet.
    vantrel::VantrelApp vantrel;
    if (!vantrel.lockDataFolder()) return 1;
    // SIGTERM and SIGINT end it without a question, after the queue's last save.
    vantrel::endOnTerminationSignals([&vantrel] { vantrel.prepareToEnd(); });
    vantrel.show();
    return app.exec();
}
