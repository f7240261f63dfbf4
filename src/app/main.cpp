#include "app/AppLog.h"
#include "app/DeviceEnvironment.h"
#include "app/MainWindow.h"
#include "app/TovrelApp.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QCommandLineParser>

using namespace ostrevin;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrevin"));
    QApplication::setOrganizationName(QStringLiteral("Ostrevin"));
    QApplication::setDesktopFileName(QStringLiteral("com.ostrevin.Ostrevin"));
    // Alarm windows come and go; only the main window's close ends the run.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(MainWindow::applicationIcon());

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption quitAfterFirstFrame(
        QStringLiteral("quit-after-first-frame"),
        QStringLiteral("Quit as soon as the main window's content has been painted (start-up measurements)."));
    parser.addOption(quitAfterFirstFrame);
    parser.process(application);

    // Signals that arrive from here on end the run through the orderly quit.
    TerminationSignals terminationSignals;

    TovrelApp::Options options;
    options.device = DeviceEnvironment::configuration(options.paths);
    TovrelApp app(options);
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, [&app](int signalNumber) {
        qCInfo(lcApp) << "signal" << signalNumber << "received";
        app.quit();
    });
    if (parser.isSet(quitAfterFirstFrame))
        QObject::connect(&app.window(), &MainWindow::contentPainted, &app, &TovrelApp::quit);
    app.show();
    return QApplication::exec();
}
