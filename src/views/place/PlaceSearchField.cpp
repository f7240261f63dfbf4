#include "views/place/PlaceSearchField.h"

#include "views/kit/ElidingLineEdit.h"
#include "views/kit/FieldSurface.h"
#include "views/kit/IconButton.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/Spinner.h"
#include "views/kit/TextStyle.h"
#include "views/place/PlaceSearchModel.h"
#include "views/place/PlaceSuggestionList.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

PlaceSearchField::PlaceSearchField(PlaceSearchService& service, const QString& prompt, QWidget* leading,
                                   QWidget* parent)
    : QWidget(parent), m_model(new PlaceSearchModel(service, this)), m_edit(new ElidingLineEdit),
      m_spinner(new Spinner(14))
      //: Tooltip and accessibility label of the button that empties a search field.
      ,
      m_clear(new IconButton(tr("Clear"), "xmark.circle.fill"_symbol, BrandColor::Secondary)),
      m_list(new PlaceSuggestionList)
{
    m_model->setLanguage(QLocale().name());

    m_edit->setFrame(false);
    showSurfaceThrough(*m_edit);
    m_edit->setPlaceholderText(prompt);
    m_edit->setAccessibleName(prompt);
    m_edit->setMaxLength(maximumLength);
    m_edit->setFont(textFont(TextStyle::Body));
    m_edit->installEventFilter(this);
    m_clear->setFocusPolicy(Qt::NoFocus);

    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(8);
    if (leading)
        rowLayout->addWidget(leading, 0, Qt::AlignVCenter);
    rowLayout->addWidget(m_edit, 1);
    rowLayout->addWidget(m_spinner, 0, Qt::AlignVCenter);
    rowLayout->addWidget(m_clear, 0, Qt::AlignVCenter);
    m_surface = new FieldSurface(row);
    m_surface->setFocused(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_surface);
    layout->addWidget(m_list);
    m_list->hide();
    refreshTrailing();
    // A press on the list or the clear button looks for a widget to focus up the
    // parents and stops at one whose focus proxy already has the focus; without
    // this it reaches the panel's scroll area, and the focus-out would empty the
    // list before the release could pick a row.
    setFocusProxy(m_edit);

    connect(m_edit, &QLineEdit::textEdited, this, &PlaceSearchField::userEdited);
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        m_highlighted = 0;
        refreshTrailing();
        refreshList();
    });
    connect(m_model, &PlaceSearchModel::suggestionsChanged, this, [this] {
        m_list->setSuggestions(m_model->suggestions());
        m_highlighted = std::clamp(m_highlighted, 0, std::max(0, int(m_model->suggestions().size()) - 1));
        refreshList();
    });
    connect(m_model, &PlaceSearchModel::isResolvingChanged, this, &PlaceSearchField::refreshTrailing);
    connect(m_list, &PlaceSuggestionList::hovered, this, [this](int index) {
        m_highlighted = index;
        m_list->setHighlightedIndex(index);
    });
    connect(m_list, &PlaceSuggestionList::clicked, this, &PlaceSearchField::pick);
    connect(m_clear, &IconButton::clicked, this, &PlaceSearchField::clearButtonClicked);
}

PlaceSearchField::~PlaceSearchField() = default;

void PlaceSearchField::setValue(const std::optional<QString>& value)
{
    // A field that only holds the focus (Tab, Ctrl+2) with nothing typed shows
    // the new value as well; typed text stays.
    const bool typedNothing = m_edit->text() == committedText();
    m_value = value;
    if ((!m_isFocused || typedNothing) && !m_keepsTypedText)
        setShownText(committedText());
    refreshList();
}

void PlaceSearchField::setSearchBias(std::optional<std::pair<double, double>> latitudeLongitude)
{
    m_model->setBias(latitudeLongitude);
}

void PlaceSearchField::setTypingPause(std::chrono::milliseconds pause)
{
    m_model->setTypingPause(pause);
}

QString PlaceSearchField::text() const
{
    return m_edit->text();
}

const QList<PlaceSuggestion>& PlaceSearchField::suggestions() const
{
    return m_model->suggestions();
}

bool PlaceSearchField::isResolving() const
{
    return m_model->isResolving();
}

