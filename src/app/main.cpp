#include "app/AppLog.h"
#include "app/DeviceEnvironment.h"
#include "app/MainWindow.h"
#include "app/PlatformChoice.h"
#include "app/SingleInstance.h"
#include "app/StartupWarmUp.h"
#include "app/TovrelApp.h"
#include "platform/TerminationSignals.h"
#include "routedata/LegacyMigration.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcessEnvironment>
#include <chrono>
#include <cstdio>

using namespace ostrevin;

int main(int argc, char* argv[])
{
    // Before the application object, whose making takes about as long.
    const FontConfigurationWarmUp fontConfiguration;
    const std::optional<QByteArray> platform = preferredQtPlatform(QProcessEnvironment::systemEnvironment());
    if (platform)
        qputenv("QT_QPA_PLATFORM", *platform);
    QApplication application(argc, argv);
    // Only Qt reads it: the tools the program starts get the user's environment.
    if (platform)
        qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(QStringLiteral("Ostrevin"));
    QApplication::setOrganizationName(QStringLiteral("Ostrevin"));
    QApplication::setDesktopFileName(QStringLiteral("com.ostrevin.Ostrevin"));
    // Alarm windows come and go; only the main window's close ends the run.
    QApplication::setQuitOnLastWindowClosed(false);
    // The main window sets the application's icon itself, after its first frame.

    QCommandLineParser parser;
    // Not addHelpOption(): its --help-all lists Qt's options through process().
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption quitAfterFirstFrame(
        QStringLiteral("quit-after-first-frame"),
        QStringLiteral("Quit as soon as the main window's content has been painted, and print when that was on "
                       "the monotonic clock (start-up measurements)."));
    parser.addOption(quitAfterFirstFrame);
    // Answered here rather than by QCommandLineParser::process(), which ends the run
    // through exit(): the font configuration is still loading on its thread, and
    // exit() would take the libraries away from under it.
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(parser.errorText()));
        return 1;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    // Declared after the application, so it has ended before the application goes.
    const StartupWarmUp warmUp(fontConfiguration);

    TovrelApp::Options options;
    // Before the lock, which creates the data folder: an older folder is moved in
    // only where none exists yet.
    LegacyMigration::migrateDataFolderOf(options.paths);
    SingleInstance instance(options.paths.dataDirectory());
    if (!instance.claim()) {
        QObject::connect(&instance, &SingleInstance::handOverFinished, &application, [](bool answered) {
            if (answered)
                qCInfo(lcApp) << "already running: brought its window forward";
            else
                qCWarning(lcApp) << "already running, and it does not answer";
            QCoreApplication::exit(answered ? 0 : 1);
        });
        instance.askRunningCopyToComeForward();
        return QApplication::exec();
    }

    // Signals that arrive from here on end the run through the orderly quit.
    TerminationSignals terminationSignals;

    options.device = DeviceEnvironment::configuration(options.paths);
    TovrelApp app(options);
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, [&app](int signalNumber) {
        qCInfo(lcApp) << "signal" << signalNumber << "received";
        app.quit();
    });
    if (parser.isSet(quitAfterFirstFrame)) {
        QObject::connect(&app.window(), &MainWindow::contentPainted, &app, [&app] {
            // The moment the user sees the window; the orderly quit after it is not start-up.
            const auto painted = std::chrono::steady_clock::now().time_since_epoch();
            std::printf("first frame at %lld ns\n",
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(painted).count()));
            std::fflush(stdout);
            app.quit();
        });
    }
    QObject::connect(&instance, &SingleInstance::comeForwardRequested, &app, [&app] { app.window().comeForward(); });
    app.show();
    return QApplication::exec();
}
