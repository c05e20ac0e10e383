#pragma once

// The application: reads the stored choices, applies the appearance before any
// window exists, and builds the window model with the correction pipeline behind
// it, the update check, the icon and the main window. Everything a test needs to
// replace comes in through Options.

#include "AppCitizenshipKit/CitizenshipConfig.h"
#include "HelpMenu/HelpContent.h"
#include "Vantrel/app/InstanceLock.h"
#include "Vantrel/tools/BundledToolResolver.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QSettings;

namespace vantrel {

class AppModel;
class AppearanceController;
class AppIconController;
class CorrectionRunning;
class MainWindow;
class UpdaterController;

class VantrelApp : public QObject {
    Q_OBJECT

public:
    struct Options {
        QSettings* settings = nullptr;            // none: the user's own settings
        std::optional<QString> queueFolder;       // none: "Vantrel" in the user's data folder
        std::optional<BundledToolResolver> resolver;  // none: Helpers, then the system folders
        std::optional<QDBusConnection> bus = QDBusConnection::sessionBus();  // none: no portal
        std::optional<QString> iconFolder;        // none: the built-in icons
        std::optional<QUrl> feed;                 // none: the setting, then the build's feed
        QString helpFolder = QStringLiteral(":/help");  // where "help-manifest.json" is looked for
        InstanceLock::Teller tellAlreadyRunning;  // none: a message box where there is a screen
    };

    // Names the organisation and application (so settings have a home), the version
    // and the build number. Call it once the application object exists.
    static void configureApplication();

    VantrelApp();
    explicit VantrelApp(Options options);
    ~VantrelApp() override;

    // Built on first use.
    AppModel* model();
    MainWindow* window();

    AppearanceController* appearance() const { return appearance_; }
    UpdaterController* updater() const { return updater_; }
    AppIconController* icons() const { return icons_; }
    QSettings* settings() const { return settings_; }
    // The help shown by the help window, and the feedback and About configuration.
    const helpmenu::HelpContent& helpContent() const { return helpContent_; }
    const citizenship::CitizenshipConfig& citizenship() const { return citizenship_; }

    // Takes the instance lock of the folder that keeps the queue, for the whole
    // session; false when another copy holds it, after telling the user (in the
    // stored appearance, which is in force from construction on). Called before
    // the model is first used.
    bool lockDataFolder();

    // Whether ffmpeg was found when the model was made; fixed from then on.
    bool isFFmpegAvailable();

    // Shows the window, sets up the icon and runs the after-launch fixes once.
    void show();

    // Readies an end that asks nothing (a termination signal): the last try to save
    // the queue, with one line on standard error when jobs would still be lost, and
    // a main window that closes without a question. Closing the windows and leaving
    // the event loop are the caller's.
    void prepareToEnd();

private:
    std::unique_ptr<AppModel> makeModel();

    Options options_;
    std::unique_ptr<InstanceLock> instanceLock_;
    std::unique_ptr<QSettings> ownSettings_;
    QSettings* settings_;
    AppearanceController* appearance_;
    UpdaterController* updater_;
    AppIconController* icons_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<MainWindow> window_;
    helpmenu::HelpContent helpContent_;
    citizenship::CitizenshipConfig citizenship_;
    std::weak_ptr<CorrectionRunning> runner_;
    bool launched_ = false;
};

}  // namespace vantrel
