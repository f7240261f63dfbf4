#pragma once

#include "runtime/RuntimeInstaller.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace ostrevin {

/// What the runtime setup screen shows for one phase of the installer: which
/// block of rows, the button, the step card's rows. Derived on every change;
/// the screen keeps no state of its own.
struct RuntimeSetupRows {
    enum class Block { facts, failure, steps, nothing };
    enum class StepStatus { done, current, later };

    struct StepRow {
        RuntimeInstaller::Step step = RuntimeInstaller::Step::download;
        StepStatus status = StepStatus::later;
        QString title;
        /// The current step's whole percentage in the locale, when the phase carries
        /// one; the bytes received so far when the download's size is unknown.
        QString percentage;

        bool operator==(const StepRow&) const = default;
    };

    Block block = Block::nothing;
    /// facts and failure: the install button's title ("Install", "Try again").
    QString installTitle;
    /// The install button is disabled while the manifest is being checked.
    bool installEnabled = false;
    /// failure: the error's text, or its last 16 KiB after an ellipsis when longer.
    QString failureMessage;
    /// steps: all five steps in order.
    QList<StepRow> steps;
    /// steps: the download's fraction, only while downloading with a progress value.
    std::optional<double> progress;
    /// steps: downloading without a known size (the bar only shows activity).
    bool progressIndeterminate = false;
    /// steps: the last line of the component install, only during that step.
    QString lastLogLine;
    /// steps: cancelling is refused once the old runtime is being replaced, and
    /// while a cancel is under way.
    bool cancelEnabled = false;
    /// steps: the Cancel button's title ("Cancel", or "Canceling…" once pressed).
    QString cancelTitle;

    static RuntimeSetupRows of(const RuntimeInstaller::Phase& phase, const QStringList& logTail,
                               const QLocale& locale = QLocale());

    /// The three facts of the explanation, in order (symbol name, text).
    static QList<std::pair<QString, QString>> facts(const QLocale& locale = QLocale());

    bool operator==(const RuntimeSetupRows&) const = default;
};

} // namespace ostrevin
