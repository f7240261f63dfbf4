#include "views/common/NameReplacementQuestion.h"

#include "views/kit/Question.h"

namespace ostrevin {

NameReplacementQuestion::NameReplacementQuestion(QWidget& panel, LocationPlannerViewModel& viewModel, Kind kind,
                                                 const QString& objectName)
    : QObject(&panel), m_panel(panel), m_viewModel(viewModel), m_kind(kind), m_objectName(objectName)
{
    connect(&viewModel.library(), &LocationLibrary::pendingNameReplacementChanged, this,
            &NameReplacementQuestion::sync);
    sync();
}

NameReplacementQuestion::~NameReplacementQuestion()
{
    // The box belongs to the panel's window; it must not call back into this object.
    if (m_box)
        m_box->disconnect(this);
}

void NameReplacementQuestion::sync()
{
    const auto& pending = m_viewModel.library().pendingNameReplacement();
    if (!pending || pending->kind != m_kind) {
        if (m_box)
            m_box->close();
        return;
    }
    if (m_box) {
        m_box->setText(pending->question);
        return;
    }
    kit::Question question;
    question.objectName = m_objectName;
    question.icon = QMessageBox::Question;
    question.text = pending->question;
    //: Destructive button of the question asked before a save replaces a saved location or route of the same name.
    question.actionTitle = tr("Replace");
    m_box = kit::openQuestion(&m_panel, question, this, [this](bool replace) {
        m_box = nullptr;
        if (replace)
            m_viewModel.confirmNameReplacement();
        else if (m_viewModel.library().pendingNameReplacement())
            // Closing without an answer is a no.
            m_viewModel.cancelNameReplacement();
    });
}

} // namespace ostrevin
