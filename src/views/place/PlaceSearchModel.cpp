#include "views/place/PlaceSearchModel.h"

#include "routedata/LocationValidationError.h"
#include "routedata/RoutePlanningError.h"
#include "views/common/CoordinateText.h"

#include <QCoro/QCoroFuture>
#include <QUuid>

namespace ostrevin {

PlaceSearchModel::PlaceSearchModel(PlaceSearchService& service, QObject* parent) : QObject(parent), m_service(service)
{
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(defaultTypingPause);
    connect(&m_typingPause, &QTimer::timeout, this, [this] {
        const CancelToken token = m_completion.replace();
        m_completion.adopt(complete(QPointer(this), {m_currentQuery, suggestionLimit, m_bias, m_language}, token));
    });
}

void PlaceSearchModel::setTypingPause(std::chrono::milliseconds pause)
{
    m_typingPause.setInterval(pause);
}

QString PlaceSearchModel::selectedPlaceName()
{
    //: Default name of a point chosen by clicking the map or entering coordinates in Place mode.
    return tr("Selected place");
}

QString PlaceSearchModel::errorDescription(const std::exception_ptr& error, const QString& text)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const RoutePlanningError& failure) {
        return failure.description();
    } catch (const LocationValidationError& failure) {
        return failure.description();
    } catch (...) {
    }
    return RoutePlanningError::addressNotFound(text.trimmed()).description();
}

PlaceSuggestion PlaceSearchModel::suggestion(const CoordinateParser::Result& pair)
{
    const QString title = common::coordinateText(pair.latitude, pair.longitude);
    //: Subtitle of the search suggestion shown when the user typed or pasted GPS coordinates.
    const QString subtitle = tr("Coordinates");
    return {QStringLiteral("coordinates:") + title, title, subtitle, pair};
}

void PlaceSearchModel::setSuggestions(const QList<PlaceSuggestion>& suggestions)
{
    if (suggestions == m_suggestions)
        return;
    m_suggestions = suggestions;
    emit suggestionsChanged();
}

void PlaceSearchModel::update(const QString& query)
{
    const QString text = query.trimmed();
    m_currentQuery = text;
    // Whatever the text is now, what was typed before is no longer asked for.
    m_typingPause.stop();
    if (text.isEmpty() || text.size() > longestQuery) {
        m_completion.replace();
        m_suggestionsQuery.clear();
        setSuggestions({});
        return;
    }
    try {
        if (const auto pair = CoordinateParser::parse(text)) {
            m_completion.replace();
            m_suggestionsQuery = text;
            setSuggestions({suggestion(*pair)});
            return;
        }
    } catch (const LocationValidationError&) {
        // Coordinates out of range: nothing to suggest, and nothing worth asking the
        // service; the range error reaches the user when the text is submitted.
        m_completion.replace();
        m_suggestionsQuery.clear();
        setSuggestions({});
        return;
    }
    if (CoordinateParser::isBeginningOfPair(text)) {
        // Coordinates on their way: the service would only be asked for numbers.
        m_completion.replace();
        m_suggestionsQuery.clear();
        setSuggestions({});
        return;
    }
    // The present suggestions stay until the service answers.
    m_completion.replace();
    m_typingPause.start();
}

QCoro::Task<> PlaceSearchModel::complete(QPointer<PlaceSearchModel> self, PlaceSearchQuery query, CancelToken token)
{
    // Named, not temporaries: the compiler mishandles temporaries that live across
    // a co_await.
    const std::stop_token stop = token.stopToken();
    QFuture<std::optional<QList<PlaceCandidate>>> pending = self->m_service.search(query, stop);
    const auto answer = co_await pending;
    // An answer to text the user has since changed, or to a request we abandoned,
    // must not replace what belongs to the present text.
    if (!self || token.isCancelled() || self->m_currentQuery != query.text)
        co_return;
    QList<PlaceSuggestion> list;
    if (answer) {
        for (int index = 0; index < answer->size() && index < suggestionLimit; ++index) {
            const PlaceCandidate& place = answer->at(index);
            list << PlaceSuggestion{QString::number(index) + u':' + place.title + u':' + place.subtitle, place.title,
                                    place.subtitle, place};
        }
    }
    self->m_suggestionsQuery = query.text;
    self->setSuggestions(list);
}

void PlaceSearchModel::clear()
{
    stopAsking();
    m_currentQuery.clear();
    m_suggestionsQuery.clear();
    setSuggestions({});
}

void PlaceSearchModel::stopAsking()
{
    m_typingPause.stop();
    m_completion.replace();
}

RoutePoint PlaceSearchModel::resolve(const PlaceSuggestion& suggestion)
{
    RoutePoint point;
    point.id = QUuid::createUuid();
    if (const auto* pair = std::get_if<CoordinateParser::Result>(&suggestion.kind)) {
        point.name = selectedPlaceName();
        point.latitude = pair->latitude;
        point.longitude = pair->longitude;
    } else {
        const auto& place = std::get<PlaceCandidate>(suggestion.kind);
        point.name = place.name.trimmed().isEmpty() ? place.title : place.name.trimmed();
        point.latitude = place.latitude;
        point.longitude = place.longitude;
    }
    return point;
}

QCoro::Task<RoutePoint> PlaceSearchModel::resolve(QString text, CancelToken token)
{
    // Return within the typing pause: suggestions asked for after it would open the
    // list under the running search.
    stopAsking();
    text = text.trimmed();
    if (text.size() > longestQuery)
        throw RoutePlanningError::addressNotFound(text);
    if (const auto pair = CoordinateParser::parse(text))
        co_return resolve(suggestion(*pair));
    // The list counts only when it answers this very text: suggestions left over
    // from an earlier query would resolve to a place the user did not ask for.
    if (!m_suggestions.isEmpty() && m_suggestionsQuery == text)
        co_return resolve(m_suggestions.first());

    const QPointer self(this);
    PlaceSearchService& service = m_service;
    ++m_runningSearches;
    if (m_runningSearches == 1)
        emit isResolvingChanged();
    const PlaceSearchQuery query{text, 1, m_bias, m_language};
    const std::stop_token stop = token.stopToken();
    QFuture<std::optional<QList<PlaceCandidate>>> pending = service.search(query, stop);
    const auto answer = co_await pending;
    if (self) {
        --self->m_runningSearches;
        if (self->m_runningSearches == 0)
            emit self->isResolvingChanged();
    }
    // A failed service says nothing about the address: blaming the address would
    // send the user rewording a search that cannot succeed.
    if (!answer && !token.isCancelled())
        throw RoutePlanningError::searchUnavailable();
    if (!answer || answer->isEmpty())
        throw RoutePlanningError::addressNotFound(text);
    PlaceSuggestion found;
    found.kind = answer->first();
    found.title = answer->first().title.isEmpty() ? text : answer->first().title;
    RoutePoint point = resolve(found);
    if (answer->first().name.trimmed().isEmpty())
        point.name = text;
    co_return point;
}

} // namespace ostrevin
