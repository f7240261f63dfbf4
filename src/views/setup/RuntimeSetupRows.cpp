#include "views/setup/RuntimeSetupRows.h"

#include "routedata/TovrelFormat.h"
#include "runtime/PythonBuild.h"

#include <QCoreApplication>
#include <cmath>

namespace ostrevin {

namespace {

using Kind = RuntimeInstaller::Phase::Kind;
using Step = RuntimeInstaller::Step;

/// Roughly what the installed runtime takes up, for the explanation.
constexpr qint64 installedBytes = 250'000'000;
/// Used when the pinned archive's size is not recorded for this processor.
constexpr qint64 typicalDownloadBytes = 25'000'000;
/// An error can carry a tool's whole output; laying out a label of megabytes
/// takes seconds, and the end of the output is what explains the failure.
constexpr qsizetype failureTextLimit = 16 * 1024;

QString tail(const QString& text)
{
    if (text.size() <= failureTextLimit)
        return text;
    qsizetype start = text.size() - failureTextLimit;
    // Never split a surrogate pair.
    if (text.at(start).isLowSurrogate())
        ++start;
    return u'…' + text.mid(start);
}

} // namespace

QList<std::pair<QString, QString>> RuntimeSetupRows::facts(const QLocale& locale)
{
    const qint64 download = PythonBuild::pinned().expectedBytes.value_or(typicalDownloadBytes);
    const auto size = [&](qint64 bytes) { return locale.formattedDataSize(bytes, 0, QLocale::DataSizeSIFormat); };
    return {
        //: Installation fact. Both %1 and %2 are file sizes, e.g. “25 MB” and “250 MB”.
        {QStringLiteral("arrow.down.circle"),
         QCoreApplication::translate("RuntimeSetupView", "Downloads about %1 and takes up about %2 once installed.")
             .arg(size(download), size(installedBytes))},
        //: Installation fact.
        {QStringLiteral("clock"), QCoreApplication::translate("RuntimeSetupView", "Usually takes 1–3 minutes.")},
        //: Installation fact.
        {QStringLiteral("lock.shield"),
         QCoreApplication::translate("RuntimeSetupView",
                                     "Doesn’t require an administrator password and doesn’t change your system.")},
    };
}

RuntimeSetupRows RuntimeSetupRows::of(const RuntimeInstaller::Phase& phase, const QStringList& logTail,
                                      const QLocale& locale)
{
    RuntimeSetupRows rows;
    switch (phase.kind) {
    case Kind::installed:
        rows.block = Block::nothing;
        break;
    case Kind::checking:
    case Kind::notInstalled:
        rows.block = Block::facts;
        //: Button that installs the add-on component.
        rows.installTitle = QCoreApplication::translate("RuntimeSetupView", "Install");
        rows.installEnabled = phase.kind == Kind::notInstalled;
        break;
    case Kind::failed:
        rows.block = Block::failure;
        rows.failureMessage = tail(phase.message);
        //: Button that retries the add-on component installation.
        rows.installTitle = QCoreApplication::translate("RuntimeSetupView", "Try again");
        rows.installEnabled = true;
        break;
    case Kind::installing:
        rows.block = Block::steps;
        for (const Step step : RuntimeInstaller::allSteps()) {
            StepRow row;
            row.step = step;
            row.title = RuntimeInstaller::title(step);
            const int order = RuntimeInstaller::toRaw(step) - RuntimeInstaller::toRaw(phase.step);
            row.status = order < 0 ? StepStatus::done : order == 0 ? StepStatus::current : StepStatus::later;
            if (order == 0 && phase.progress) {
                // Rounded down: "100 %" would claim the download is done before it is.
                //: A percentage. %1 is the number, %2 the percent sign, both as the user’s locale writes them;
                //: order and space them as your language does (“42 %”, “%42”).
                row.percentage =
                    QCoreApplication::translate("RuntimeSetupView", "%1%2")
                        .arg(locale.toString(TovrelFormat::wholePercent(*phase.progress)), locale.percent());
            } else if (order == 0 && phase.receivedBytes) {
                // No size to measure against: the bytes so far show that it moves.
                row.percentage = locale.formattedDataSize(*phase.receivedBytes, 0, QLocale::DataSizeSIFormat);
            }
            rows.steps.append(row);
        }
        if (phase.step == Step::download && phase.progress)
            rows.progress = std::clamp(*phase.progress, 0.0, 1.0);
        rows.progressIndeterminate = phase.step == Step::download && !phase.progress;
        if (phase.step == Step::components && !logTail.isEmpty())
            rows.lastLogLine = logTail.last();
        rows.cancelEnabled = phase.step != Step::finish && !phase.cancelling;
        rows.cancelTitle = phase.cancelling
                               //: Button title while the add-on component installation is being canceled.
                               ? QCoreApplication::translate("RuntimeSetupView", "Canceling…")
                               //: Button that cancels the add-on component installation.
                               : QCoreApplication::translate("RuntimeSetupView", "Cancel");
        break;
    }
    return rows;
}

} // namespace ostrevin
