// The place panel: empty, while typing with suggestions, and with a selected place.

#include "views/place/PlacePanel.h"

#include "PlannerServices.h"
#include "SnapshotScenario.h"
#include "platform/FixedPlaceSearchService.h"
#include "views/place/PlaceSearchField.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;

PlaceCandidate place(const QString& name, const QString& subtitle, double latitude, double longitude)
{
    return {name, name, subtitle, latitude, longitude};
}

enum class State { empty, suggestions, selected, longName };

/// A view model over a private data folder with fakes for every system service,
/// and the panel beside an empty map area.
class PlacePanelScene final : public QWidget {
public:
    explicit PlacePanelScene(State state) : m_state(state)
    {
        RouteStore& store = m_services.store();
        if (state == State::selected) {
            SavedLocation home;
            home.name = u"Home"_s;
            home.point = point(u"Home"_s, 50.0875, 14.4213);
            SavedLocation office;
            office.name = u"Office by the river"_s;
            office.point = point(u"Office"_s, 51.5074, -0.1278);
            store.save(QList{home, office}, store.savedLocationsPath());
            RouteHistoryItem recent;
            recent.title = u"Vyšehrad"_s;
            recent.points = {point(u"Vyšehrad"_s, 50.0645, 14.4185)};
            store.save(QList{recent}, store.historyPath());
        }
        LocationPlannerViewModel& viewModel = m_services.viewModel();
        m_viewModel = &viewModel;
        if (state == State::selected || state == State::longName) {
            m_viewModel->selectPlace(
                state == State::selected
                    ? point(u"Letná Park"_s, 50.0969, 14.4237)
                    : point(u"Kostel Nejsvětější Trojice a klášter trinitářů na Novém Městě"_s, -33.8688, -151.2093),
                LocationPlannerViewModel::MapFraming::keepCamera);
            m_viewModel->refreshHelperStatus();
        }

        m_panel = new PlacePanel(*m_viewModel, m_search);
        m_panel->setFixedWidth(308);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(m_panel);
        layout->addStretch(1);
    }

    ~PlacePanelScene() override { delete m_panel; }

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        if (m_state != State::suggestions)
            return;
        QTimer::singleShot(0, this, [this] {
            activateWindow();
            // The field takes the keys only once the window is active.
            static_cast<void>(QTest::qWaitForWindowActive(this, 3000));
            QLineEdit* edit = m_panel->searchField()->lineEdit();
            edit->setFocus(Qt::MouseFocusReason);
            QTest::keyClicks(edit, u"Pra"_s);
            // The list comes once typing rests.
            static_cast<void>(QTest::qWaitFor([this] { return m_panel->searchField()->showsSuggestions(); }, 3000));
            QTest::keyClick(edit, Qt::Key_Down);
        });
    }

private:
    State m_state;
    PlannerServices m_services;
    FixedPlaceSearchService m_search{{place(u"Prague"_s, u"Czechia"_s, 50.0755, 14.4378),
                                      place(u"Prague Castle"_s, u"Prague, Czechia"_s, 50.0911, 14.4016),
                                      place(u"Praterstraße"_s, u"Vienna, Austria"_s, 48.2155, 16.3858),
                                      place(u"Prato"_s, u"Tuscany, Italy"_s, 43.8777, 11.1022),
                                      place(u"Pražská 12"_s, u"Plzeň, Czechia"_s, 49.7465, 13.3776)}};
    LocationPlannerViewModel* m_viewModel;
    PlacePanel* m_panel;
};

const RegisterScenario empty(u"place"_s, u"empty"_s,
                             [](const SnapshotContext&) { return std::make_unique<PlacePanelScene>(State::empty); });
const RegisterScenario suggestions(u"place"_s, u"suggestions"_s, [](const SnapshotContext&) {
    return std::make_unique<PlacePanelScene>(State::suggestions);
});
const RegisterScenario selected(u"place"_s, u"selected"_s, [](const SnapshotContext&) {
    return std::make_unique<PlacePanelScene>(State::selected);
});
const RegisterScenario longName(u"place"_s, u"selected-long-name"_s, [](const SnapshotContext&) {
    return std::make_unique<PlacePanelScene>(State::longName);
});

} // namespace

} // namespace ostrevin::snapshots
