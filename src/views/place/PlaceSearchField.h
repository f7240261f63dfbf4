#pragma once

#include "async/TaskSlot.h"
#include "routedata/RoutePoint.h"
#include "views/place/PlaceSuggestion.h"

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <optional>

class QLineEdit;

namespace ostrevin {

class PlaceSearchModel;
class PlaceSearchService;
class PlaceSuggestionList;

namespace kit {
class FieldSurface;
class IconButton;
class Spinner;
} // namespace kit

/// The one search-as-you-type place field: a text field on the kit's field
/// surface with a caller's leading widget, a spinner while a search runs or a
/// clear button, and an inline list of up to five suggestions below it that
/// pushes what follows down. Picks resolve to a point that goes to the caller
/// through picked(); the field calls nothing outside itself.
///
/// Use: create it with the service, the prompt and a leading widget; connect
/// picked() (the point), failed() (a message for the notice) and, where a value
/// can be removed, cleared(); call setValue() with what is committed (the route
/// panel's endpoints) or leave it empty (the place search); setEnabled() gates it.
class PlaceSearchField final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlaceSearchField)

public:
    /// Text beyond this length cannot be typed or pasted.
    static constexpr int maximumLength = 256;

    /// The service must outlive the field. The field takes ownership of leading.
    PlaceSearchField(PlaceSearchService& service, const QString& prompt, QWidget* leading = nullptr,
                     QWidget* parent = nullptr);
    ~PlaceSearchField() override;

    /// The committed value shown while the user is not editing; none when nothing
    /// is committed. While the user types, a new value waits for the focus to go.
    void setValue(const std::optional<QString>& value);
    const std::optional<QString>& value() const { return m_value; }
    /// Where suggestions should lie near (the map's centre).
    void setSearchBias(std::optional<std::pair<double, double>> latitudeLongitude);
    /// How long typing rests before the text is searched (tests shorten it).
    void setTypingPause(std::chrono::milliseconds pause);
    /// A field that adds one item after another (Add point) keeps the focus after a
    /// pick, emptied for the next one; others hand it on as Tab does.
    void setKeepsFocusAfterPick(bool keeps) { m_keepsFocusAfterPick = keeps; }

    QString text() const;
    bool showsSuggestions() const;
    int highlightedIndex() const { return m_highlighted; }
    const QList<PlaceSuggestion>& suggestions() const;
    bool isResolving() const;
    QLineEdit* lineEdit() const { return m_edit; }

signals:
    /// A search ended with a point; the field has already cleared its list, set
    /// its text and, unless it keeps it, given up the focus.
    void picked(const RoutePoint& point);
    /// A search failed; the message is for the user.
    void failed(const QString& message);
    /// The clear button removed a committed value.
    void cleared();
    /// A resolution begins; callers note what the pick would replace.
    void resolutionStarted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QString committedText() const { return m_value.value_or(QString()); }
    void userEdited(const QString& text);
    void focusLost(Qt::FocusReason reason);
    bool moveHighlight(int step);
    void submit();
    void pick(int index);
    void clearButtonClicked();
    void abandonResolution();
    void showCommittedUnlessEditing();
    void startResolution(std::optional<PlaceSuggestion> suggestion, const QString& text);
    void finish(const RoutePoint& point, bool hadValue);
    void refreshList();
    void revealOnceMoved();
    void refreshTrailing();
    void setShownText(const QString& text);
    static QCoro::Task<> resolveInBackground(QPointer<PlaceSearchField> self, QString text, bool hadValue,
                                             CancelToken token);

    PlaceSearchModel* m_model;
    kit::FieldSurface* m_surface;
    QLineEdit* m_edit;
    kit::Spinner* m_spinner;
    kit::IconButton* m_clear;
    PlaceSuggestionList* m_list;
    std::optional<QString> m_value;
    int m_highlighted = 0;
    bool m_isFocused = false;
    /// The focus went while the user was typing, but not because they were done.
    bool m_keepsTypedText = false;
    bool m_keepsFocusAfterPick = false;
    TaskSlot m_resolution;
    QMetaObject::Connection m_revealWait;
};

} // namespace ostrevin
