#include "app/WidgetFileDialogs.h"

#include "app/DialogOwnerWindow.h"
#include "platform/AnswerOnce.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <memory>

namespace ostrevin {

WidgetFileDialogs::WidgetFileDialogs(QWidget* window) : m_window(window)
{
}

void WidgetFileDialogs::setWindow(QWidget* window)
{
    m_window = window;
}

QFuture<std::optional<QString>> WidgetFileDialogs::chooseSaveLocation(const SaveRequest& request)
{
    // Answers "cancelled" also when the dialog is destroyed unfinished (its window closed).
    auto answer = std::make_shared<AnswerOnce<std::optional<QString>>>(std::nullopt);
    QFuture<std::optional<QString>> future = answer->future();

    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();

    auto* dialog = new QFileDialog(dialogOwnerWindow(m_window, request.owner), request.title,
                                   QDir(folder).filePath(request.suggestedName));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (!request.nameFilter.isEmpty())
        dialog->setNameFilter(request.nameFilter);
    if (!request.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(request.defaultSuffix);

    // finished() comes for every way the dialog closes, also after a chosen file.
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, answer](int result) {
        std::optional<QString> chosen;
        const QStringList files = dialog->selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty() && !files.first().isEmpty())
            chosen = files.first();
        answer->answer(chosen);
    });
    dialog->open();
    return future;
}

} // namespace ostrevin
