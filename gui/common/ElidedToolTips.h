// Shows an item view cell's whole text as its tool tip when the cell is too narrow for it (the view
// draws it elided); cells that show their whole text get no tool tip. Install on a view's viewport.
#pragma once

#include <QObject>

class QAbstractItemView;

class ElidedToolTips : public QObject {
public:
    // Watches `view`'s viewport; the filter belongs to the view.
    static void Install(QAbstractItemView* view);
    // Whether `text` needs more room than `width` pixels of a cell in `view`.
    static bool Elided(const QAbstractItemView& view, const QString& text, int width);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ElidedToolTips(QAbstractItemView* view);
    QAbstractItemView* m_view;
};
