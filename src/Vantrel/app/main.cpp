// The Vantrel executable: one application, one main window, one running copy.
#include "Vantrel/app/Termination.h"
#include "Vantrel/app/VantrelApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantrel::VantrelApp::configureApplication();
    // SIGTERM and SIGINT end it without a question from the first moment on, also
    // while the "already running" box is open.
    vantrel::TerminationSignals termination;
    // Made before the lock is tried: it puts the stored appearance in force, which
    // the "already running" box then wears. Nothing touches the queue yet.
    vantrel::VantrelApp vantrel;
    if (!vantrel.lockDataFolder()) return vantrel::TerminationSignals::received() ? 0 : 1;
    // Once the queue is this copy's, the end makes its last save first.
    termination.setBeforeEnd([&vantrel] { vantrel.prepareToEnd(); });
    vantrel.show();
    return app.exec();
}
