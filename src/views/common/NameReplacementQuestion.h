#pragma once

#include "planner/LocationPlannerViewModel.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>

namespace ostrevin {

/// Asks “Replace “name”?” over a panel while the view model holds a save of one
/// kind (a location or a route) whose name another saved entry already carries;
/// "Replace" stores it, anything else (Cancel, Escape, Return) drops it.
class NameReplacementQuestion final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NameReplacementQuestion)

public:
    using Kind = LocationLibrary::NameReplacement::Kind;

    /// The question opens over panel, which owns this object.
    NameReplacementQuestion(QWidget& panel, LocationPlannerViewModel& viewModel, Kind kind, const QString& objectName);
    ~NameReplacementQuestion() override;

    /// The open question, if any.
    QMessageBox* dialog() const { return m_box; }

private:
    void sync();

    QWidget& m_panel;
    LocationPlannerViewModel& m_viewModel;
    Kind m_kind;
    QString m_objectName;
    QPointer<QMessageBox> m_box;
};

} // namespace ostrevin
