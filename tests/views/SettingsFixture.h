#pragma once

#include "planner/PlannerFixture.h"
#include "runtime/RuntimeInstaller.h"
#include "views/settings/SettingsWindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>

namespace ostrevin::test {

/// A settings window over a view model with fakes at every edge, a runtime
/// installer whose download can only reach a closed port on 127.0.0.1, and a
/// relaunch that only counts.
class SettingsFixture : public PlannerFixture {
protected:
    SettingsWindow& open(const QString& launchedWith = QStringLiteral("system"))
    {
        if (!vm)
            build();
        writeFile(dir.file(QStringLiteral("i18n/ostrevin_en.qm")), {});
        RuntimeInstaller::Configuration configuration;
        configuration.runtimeDirectory = dir.file(QStringLiteral("Runtime"));
        configuration.resourceDirectory = dir.file(QStringLiteral("resources"));
        configuration.build.url = QUrl(QStringLiteral("http://127.0.0.1:9/python.tar.gz"));
        runtime = std::make_unique<RuntimeInstaller>(configuration);
        window = std::make_unique<SettingsWindow>(SettingsWindow::Services{
            *vm, *runtime, *settings, [this] { ++relaunches; }, dir.file(QStringLiteral("i18n")), launchedWith});
        return *window;
    }

    void TearDown() override
    {
        window.reset();
        if (runtime && runtime->isInstalling()) {
            runtime->cancel();
            eventually([this] { return !runtime->isInstalling(); });
        }
        runtime.reset();
        PlannerFixture::TearDown();
    }

    template <typename T> T* child(const QString& name) const
    {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    /// Picks a row of a picker as the user does.
    void pick(const QString& picker, const QString& raw)
    {
        auto* box = child<QComboBox>(picker);
        const int index = box->findData(raw);
        ASSERT_GE(index, 0) << raw.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    /// Clicks the button with this text in the open confirmation.
    bool answer(const QString& confirmation, const QString& buttonText)
    {
        auto* box = window->findChild<QMessageBox*>(confirmation);
        if (!box)
            return false;
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == buttonText) {
                button->click();
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<RuntimeInstaller> runtime;
    std::unique_ptr<SettingsWindow> window;
    int relaunches = 0;
};

} // namespace ostrevin::test