bool PlaceSearchField::showsSuggestions() const
{
    return m_isFocused && isEnabled() && !m_model->suggestions().isEmpty() && m_edit->text() != committedText();
}

void PlaceSearchField::setShownText(const QString& text)
{
    // setText moves the cursor to the end: only when the text really changes.
    if (m_edit->text() != text)
        m_edit->setText(text);
}

void PlaceSearchField::refreshList()
{
    const bool shows = showsSuggestions();
    if (shows) {
        m_list->setHighlightedIndex(m_highlighted);
        revealOnceMoved();
    }
    m_list->setVisible(shows);
}

void PlaceSearchField::revealOnceMoved()
{
    // The list pushes what follows down, so at the end of a long panel (Add point
    // under a long route) it opens below the fold; a field that keeps the focus after
    // a pick is pushed down by the row the pick added. The panel can scroll to them
    // only once its layouts have made room, which their scroll range tells.
    QScrollArea* scroll = nullptr;
    for (QWidget* parent = parentWidget(); parent && !scroll; parent = parent->parentWidget())
        scroll = qobject_cast<QScrollArea*>(parent);
    if (!scroll)
        return;
    disconnect(m_revealWait);
    m_revealWait = connect(
        scroll->verticalScrollBar(), &QScrollBar::rangeChanged, this,
        [this, scroll = QPointer(scroll)] {
            if (scroll && (m_list->isVisible() || m_edit->hasFocus()))
                scroll->ensureWidgetVisible(this, 0, 0);
        },
        Qt::SingleShotConnection);
}

void PlaceSearchField::refreshTrailing()
{
    const bool resolving = m_model->isResolving();
    m_spinner->setVisible(resolving);
    m_clear->setVisible(!resolving && !m_edit->text().isEmpty());
}

bool PlaceSearchField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        m_isFocused = true;
        m_keepsTypedText = false;
        m_surface->setFocused(true);
        refreshList();
        break;
    case QEvent::FocusOut: {
        // Switching windows (to copy coordinates) or opening the field's own context
        // menu is no end of editing.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            focusLost(reason);
        break;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            break;
        switch (key->key()) {
        case Qt::Key_Down:
            return moveHighlight(1);
        case Qt::Key_Up:
            return moveHighlight(-1);
        case Qt::Key_Escape:
            if (!m_isFocused)
                return false;
            abandonResolution();
            m_isFocused = false;
            m_keepsTypedText = false;
            m_surface->setFocused(false);
            m_model->clear();
            setShownText(committedText());
            m_edit->clearFocus();
            refreshList();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            submit();
            return true;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PlaceSearchField::focusLost(Qt::FocusReason reason)
{
    if (!m_isFocused)
        return;
    m_isFocused = false;
    m_surface->setFocused(false);
    // A field that loses the focus because it was disabled (a background check
    // locked the draft) keeps what the user typed, and its list for when it is
    // enabled again, even when a new value arrives meanwhile; so does one the
    // program moved the focus from (the keyboard handed back to a control that
    // work took), and one whose search still runs.
    const bool notTheUsers = !m_edit->isEnabled() || reason == Qt::OtherFocusReason;
    m_keepsTypedText = notTheUsers || m_model->isResolving();
    if (!notTheUsers)
        m_model->clear();
    if (!m_keepsTypedText)
        setShownText(committedText());
    refreshList();
}

void PlaceSearchField::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        refreshList();
}

void PlaceSearchField::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A search whose field went away must not pick a place later, nor a hidden
    // field go on asking for suggestions; a minimised window is no reason to give
    // either up.
    if (!event->spontaneous()) {
        abandonResolution();
        m_model->stopAsking();
    }
}

void PlaceSearchField::userEdited(const QString& text)
{
    abandonResolution();
    m_highlighted = 0;
    if (m_isFocused && text != committedText())
        m_model->update(text);
    refreshList();
}

bool PlaceSearchField::moveHighlight(int step)
{
    if (!showsSuggestions())
        return false;
    m_highlighted = std::clamp(m_highlighted + step, 0, int(m_model->suggestions().size()) - 1);
    m_list->setHighlightedIndex(m_highlighted);
    return true;
}

