// ui_snapshots: renders every registered scenario in the pinned appearance
// (OSTREVIN_APPEARANCE) to PNG files, for people to look at.
//
//     ui_snapshots --out DIR [AREA-OR-AREA-STATE ...]

#include "SnapshotScenario.h"
#include "views/kit/EdgeTransition.h"
#include "views/kit/Spinner.h"
#include "views/kit/Theme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <QLocale>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>
#include <cstdio>

namespace {

using namespace ostrevin;

// Pictures that do not change from one run to the next need a time that does not either.
class StillClock final : public Clock {
public:
    SteadyTime steadyNow() const override { return SteadyTime{} + std::chrono::hours(1000); }
    QDateTime wallNow() const override { return QDateTime(QDate(2026, 3, 14), QTime(9, 41), Qt::UTC); }
};

/// Runs queued layout and paint work.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

/// The window as it looks on screen: with the popups and its own dialogs open over it.
QPixmap picture(QWidget& window)
{
    QPixmap result = window.grab();
    QPainter painter(&result);
    const QPoint origin = window.mapToGlobal(QPoint());
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const bool dialogOfWindow = qobject_cast<QDialog*>(top) && top->parentWidget() == &window;
        if (top != &window && top->isVisible() && (top->windowType() == Qt::Popup || dialogOfWindow)) {
            // A window cut to its shape shows only that on the screen; grab() ignores the cut.
            const QPoint at = top->mapToGlobal(QPoint()) - origin;
            painter.setClipRegion(top->mask().isEmpty() ? QRegion(QRect(at, top->size())) : top->mask().translated(at));
            painter.drawPixmap(at, top->grab());
        }
    }
    return result;
}

bool selected(const snapshots::Scenario& scenario, const QStringList& filters, const QSize& screen)
{
    // A scenario made for a screen size is taken in the run on a screen of that size.
    if (scenario.screen != screen)
        return false;
    if (filters.isEmpty())
        return true;
    const QString name = scenario.area + u'-' + scenario.state;
    for (const QString& filter : filters) {
        if (filter == scenario.area || filter == name)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // No picture reaches the network: the map scenarios bring their own tiles.
    qputenv("OSTREVIN_TILES_URL", "off");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrevin"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    kit::Spinner::setStill(true);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder for the PNG files."),
                                       QStringLiteral("dir"), QStringLiteral("snapshots"));
    const QCommandLineOption listOption(QStringLiteral("list"), QStringLiteral("List the scenarios."));
    const QCommandLineOption screenOption(
        QStringLiteral("screen"), QStringLiteral("The X server's screen size: renders the scenarios made for it."),
        QStringLiteral("WxH"));
    parser.addOption(outOption);
    parser.addOption(listOption);
    parser.addOption(screenOption);
    parser.addPositionalArgument(QStringLiteral("filter"), QStringLiteral("Areas or area-state names to render."));
    parser.process(app);

    if (parser.isSet(listOption)) {
        for (const auto& scenario : snapshots::scenarios())
            std::printf("%s-%s\n", qPrintable(scenario.area), qPrintable(scenario.state));
        return 0;
    }

    const auto appearance = kit::Theme::createAppearance();
    kit::Theme theme(*appearance);
    const QString appearanceName = ostrevin::appearanceName(appearance->current());
    const QDir out(parser.value(outOption));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    QSize screen;
    if (parser.isSet(screenOption)) {
        const QStringList size = parser.value(screenOption).split(u'x');
        screen = QSize(size.value(0).toInt(), size.value(1).toInt());
    }

    StillClock clock;
    const snapshots::SnapshotContext context{appearance->current(), clock, QSize(1440, 900)};
    int failures = 0;
    int written = 0;
    for (const auto& scenario : snapshots::scenarios()) {
        if (!selected(scenario, parser.positionalArguments(), screen))
            continue;
        std::unique_ptr<QWidget> widget = scenario.make(context);
        const QSize size = scenario.screen.isEmpty() ? context.windowSize : scenario.screen;
        widget->resize(size);
        widget->show();
        if (!QTest::qWaitForWindowExposed(widget.get(), 5000))
            std::fprintf(stderr, "%s-%s: the window was not shown in time\n", qPrintable(scenario.area),
                         qPrintable(scenario.state));
        settle();
        if (scenario.whenShown) {
            scenario.whenShown(*widget);
            settle();
        }
        // A bar that came or went after the window was shown is pictured where it ends.
        for (const kit::EdgeTransition* transition : widget->findChildren<kit::EdgeTransition*>()) {
            if (!QTest::qWaitFor([transition] { return !transition->isRunning(); }, 5000))
                std::fprintf(stderr, "%s-%s: a transition did not end in time\n", qPrintable(scenario.area),
                             qPrintable(scenario.state));
        }
        // The picture shows the real size; whoever looks at it should know why it is larger.
        if (!scenario.screen.isEmpty() && (widget->width() > screen.width() || widget->height() > screen.height()))
            std::fprintf(stderr, "%s-%s: the window is %dx%d, larger than its %dx%d screen\n",
                         qPrintable(scenario.area), qPrintable(scenario.state), widget->width(), widget->height(),
                         screen.width(), screen.height());
        const QString file =
            out.filePath(scenario.area + u'-' + scenario.state + u'-' + appearanceName + QStringLiteral(".png"));
        if (picture(*widget).save(file)) {
            ++written;
            std::printf("%s\n", qPrintable(file));
        } else {
            ++failures;
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        }
    }
    // The runs on the small screens have scenarios of some areas only.
    const bool nothing = written == 0 && screen.isEmpty();
    if (nothing && failures == 0)
        std::fprintf(stderr, "no scenario matched\n");
    return failures == 0 && !nothing ? 0 : 1;
}
