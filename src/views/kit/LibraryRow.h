#pragma once

#include "views/kit/Symbols.h"

#include <QAbstractButton>
#include <QWidget>

namespace ostrevin::kit {

class IconWell;
class KitLabel;

/// A row of a saved list: a clickable part (icon well, title, optional subtitle)
/// and a trailing widget (e.g. icon buttons). The hover wash spans the row and
/// shows even when the row is disabled. The row's wash reaches 6 px beyond its
/// content on each side: put rows in a RowList so the content lines up with the
/// panel's other content.
class LibraryRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LibraryRow)

public:
    /// trailing may be null; the hint (tooltip) defaults to the title.
    LibraryRow(SymbolName symbol, const QString& title, const QString& subtitle, QWidget* trailing = nullptr,
               QWidget* parent = nullptr);
    ~LibraryRow() override = default;

    void setTitle(const QString& title);
    void setSubtitle(const QString& subtitle);
    void setSymbol(SymbolName symbol);
    /// Whether clicking runs the action (the trailing widget is the caller's).
    void setRowEnabled(bool enabled);
    void setHint(const QString& hint);

    bool isHovered() const { return m_hovered; }
    QAbstractButton* button() const { return m_button; }

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateTooltip();

    QAbstractButton* m_button;
    IconWell* m_well;
    KitLabel* m_title;
    KitLabel* m_subtitle;
    QString m_hint;
    bool m_hovered = false;
};

/// A column for LibraryRows that lets each row's hover wash reach 6 px beyond the
/// column's edges while the row content stays aligned with its neighbours.
class RowList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowList)

public:
    explicit RowList(QWidget* parent = nullptr);
    ~RowList() override = default;

    void addRow(QWidget* row);
};

} // namespace ostrevin::kit
