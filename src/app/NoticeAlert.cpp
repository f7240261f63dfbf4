#include "app/NoticeAlert.h"

#include "app/DialogOwnerWindow.h"
#include "planner/LocationPlannerViewModel.h"
#include "views/kit/Question.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <utility>

namespace ostrevin {

namespace {

/// The notice as its box over owner shows it. A word no line can hold (a long path, a
/// file name without spaces) would widen the box to the screen's edge and run past
/// it: it loses its middle instead, so the box keeps the width of any long message
/// and the start of a path and the end of its file name stay readable. Made before
/// the box opens: a box that shrinks once shown stays where it was put.
QString fittedText(const QString& text, const QWidget& owner)
{
    // Within the width the box takes for a long message (half the screen, at most
    // 500), less its symbol and margins.
    const QScreen* screen = owner.screen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const int widest = std::min(screenWidth / 2, 500) - 120;
    const QFontMetrics metrics(QApplication::font("QMessageBox"));
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        QStringList words = line.split(u' ');
        for (QString& word : words) {
            if (metrics.horizontalAdvance(word) > widest)
                word = metrics.elidedText(word, Qt::ElideMiddle, widest);
        }
        line = words.join(u' ');
    }
    return lines.join(u'\n');
}

/// The whole notice stays at hand on the label whose text lost a part.
void keepWholeText(QMessageBox& box, const QString& whole)
{
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        label->setToolTip(box.text() == whole ? QString() : whole);
}

} // namespace

NoticeAlert::NoticeAlert(LocationPlannerViewModel& viewModel, QWidget& window)
    : QObject(&window), m_viewModel(viewModel), m_window(window)
{
    connect(&m_viewModel, &LocationPlannerViewModel::noticeChanged, this, &NoticeAlert::sync);
    sync();
}

NoticeAlert::~NoticeAlert() = default;

void NoticeAlert::sync()
{
    const std::optional<QString>& notice = m_viewModel.notice();
    if (!notice) {
        if (m_box)
            m_box->close();
        return;
    }
    // A problem carries the warning symbol; only news (a save that worked) the information one.
    const QMessageBox::Icon icon = m_viewModel.noticeKind() == LocationPlannerViewModel::NoticeKind::information
                                       ? QMessageBox::Information
                                       : QMessageBox::Warning;
    // The window whose action it answers, whichever window is active when it comes:
    // a failed hold must not come up over Settings, nor an export started in Settings
    // bring the main window up over it.
    QWidget* owner = dialogOwnerWindow(&m_window, m_viewModel.noticeOwner());
    if (m_box && m_box->parentWidget() == owner) {
        m_box->setIcon(icon);
        m_box->setText(fittedText(*notice, *owner));
        keepWholeText(*m_box, *notice);
        return;
    }
    // A box over the other window gives way without clearing the notice it now shows.
    const QPointer<QMessageBox> previous = std::exchange(m_box, nullptr);
    const quint64 generation = ++m_boxGeneration;
    if (previous)
        previous->close();
    kit::Question question;
    question.objectName = QStringLiteral("noticeAlert");
    question.icon = icon;
    question.text = fittedText(*notice, *owner);
    m_box = kit::openQuestion(owner, question, this, [this, generation](bool) {
        if (generation != m_boxGeneration)
            return;
        m_box = nullptr;
        m_viewModel.setNotice(std::nullopt);
    });
    keepWholeText(*m_box, *notice);
}

} // namespace ostrevin
