// The appearance and icon choices: stored values, the desktop portal, the icon table.
#include "ShellTestSupport.h"
#include "Vantrel/app/AppIconController.h"
#include "Vantrel/app/AppearanceController.h"
#include "Vantrel/app/InstanceLock.h"
#include "Vantrel/app/Preferences.h"
#include "Vantrel/views/Palette.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace shelltest;

namespace {

// A stand-in for the desktop's settings portal, answering the colour-scheme key.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit FakePortal(uint scheme) : scheme(scheme) {}
    uint scheme;

public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        if (group != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")) return {};
        // The portal wraps the value in a second variant.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// A private session bus for one test.
class PrivateBus {
public:
    PrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address")});
        if (daemon.waitForReadyRead(10000)) address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-side"));
        QDBusConnection::disconnectFromBus(QStringLiteral("app-side"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
    QDBusConnection connect(const QString& name) const { return QDBusConnection::connectToBus(address, name); }

    QProcess daemon;
    QString address;
};

QColor windowColour() { return QApplication::palette().color(QPalette::Window); }

class AppearanceTest : public ShellTest {};

}  // namespace

TEST(Preferences, RawStringsLabelsAndDefaults) {
    using namespace vantrel::preferences;
    EXPECT_EQ(rawValue(AppearancePreference::automatic), QStringLiteral("auto"));
    EXPECT_EQ(menuLabel(IconPreference::automatic), QStringLiteral("Match System"));
    for (const AppearancePreference p : allAppearances()) EXPECT_EQ(appearanceFromRaw(rawValue(p)), p);
    for (const IconPreference p : allIcons()) EXPECT_EQ(iconFromRaw(rawValue(p)), p);
    for (const char* raw : {"", "blue", "Dark", "auto "}) {
        EXPECT_FALSE(appearanceFromRaw(QString::fromLatin1(raw)).has_value()) << raw;
        EXPECT_FALSE(iconFromRaw(QString::fromLatin1(raw)).has_value()) << raw;
    }
}

TEST(Preferences, PortalValueUnwrapsNestedVariants) {
    using vantrel::AppearanceController;
    const QVariant one = QVariant::fromValue(1u);
    EXPECT_EQ(AppearanceController::colorSchemeIsDark(one), true);
    EXPECT_EQ(AppearanceController::colorSchemeIsDark(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(one))))), true);
    EXPECT_EQ(AppearanceController::colorSchemeIsDark(QVariant::fromValue(2u)), false);
    EXPECT_EQ(AppearanceController::colorSchemeIsDark(QVariant::fromValue(0u)), false);
    EXPECT_FALSE(AppearanceController::colorSchemeIsDark(QVariant(QStringLiteral("dark"))).has_value());
}

TEST_F(AppearanceTest, ChoicesPersistAndInstallTheirPalette) {
    AppearanceController appearance(settings.get(), std::nullopt);
    EXPECT_TRUE(appearance.isDark());  // nothing stored
    EXPECT_EQ(windowColour(), Palette::qtPalette(true).color(QPalette::Window));
    appearance.setPreference(AppearancePreference::light);
    EXPECT_EQ(settings->value(preferences::appearanceKey).toString(), QStringLiteral("light"));
    EXPECT_EQ(windowColour(), Palette::qtPalette(false).color(QPalette::Window));
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
}

TEST_F(AppearanceTest, MatchSystemFollowsThePortalOnly) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    QDBusConnection portalSide = bus.connect(QStringLiteral("portal-side"));
    FakePortal portal(1);
    ASSERT_TRUE(portalSide.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(portalSide.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    auto announce = [&](uint scheme) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                         QStringLiteral("org.freedesktop.portal.Settings"),
                                                         QStringLiteral("SettingChanged"));
        signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
               << QVariant::fromValue(QDBusVariant(scheme));
        portalSide.send(signal);
    };

    preferences::store(*settings, AppearancePreference::automatic);
    // A light start palette: the portal's dark answer to the start read shows, and
    // is in before anything is announced.
    QApplication::setPalette(Palette::qtPalette(false));
    AppearanceController appearance(settings.get(), bus.connect(QStringLiteral("app-side")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return appearance.isDark(); }, 10000));  // read at start

    QSignalSpy applied(&appearance, &AppearanceController::appearanceApplied);
    announce(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !appearance.isDark(); }, 10000));
    ASSERT_FALSE(applied.isEmpty());
    EXPECT_FALSE(applied.last().first().toBool());
    EXPECT_EQ(windowColour(), Palette::qtPalette(false).color(QPalette::Window));

    // Under an explicit choice the system is noted but not followed.
    appearance.setPreference(AppearancePreference::light);
    announce(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return appearance.systemIsDark(); }, 10000));
    EXPECT_FALSE(appearance.isDark());
    appearance.setPreference(AppearancePreference::automatic);
    EXPECT_TRUE(appearance.isDark());
}

