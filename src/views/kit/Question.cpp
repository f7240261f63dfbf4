#include "views/kit/Question.h"

#include "views/kit/KeyboardHandover.h"

#include <QLabel>
#include <QPushButton>

namespace ostrevin::kit {

QMessageBox* openQuestion(QWidget* parent, const Question& question, QObject* context,
                          std::function<void(bool acted)> closed)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(question.objectName);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    if (!question.iconPixmap.isNull())
        box->setIconPixmap(question.iconPixmap);
    else
        box->setIcon(question.icon);
    // The product name, not translated.
    box->setWindowTitle(question.title.isEmpty() ? QStringLiteral("Ostrevin") : question.title);
    // Names and errors come from outside: never read them as markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(question.text);
    if (!question.informativeText.isEmpty()) {
        box->setInformativeText(question.informativeText);
        if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            informative->setTextFormat(Qt::PlainText);
    }

    QPushButton* action = nullptr;
    if (question.actionTitle.isEmpty()) {
        QPushButton* ok = box->addButton(QMessageBox::Ok);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
    } else {
        action = box->addButton(question.actionTitle, question.actionRole);
        action->setObjectName(question.actionObjectName);
        QPushButton* cancel = box->addButton(QMessageBox::Cancel);
        box->setDefaultButton(question.actionRole == QMessageBox::DestructiveRole ? cancel : action);
        box->setEscapeButton(cancel);
    }
    if (closed) {
        // Decided when the box closes: it reports its end before the button's own
        // clicked() reaches a later connection.
        QObject::connect(
            box, &QMessageBox::finished, context ? context : box,
            [box, action, closed = std::move(closed)] { closed(action && box->clickedButton() == action); });
    }
    if (question.bringsWindowForward)
        openAskedFor(*box);
    else
        openWithKeyboard(*box);
    return box;
}

} // namespace ostrevin::kit
