#pragma once

#include "views/kit/Symbols.h"

#include <QAbstractButton>
#include <QWidget>

namespace ostrevin::kit {

class IconWell;
class KitLabel;

/// A row of a saved list: a clickable part (icon well, title, optional subtitle)
/// and a trailing widget (e.g. icon buttons). The hover wash spans the row and
/// shows even when the row is disabled and reaches 6 px beyond the row's content
/// on each side (Qt cannot draw a child beyond its parent, so the content sits
/// 6 px in from the column's edge rather than the wash 6 px out).
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

/// A column of LibraryRows, touching each other.
class RowList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowList)

public:
    explicit RowList(QWidget* parent = nullptr);
    ~RowList() override = default;

    void addRow(QWidget* row);
};

} // namespace ostrevin::kit