void PlaceSearchField::submit()
{
    const QString text = m_edit->text().trimmed();
    if (text.isEmpty() || text == committedText())
        return;
    // The highlighted row counts only when the list answers this very text; a
    // list that lags behind the typing would pick a place the user did not ask for.
    if (showsSuggestions() && m_model->suggestionsAnswer(text) && m_highlighted < m_model->suggestions().size()) {
        pick(m_highlighted);
        return;
    }
    startResolution(std::nullopt, text);
}

void PlaceSearchField::pick(int index)
{
    if (!isEnabled() || index < 0 || index >= m_model->suggestions().size())
        return;
    startResolution(m_model->suggestions().at(index), {});
}

void PlaceSearchField::clearButtonClicked()
{
    abandonResolution();
    m_keepsTypedText = false;
    setShownText({});
    m_model->clear();
    if (m_value)
        emit cleared();
}

void PlaceSearchField::abandonResolution()
{
    if (!m_resolution.isRunning())
        return;
    m_resolution.replace();
    showCommittedUnlessEditing();
}

void PlaceSearchField::showCommittedUnlessEditing()
{
    // Text kept for a search that has ended (picked, refused, failed or given up)
    // would name a place that is not the committed one. A field disabled meanwhile
    // keeps the text for the user to try again.
    if (m_isFocused || !m_edit->isEnabled())
        return;
    m_keepsTypedText = false;
    setShownText(committedText());
    refreshList();
}

void PlaceSearchField::startResolution(std::optional<PlaceSuggestion> suggestion, const QString& text)
{
    const CancelToken token = m_resolution.replace();
    const bool hadValue = m_value.has_value();
    emit resolutionStarted();
    if (suggestion) {
        finish(PlaceSearchModel::resolve(*suggestion), hadValue);
        return;
    }
    m_resolution.adopt(resolveInBackground(QPointer(this), text, hadValue, token));
}

QCoro::Task<> PlaceSearchField::resolveInBackground(QPointer<PlaceSearchField> self, QString text, bool hadValue,
                                                    CancelToken token)
{
    std::optional<RoutePoint> point;
    std::exception_ptr error;
    try {
        QCoro::Task<RoutePoint> resolution = self->m_model->resolve(text, token);
        point = co_await std::move(resolution);
    } catch (...) {
        error = std::current_exception();
    }
    // A search that was abandoned (typing again, Escape, a newer pick, the field
    // gone) must neither pick nor complain.
    if (!self)
        co_return;
    if (token.isCancelled()) {
        self->showCommittedUnlessEditing();
        co_return;
    }
    // A field disabled meanwhile cannot hand over a point (the view model would
    // refuse it): it keeps the text and the list for the user to try again.
    if (point && !self->isEnabled())
        co_return;
    if (point) {
        self->finish(*point, hadValue);
        co_return;
    }
    emit self->failed(PlaceSearchModel::errorDescription(error, text));
    // Still in the field, the user may correct the text; gone from it, the typed
    // text would stand for an end the route does not have.
    if (self)
        self->showCommittedUnlessEditing();
}

void PlaceSearchField::finish(const RoutePoint& point, bool hadValue)
{
    m_keepsTypedText = false;
    m_model->clear();
    setShownText(hadValue ? point.name : QString());
    const bool handsFocusOn = m_isFocused && !m_keepsFocusAfterPick;
    if (handsFocusOn) {
        m_isFocused = false;
        m_surface->setFocused(false);
    } else if (m_isFocused) {
        revealOnceMoved();
    }
    refreshList();
    const QPointer self(this);
    emit picked(point);
    if (!self)
        return;
    // On to the next control, as Tab goes, but only now that the caller has applied
    // the pick: before it, what followed the field was what the panel held without
    // the new place (a city chip, whose Return would replace it). With no focus at
    // all, the next Tab would start over from the window's first control.
    if (handsFocusOn && window()->focusWidget() == m_edit && !kit::focusNextStop(*window(), true))
        m_edit->clearFocus();
    // A caller that refused the pick (an end chosen since the search began) set no
    // new value: the field shows what is committed, not the refused place.
    showCommittedUnlessEditing();
}

} // namespace ostrevin
