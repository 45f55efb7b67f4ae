// The action panel on the left of the main window: collapsible groups of link-like buttons, each
// mirroring a QAction (the action keeps its enabled state, icon and texts; a click triggers it), and a
// plain push button bound to an action for the Apply and Undo bar of the pending group.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

class QAction;
class QVBoxLayout;

// A link in a group body, or (title mode) the clickable title of a group with an open/closed arrow.
class KActionPanelButton : public QPushButton {
    Q_OBJECT

public:
    static constexpr int kButtonHeight = 25;
    static constexpr int kNarrowWidth = 80;

    explicit KActionPanelButton(bool bTitleMode, QWidget* parent = nullptr);

    bool isTitleMode() const { return m_bTitleMode; }
    bool isHovered() const { return m_bHovered; }
    // When set, a disabled title is painted like an enabled one and without the arrow.
    bool keepLook() const { return m_bKeepLook; }
    void setKeepLook(bool bKeepLook);

    // The arrow of a title: pointing up while the group is open, down while it is closed.
    static QPixmap arrowPixmap(bool bUp);

    // The panel has a fixed width: an entry takes the width it is given and never widens the panel
    // for a long text (which would push the rest out of sight).
    QSize sizeHint() const override { return {kNarrowWidth, kButtonHeight}; }
    QSize minimumSizeHint() const override { return {kNarrowWidth, kButtonHeight}; }

public slots:
    // Connected to the mirrored action's changed(): the button shows only while the action is
    // enabled and visible, and takes the action's icon.
    void onActionChanged();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setUnderline(bool bUnderline);

    bool m_bTitleMode;
    bool m_bHovered = false;
    bool m_bKeepLook = false;
};

// A titled, collapsible group of panel buttons and other widgets.
class KActionPanelGroup : public QWidget {
    Q_OBJECT

public:
    static constexpr QRgb kBackground = 0xFFD8E3F5; // RGB(216, 227, 245)

    explicit KActionPanelGroup(QWidget* parent = nullptr);

    void setTitle(const QString& strTitle);
    QString title() const;
    // Appends a link mirroring the action; ignored for none. Returns the new button (or none).
    KActionPanelButton* addAction(QAction* action);
    // Moves the widget into the body and appends it; ignored for none.
    void addWidget(QWidget* widget);
    // A disabled title cannot be toggled and keeps its enabled look, without the arrow.
    void setTitleEnabled(bool bEnabled);

    KActionPanelButton* titleButton() const { return m_title; }
    QWidget* body() const { return m_body; }
    bool isExpanded() const;

public slots:
    void onTitleButtonClicked(bool bChecked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    KActionPanelButton* m_title;
    QWidget* m_body;
    QVBoxLayout* m_layout;
    QVBoxLayout* m_bodyLayout;
};

// A push button bound to one action; the owner connects onButtonClicked() to the action's trigger()
// and the action's changed() to onActionChanged(). A disabled action greys the button.
class KActionButton : public QPushButton {
    Q_OBJECT

public:
    explicit KActionButton(const QString& text, QWidget* parent = nullptr);

signals:
    void onButtonClicked();

public slots:
    void onActionChanged();
    void onClicked(bool checked);
};
