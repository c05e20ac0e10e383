#include "Vantrel/app/VantrelApp.h"

#include "AppCitizenshipKit/CitizenshipCommands.h"
#include "HelpMenu/HelpMenuCommands.h"
#include "HelpMenu/HelpWindowController.h"
#include "Vantrel/app/AppDelegate.h"
#include "Vantrel/app/BuildNumber.h"
#include "Vantrel/app/AppIconController.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/MainWindow.h"
#include "Vantrel/app/ScreenFit.h"
#include "Vantrel/app/UpdaterController.h"
#include "Vantrel/model/AppModel.h"
#include "Vantrel/queue/FFmpegCorrectionRunner.h"
#include "Vantrel/queue/FFmpegOutputVerifier.h"
#include "Vantrel/views/Palette.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSettings>

#include <cstdio>

#ifndef VANTREL_VERSION
#define VANTREL_VERSION "0.0.0"
#endif

namespace vantrel {

namespace {

const QString appName = QStringLiteral("Vantrel");

// Where the help came from, for whoever asks (QT_LOGGING_RULES="vantrel.help.info=true").
Q_LOGGING_CATEGORY(lcHelp, "vantrel.help", QtWarningMsg)

// The help topics, or an empty help titled "Vantrel Help" when they cannot be read.
helpmenu::HelpContent loadHelp(const QString& folder) {
    try {
        helpmenu::HelpContent content = helpmenu::HelpContent::load(QStringLiteral("help-manifest"), folder);
        qCInfo(lcHelp).noquote() << "Help:" << content.topics.size() << "topics from" << folder;
        return content;
    } catch (const helpmenu::HelpContentError& error) {
        qCWarning(lcHelp).noquote() << "Help could not be read from" << folder << "-" << error.errorDescription();
        return helpmenu::HelpContent({}, QStringLiteral("Vantrel Help"), std::nullopt);
    }
}

citizenship::CitizenshipConfig makeCitizenship() {
    citizenship::CitizenshipConfig config;
    config.appID = QStringLiteral("vantrel");
    config.appName = QStringLiteral("Vantrel");
    config.accent = Palette::color(Palette::Role::accent, false);
    config.feedbackEndpoint = citizenship::CitizenshipConfig::defaultFeedbackEndpoint();
    config.donateBaseURL = citizenship::CitizenshipConfig::defaultDonateBaseURL();
    config.websiteURL = citizenship::CitizenshipConfig::webPage(QStringLiteral("/vantrel"));
    config.privacyURL = citizenship::CitizenshipConfig::webPage(QStringLiteral("/privacy"));
    return config;
}

}  // namespace

void VantrelApp::configureApplication() {
    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    // Read by the About panel and the feedback report, as "0.1.0 (N)".
    if (QCoreApplication* app = QCoreApplication::instance()) app->setProperty("buildNumber", buildNumber());
    // No display name of its own: Qt's X11 and Wayland windows add a display name
    // that was set to every title ("Vantrel Help — Vantrel"). Unset, it reads as
    // the application name, and each window keeps exactly the title it gives.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantrel"));
}

VantrelApp::VantrelApp() : VantrelApp(Options()) {}

VantrelApp::VantrelApp(Options options)
    : options_(std::move(options)), helpContent_(loadHelp(options_.helpFolder)), citizenship_(makeCitizenship()) {
    helpmenu::HelpWindowController::registerContent(helpContent_);
    // Every window of the application, the help, feedback and About windows
    // included, stays within the screen's available area.
    new screenfit::FitEveryWindow(this);
    if (options_.settings) {
        settings_ = options_.settings;
    } else {
        ownSettings_ = std::make_unique<QSettings>();
        settings_ = ownSettings_.get();
    }
    const QUrl feed = options_.feed ? *options_.feed
                                    : UpdaterController::configuredFeed(settings_->value(preferences::updateFeedKey).toString());
    updater_ = new UpdaterController(feed, this);
    // The stored appearance is in force before any window exists.
    appearance_ = new AppearanceController(settings_, options_.bus, this);
    icons_ = options_.iconFolder ? new AppIconController(appearance_, *options_.iconFolder, this)
                                 : new AppIconController(appearance_, QStringLiteral(":/vantrel/icons"), this);
}

VantrelApp::~VantrelApp() {
    window_.reset();
    model_.reset();
}

std::unique_ptr<AppModel> VantrelApp::makeModel() {
    const BundledToolResolver resolver = options_.resolver.value_or(BundledToolResolver());
    // Whether ffmpeg is there is decided now, once, for the whole run.
    auto runner = std::make_shared<FFmpegCorrectionRunner>(std::make_unique<FFmpegWrapper>(resolver),
                                                           resolver.isAvailable(BundledToolResolver::Tool::ffmpeg));
    runner_ = runner;
    auto reader = std::make_shared<SourceTimecodeReader>();
    auto prober = std::make_shared<FFmpegWrapper>(resolver);
    auto verifier = std::make_shared<FFmpegOutputVerifier>(reader, resolver, prober);
    verifier->sweepLeftovers();
    auto* queue = new CorrectionQueue(runner, verifier, options_.queueFolder);
    return std::make_unique<AppModel>(queue);
}

bool VantrelApp::lockDataFolder() {
    if (!instanceLock_) {
        instanceLock_ = InstanceLock::acquireOrTellUser(options_.queueFolder.value_or(InstanceLock::defaultFolder()),
                                                        options_.tellAlreadyRunning);
    }
    return instanceLock_ != nullptr;
}

AppModel* VantrelApp::model() {
    if (!model_) model_ = makeModel();
    return model_.get();
}

bool VantrelApp::isFFmpegAvailable() {
    model();
    const auto runner = runner_.lock();
    return runner && runner->isAvailable();
}

MainWindow* VantrelApp::window() {
    if (window_) return window_.get();
    window_ = std::make_unique<MainWindow>(model(), settings_, appearance_, icons_, updater_);
    window_->setHelpCommand(helpmenu::HelpMenuCommands(helpContent_, appName).makeAction(window_.get()));
    window_->setShowHelp([] { helpmenu::HelpWindowController::showHelp(); });
    window_->setCitizenshipCommands(citizenship::CitizenshipCommands(citizenship_, true, true).makeActions(window_.get()));
    return window_.get();
}

void VantrelApp::show() {
    MainWindow* main = window();
    main->show();
    if (launched_) return;
    launched_ = true;
    icons_->setUp(preferences::storedIcon(*settings_));
    AppDelegate::applicationDidFinishLaunching(main->helpMenu());
}

void VantrelApp::prepareToEnd() {
    const std::optional<CorrectionQueue::UnsavedJobs> unsaved = window()->agreeToEnd();
    if (!unsaved) return;
    std::fprintf(stderr, "%s\n", MainWindow::unsavedJobsLine(*unsaved).toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace vantrel