TEST_F(AppearanceTest, WithoutABusTheStartPaletteDecides) {
    preferences::store(*settings, AppearancePreference::automatic);
    QApplication::setPalette(Palette::qtPalette(false));
    EXPECT_FALSE(AppearanceController(settings.get(), std::nullopt).isDark());
    QApplication::setPalette(Palette::qtPalette(true));
    EXPECT_TRUE(AppearanceController(settings.get(), std::nullopt).isDark());
}

// A second copy says so in the stored appearance, not in the desktop's start palette.
TEST_F(AppearanceTest, AlreadyRunningBoxWearsTheStoredAppearance) {
    const QPalette before = QApplication::palette();
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        preferences::store(*settings, dark ? AppearancePreference::dark : AppearancePreference::light);
        QApplication::setPalette(Palette::qtPalette(!dark));
        auto holder = InstanceLock::acquire(pathOf(QStringLiteral("queue")));
        ASSERT_TRUE(holder);
        QStringList told;
        QColor boxBackground;
        VantrelApp::Options o = options();
        o.tellAlreadyRunning = [&](const QString& message) {
            told << message;
            const auto box = InstanceLock::alreadyRunningBox(message);
            box->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
            boxBackground = pixel(box.get(), QPoint(3, 3));
            testsupport::saveGalleryPicture(box.get(), QStringLiteral("already-running-") +
                                                           (dark ? QStringLiteral("dark") : QStringLiteral("light")));
        };
        EXPECT_FALSE(launch(std::move(o)).lockDataFolder());
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told.first().startsWith(QStringLiteral("Vantrel is already running"))) << told.first().toStdString();
        EXPECT_EQ(boxBackground, Palette::qtPalette(dark).color(QPalette::Window));

        // Once the other copy is gone, the folder is this one's, told nothing.
        app.reset();
        holder.reset();
        EXPECT_TRUE(launch().lockDataFolder());
        EXPECT_FALSE(InstanceLock::acquire(pathOf(QStringLiteral("queue"))));
        EXPECT_EQ(told.size(), 1);
        app.reset();
    }
    QApplication::setPalette(before);
}

TEST_F(AppearanceTest, IconChoiceTable) {
    struct Case { AppearancePreference appearance; IconPreference icon; const QString& name; };
    const QString& dark = AppIconController::darkIconName;
    const QString& light = AppIconController::lightIconName;
    const Case cases[] = {
        {AppearancePreference::dark, IconPreference::automatic, dark},
        {AppearancePreference::light, IconPreference::automatic, light},
        {AppearancePreference::dark, IconPreference::light, light},
        {AppearancePreference::light, IconPreference::dark, dark},
    };
    AppearanceController appearance(settings.get(), std::nullopt);
    for (const Case& c : cases) {
        appearance.setPreference(c.appearance);
        AppIconController icons(&appearance);
        icons.setUp(c.icon);
        EXPECT_EQ(icons.appliedIconName(), c.name);
    }
    // Under "Match System" the icon follows an appearance change by itself.
    appearance.setPreference(AppearancePreference::light);
    AppIconController icons(&appearance);
    icons.setUp(IconPreference::automatic);
    appearance.setPreference(AppearancePreference::dark);
    EXPECT_EQ(icons.appliedIconName(), dark);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(AppearanceTest, MissingIconFileChangesNothing) {
    const QString icons = pathOf(QStringLiteral("icons"));
    QDir().mkpath(icons);
    QFile::copy(QStringLiteral(":/vantrel/icons/VantrelIcon-Dark.svg"), icons + QStringLiteral("/VantrelIcon-Dark.svg"));
    testsupport::writeFile(icons + QStringLiteral("/VantrelIcon-Light.svg"), "<svg broken");
    AppearanceController appearance(settings.get(), std::nullopt);
    AppIconController controller(&appearance, icons);
    controller.setUp(IconPreference::dark);
    const qint64 shown = QApplication::windowIcon().cacheKey();
    controller.setPreference(IconPreference::light);
    EXPECT_EQ(controller.appliedIconName(), AppIconController::darkIconName);
    EXPECT_EQ(QApplication::windowIcon().cacheKey(), shown);
    EXPECT_FALSE(controller.loadIcon(QStringLiteral("VantrelIcon-Missing")).has_value());
}

#include "Appearance_test.moc"
