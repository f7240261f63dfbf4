#include "app/WidgetFileDialogs.h"

#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrevin;

namespace {

QFileDialog* openDialog()
{
    QFileDialog* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(widget);
                if (dialog && dialog->isVisible())
                    found = dialog;
            }
            return found != nullptr;
        },
        10000);
    return shown ? found : nullptr;
}

} // namespace

TEST(WidgetFileDialogs, AnswersTheChosenPathOrNoneHoweverTheDialogEnds)
{
    test::TempDir folder;
    const FileDialogs::SaveRequest request{QStringLiteral("Export event log"), QStringLiteral("Ostrevin-log.txt"),
                                           QStringLiteral("Text files (*.txt)"), QStringLiteral("txt")};
    enum class End { accept, reject, windowClosed };
    struct Case {
        const char* name;
        End end;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"saved", End::accept, folder.file(QStringLiteral("chosen.txt"))},
        {"cancelled", End::reject, std::nullopt},
        {"its window went away", End::windowClosed, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = std::make_unique<QWidget>();
        window->show();
        WidgetFileDialogs dialogs(window.get());
        QFuture<std::optional<QString>> answer = dialogs.chooseSaveLocation(request);

        QFileDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), request.title);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(answer.isFinished());
        switch (c.end) {
        case End::accept:
            dialog->selectFile(folder.file(QStringLiteral("chosen.txt")));
            // QFileDialog narrows accept() to protected; QDialog's is the public way in.
            static_cast<QDialog*>(dialog)->accept();
            break;
        case End::reject:
            dialog->reject();
            break;
        case End::windowClosed:
            window.reset();
            break;
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.isFinished(); }, 10000));
        EXPECT_EQ(answer.result(), c.expected);
    }
}
