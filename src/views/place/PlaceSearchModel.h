#pragma once

#include "async/CancelToken.h"
#include "async/TaskSlot.h"
#include "routedata/RoutePoint.h"
#include "views/place/PlaceSuggestion.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <exception>
#include <optional>

namespace ostrevin {

/// The state behind one place search field: the suggestions for the text being
/// typed (typed coordinates, or what the search service finds), and the
/// resolution of a chosen suggestion or of submitted text into a point. It knows
/// nothing of panels or the view model. GUI thread only.
class PlaceSearchModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaceSearchModel)

public:
    static constexpr int suggestionLimit = 5;
    /// Longer text is neither read as coordinates nor sent to the service.
    static constexpr qsizetype longestQuery = 100;

    /// The service must outlive the model.
    explicit PlaceSearchModel(PlaceSearchService& service, QObject* parent = nullptr);
    ~PlaceSearchModel() override = default;

    /// At most one coordinate suggestion or at most five found places.
    const QList<PlaceSuggestion>& suggestions() const { return m_suggestions; }
    /// The suggestions answer exactly this text (trimmed); they lag while the
    /// service has not answered the latest text yet.
    bool suggestionsAnswer(const QString& text) const { return m_suggestionsQuery == text.trimmed(); }
    /// A search for submitted text runs.
    bool isResolving() const { return m_runningSearches > 0; }

    /// Where results should lie near (the map's centre) and their language.
    void setBias(std::optional<std::pair<double, double>> latitudeLongitude) { m_bias = latitudeLongitude; }
    void setLanguage(const QString& language) { m_language = language; }

    /// How long typing must rest before the text goes to the service: one request
    /// for a word, not one for every letter of it.
    static constexpr std::chrono::milliseconds defaultTypingPause{300};
    void setTypingPause(std::chrono::milliseconds pause);

    /// The field's text changed: coordinates are recognised at once, other text
    /// asks the service once typing rests (the previous request is abandoned).
    /// Coordinates, and text on its way to becoming them, are never sent.
    void update(const QString& query);
    /// Forgets the query, abandons its request and empties the suggestions.
    void clear();
    /// Asks nothing more for the present text (the typing pause ends, the request
    /// on its way is abandoned); the suggestions stay.
    void stopAsking();

    /// The point of a suggestion. Found places keep the service's coordinates, so
    /// this never searches again. Named "Selected place" for coordinates, else the
    /// place's own name or, lacking one, its title.
    static RoutePoint resolve(const PlaceSuggestion& suggestion);
    /// The point for submitted text: typed coordinates (out of range: throws
    /// LocationValidationError); else the first suggestion when the list answers
    /// exactly this text; else the service's best match (none or a failure: throws
    /// RoutePlanningError::addressNotFound with the text). A cancelled token makes
    /// the search give up; what it then throws is of no interest. Submitted text
    /// is asked for no suggestions any more.
    QCoro::Task<RoutePoint> resolve(QString text, CancelToken token);

    /// The generic name of a point made from typed coordinates.
    static QString selectedPlaceName();
    /// The user-facing text of what resolve() throws.
    static QString errorDescription(const std::exception_ptr& error, const QString& text);

signals:
    void suggestionsChanged();
    void isResolvingChanged();

private:
    void setSuggestions(const QList<PlaceSuggestion>& suggestions);
    static PlaceSuggestion suggestion(const CoordinateParser::Result& pair);
    static QCoro::Task<> complete(QPointer<PlaceSearchModel> self, PlaceSearchQuery query, CancelToken token);

    PlaceSearchService& m_service;
    QList<PlaceSuggestion> m_suggestions;
    /// The text the suggestions answer (they may lag the current query).
    QString m_suggestionsQuery;
    QString m_currentQuery;
    int m_runningSearches = 0;
    std::optional<std::pair<double, double>> m_bias;
    QString m_language;
    TaskSlot m_completion;
    QTimer m_typingPause;
};

} // namespace ostrevin
