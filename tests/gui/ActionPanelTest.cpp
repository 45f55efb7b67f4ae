// The action panel: groups of links that mirror actions, collapsing titles, and the plain action button.
#include <ostream>

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "gui/views/KActionPanel.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

QIcon SolidIcon(const QColor& color)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(color);
    return QIcon(pixmap);
}

void Settle() { QCoreApplication::processEvents(); }

QImage Shot(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool SameRgb(QRgb pixel, const QColor& color) { return (pixel & 0xFFFFFF) == (color.rgb() & 0xFFFFFF); }

// How many pixels of the image have exactly this colour.
int CountColour(const QImage& image, const QColor& color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (SameRgb(image.pixel(x, y), color))
                ++n;
    return n;
}

bool Near(const QColor& a, const QColor& b, int tolerance = 4)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

void Enter(QWidget* widget)
{
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

void Press(QWidget* widget, QPoint at)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void Release(QWidget* widget, QPoint at)
{
    QMouseEvent event(QEvent::MouseButtonRelease, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A wide, bold link so that glyph strokes have solid pixels in the text colour.
QFont LinkFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    font.setBold(true);
    return font;
}

} // namespace

// ----- group structure ----------------------------------------------------------------------------

TEST(ActionPanelGroup, TitleAndBodyInFlushLayouts)
{
    KActionPanelGroup group;
    group.setTitle(QStringLiteral("Operations"));
    EXPECT_EQ(group.title(), "Operations");
    KActionPanelButton* title = group.titleButton();
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->isTitleMode());
    EXPECT_EQ(title->text(), "Operations");
    EXPECT_EQ(title->minimumHeight(), 25);
    EXPECT_EQ(title->maximumHeight(), 25);
    EXPECT_TRUE(title->isChecked()) << "groups start open";
    EXPECT_TRUE(group.isExpanded());

    auto* outer = qobject_cast<QVBoxLayout*>(group.layout());
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->spacing(), 0);
    EXPECT_EQ(outer->contentsMargins(), QMargins(0, 0, 0, 0));
    ASSERT_EQ(outer->count(), 2);
    EXPECT_EQ(outer->itemAt(0)->widget(), title);
    EXPECT_EQ(outer->itemAt(1)->widget(), group.body());
    auto* inner = qobject_cast<QVBoxLayout*>(group.body()->layout());
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->spacing(), 0);
    EXPECT_EQ(inner->contentsMargins(), QMargins(0, 0, 0, 0));
}

TEST(ActionPanelGroup, ActionsBecomeLinksInOrder)
{
    KActionPanelGroup group;
    QAction create(QStringLiteral("C&reate"));
    create.setToolTip(QStringLiteral("Create a partition"));
    create.setStatusTip(QStringLiteral("Creates a partition in unallocated space"));
    create.setIcon(SolidIcon(Qt::red));
    QAction format(QStringLiteral("&Format"));
    QAction hidden(QStringLiteral("Hidden"));
    hidden.setVisible(false);

    EXPECT_EQ(group.addAction(nullptr), nullptr);
    group.addWidget(nullptr);
    EXPECT_EQ(group.body()->layout()->count(), 0);

    KActionPanelButton* first = group.addAction(&create);
    KActionPanelButton* second = group.addAction(&format);
    KActionPanelButton* third = group.addAction(&hidden);
    ASSERT_TRUE(first && second && third);
    QLabel* label = new QLabel(QStringLiteral("note"));
    group.addWidget(label);

    QLayout* body = group.body()->layout();
    ASSERT_EQ(body->count(), 4);
    EXPECT_EQ(body->itemAt(0)->widget(), first);
    EXPECT_EQ(body->itemAt(1)->widget(), second);
    EXPECT_EQ(body->itemAt(2)->widget(), third);
    EXPECT_EQ(body->itemAt(3)->widget(), label);
    EXPECT_EQ(label->parentWidget(), group.body());

    EXPECT_FALSE(first->isTitleMode());
    EXPECT_EQ(first->text(), "Create a partition");
    EXPECT_EQ(first->statusTip(), "Creates a partition in unallocated space");
    EXPECT_FALSE(first->icon().isNull());
    EXPECT_EQ(second->text(), "Format") << "an action without its own tool tip offers its text";
    EXPECT_EQ(first->minimumHeight(), 25);
    EXPECT_EQ(first->maximumHeight(), 25);
    EXPECT_FALSE(first->isHidden());
    EXPECT_TRUE(third->isHidden());
}

TEST(ActionPanelGroup, FillsItsBackground)
{
    KActionPanelGroup group;
    group.setTitle(QStringLiteral("Wizards"));
    auto* spacer = new QWidget;
    spacer->setFixedSize(200, 40);
    group.addWidget(spacer);
    group.resize(200, 65);
    group.show();
    const QImage shot = Shot(&group);
    EXPECT_EQ(QColor(shot.pixel(100, 45)), QColor(216, 227, 245));
    EXPECT_EQ(QColor(shot.pixel(2, 64)), QColor(216, 227, 245));
}

TEST(ActionPanelGroup, TitleClickCollapsesAndRestoresTheGroup)
{
    KActionPanelGroup group;
    group.setTitle(QStringLiteral("Operations"));
    QAction action(QStringLiteral("Delete"));
    group.addAction(&action);
    group.show();
    ASSERT_TRUE(group.body()->isVisible());
    const QImage open = Shot(group.titleButton());

    group.titleButton()->click();
    EXPECT_FALSE(group.isExpanded());
    EXPECT_FALSE(group.body()->isVisible());
    EXPECT_EQ(group.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(group.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    const QImage closed = Shot(group.titleButton());
    EXPECT_NE(open, closed) << "the arrow turns";

    group.titleButton()->click();
    EXPECT_TRUE(group.isExpanded());
    EXPECT_TRUE(group.body()->isVisible());
    EXPECT_EQ(group.sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
    EXPECT_EQ(group.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    EXPECT_EQ(Shot(group.titleButton()), open);
}

TEST(ActionPanelGroup, DisabledTitleKeepsItsLookAndCannotBeToggled)
{
    KActionPanelGroup group;
    group.setTitle(QStringLiteral("3 Operations Pending"));
    group.resize(250, 60);
    group.show();
    KActionPanelButton* title = group.titleButton();

    group.setTitleEnabled(false);
    EXPECT_TRUE(title->keepLook());
    EXPECT_FALSE(title->isEnabled());
    const QImage disabled = Shot(title);

    title->click();
    Press(title, QPoint(20, 10));
    Release(title, QPoint(20, 10));
    EXPECT_TRUE(group.isExpanded());
    EXPECT_TRUE(group.body()->isVisible());

    // Painted like an enabled title without its arrow: the same picture as an enabled keep-look title.
    title->setEnabled(true);
    EXPECT_EQ(Shot(title), disabled);
    EXPECT_GT(CountColour(disabled, Qt::black), 0) << "black text";
    EXPECT_EQ(CountColour(disabled, QColor(128, 128, 128)), 0) << "no grey text";

    group.setTitleEnabled(true);
    EXPECT_FALSE(title->keepLook());
    EXPECT_TRUE(title->isEnabled());
    EXPECT_NE(Shot(title), disabled) << "the arrow is back";

    // Without the keep-look flag a disabled title is greyed.
    title->setEnabled(false);
    const QImage greyed = Shot(title);
    EXPECT_EQ(CountColour(greyed, Qt::black), 0);
    EXPECT_GT(CountColour(greyed, QColor(128, 128, 128)), 0);
}

// ----- links mirror their actions -----------------------------------------------------------------

TEST(ActionPanelLinks, DisabledActionsHideTheirLinks)
{
    KActionPanelGroup group;
    QAction action(QStringLiteral("Merge"));
    KActionPanelButton* link = group.addAction(&action);
    group.show();
    ASSERT_TRUE(link->isVisible());

    action.setEnabled(false);
    EXPECT_TRUE(link->isVisible()) << "the change arrives through the event loop";
    Settle();
    EXPECT_FALSE(link->isVisible());

    action.setEnabled(true);
    Settle();
    EXPECT_TRUE(link->isVisible());

    action.setVisible(false);
    Settle();
    EXPECT_FALSE(link->isVisible()) << "an invisible action hides its link even when enabled";
    action.setVisible(true);
    Settle();
    EXPECT_TRUE(link->isVisible());

    action.setIcon(SolidIcon(Qt::blue));
    Settle();
    EXPECT_EQ(link->icon().pixmap(20, 20).toImage().pixelColor(10, 10), QColor(Qt::blue));
    action.setText(QStringLiteral("Merge two partitions"));
    Settle();
    EXPECT_EQ(link->text(), "Merge") << "the link keeps the text it was given";
}

TEST(ActionPanelLinks, ClickTriggersTheAction)
{
    KActionPanelGroup group;
    QAction action(QStringLiteral("Format"));
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&triggered] { ++triggered; });
    KActionPanelButton* link = group.addAction(&action);
    group.show();

    link->click();
    EXPECT_EQ(triggered, 0) << "queued";
    Settle();
    EXPECT_EQ(triggered, 1);

    Press(link, QPoint(15, 12));
    Release(link, QPoint(15, 12));
    Settle();
    EXPECT_EQ(triggered, 2);

    // A disabled action is not triggered (its link is hidden anyway).
    action.setEnabled(false);
    Settle();
    link->click();
    Settle();
    EXPECT_EQ(triggered, 2);
}

TEST(ActionPanelLinks, ButtonsAreCheckableMouseTrackingHandCursorLinks)
{
    KActionPanelButton link(false);
    KActionPanelButton title(true);
    for (KActionPanelButton* b : {&link, &title}) {
        EXPECT_TRUE(b->isCheckable());
        EXPECT_TRUE(b->hasMouseTracking());
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_FALSE(b->isHovered());
        EXPECT_FALSE(b->keepLook());
    }
    EXPECT_FALSE(link.isChecked());
    EXPECT_TRUE(title.isChecked());
    EXPECT_TRUE(title.font().bold());
    EXPECT_FALSE(link.font().bold());
    const QFont base = QApplication::font();
    if (base.pointSizeF() > 0) {
        EXPECT_DOUBLE_EQ(title.font().pointSizeF(), base.pointSizeF() + 1);
    }
    EXPECT_EQ(link.font(), base);
}

TEST(ActionPanelLinks, HoverUnderlinesLinksButNotTitles)
{
    KActionPanelButton link(false);
    link.setText(QStringLiteral("Label"));
    link.resize(200, 25);
    link.show();

    Enter(&link);
    EXPECT_TRUE(link.isHovered());
    EXPECT_TRUE(link.font().underline());
    Leave(&link);
    EXPECT_FALSE(link.isHovered());
    EXPECT_FALSE(link.font().underline());

    // A press ends the hover look before the ordinary handling.
    Enter(&link);
    Press(&link, QPoint(20, 12));
    EXPECT_FALSE(link.isHovered());
    EXPECT_FALSE(link.font().underline());
    EXPECT_TRUE(link.isDown());
    Release(&link, QPoint(20, 12));

    KActionPanelButton title(true);
    title.setText(QStringLiteral("Wizards"));
    title.resize(200, 25);
    title.show();
    Enter(&title);
    EXPECT_TRUE(title.isHovered());
    EXPECT_FALSE(title.font().underline());
    Press(&title, QPoint(20, 12));
    EXPECT_TRUE(title.isHovered()) << "only links drop the hover on a press";
    Release(&title, QPoint(20, 12));
    Leave(&title);
    EXPECT_FALSE(title.isHovered());
}

// ----- painting -----------------------------------------------------------------------------------

TEST(ActionPanelPainting, LinkTextColours)
{
    KActionPanelButton link(false);
    link.setFont(LinkFont());
    link.setText(QStringLiteral("MMMM"));
    link.resize(200, 25);
    link.show();

    const QImage normal = Shot(&link);
    EXPECT_GT(CountColour(normal, QColor(72, 72, 72)), 10);
    EXPECT_EQ(CountColour(normal, QColor(0, 0, 255)), 0);

    Enter(&link);
    const QImage hovered = Shot(&link);
    EXPECT_GT(CountColour(hovered, QColor(0, 0, 255)), 10);
    EXPECT_EQ(CountColour(hovered, QColor(72, 72, 72)), 0);

    link.setEnabled(false); // disabled wins over hover
    const QImage disabled = Shot(&link);
    EXPECT_GT(CountColour(disabled, QColor(128, 128, 128)), 10);
    EXPECT_EQ(CountColour(disabled, QColor(0, 0, 255)), 0);

    link.setKeepLook(true); // ... unless the look is kept
    EXPECT_GT(CountColour(Shot(&link), QColor(0, 0, 255)), 10);
}

TEST(ActionPanelPainting, LinkIconSitsBeforeTheText)
{
    KActionPanelButton link(false);
    link.setFont(LinkFont());
    link.setText(QStringLiteral("MMMM"));
    link.setIcon(SolidIcon(Qt::red));
    link.resize(200, 25);
    link.show();

    const QImage shot = Shot(&link);
    // The 20 x 20 icon at x = 10, vertically centred: rows 2 to 21.
    EXPECT_EQ(QColor(shot.pixel(10, 2)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(29, 21)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(30, 12)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(9, 12)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(15, 1)), QColor(Qt::red));
    // Text begins at x = 40.
    bool ink = false;
    for (int y = 0; y < 25; ++y)
        for (int x = 30; x < 40; ++x)
            if (SameRgb(shot.pixel(x, y), QColor(72, 72, 72)))
                ink = true;
    EXPECT_FALSE(ink);
    EXPECT_GT(CountColour(shot.copy(40, 0, 160, 25), QColor(72, 72, 72)), 10);

    // A disabled link draws the disabled form of its icon.
    link.setEnabled(false);
    const QImage disabled = Shot(&link);
    EXPECT_NE(QColor(disabled.pixel(20, 12)), QColor(Qt::red));
}

TEST(ActionPanelPainting, TitleGradientAndArrow)
{
    KActionPanelButton title(true);
    title.setText(QString());
    title.resize(240, 25);
    title.show();

    title.setKeepLook(true); // no arrow: the bare gradient
    const QImage bare = Shot(&title);
    EXPECT_TRUE(Near(bare.pixelColor(0, 0), QColor(255, 255, 255)));
    EXPECT_TRUE(Near(bare.pixelColor(239, 24), QColor(156, 178, 212)));
    EXPECT_TRUE(Near(bare.pixelColor(120, 12), QColor(205, 216, 233), 8));

    title.setKeepLook(false);
    for (bool open : {true, false}) {
        title.setChecked(open);
        const QImage shot = Shot(&title);
        // The arrow picture 5 pixels from the right edge, vertically centred, over the gradient.
        QImage expected = bare;
        QPainter painter(&expected);
        const QPixmap arrow = KActionPanelButton::arrowPixmap(open);
        painter.drawPixmap(240 - 5 - arrow.width(), (25 - arrow.height()) / 2, arrow);
        painter.end();
        EXPECT_EQ(shot, expected) << (open ? "open" : "closed");
    }
    EXPECT_NE(KActionPanelButton::arrowPixmap(true).toImage(), KActionPanelButton::arrowPixmap(false).toImage());
}

TEST(ActionPanelPainting, FocusFrameIsDottedTwoPixelsIn)
{
    QWidget window;
    auto* link = new KActionPanelButton(false, &window);
    link->setGeometry(0, 0, 200, 25);
    window.resize(200, 25);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    link->setFocus(Qt::OtherFocusReason);
    Settle();
    if (!link->hasFocus())
        GTEST_SKIP() << "no keyboard focus on this platform";
    const QImage shot = Shot(link);
    int grey = 0;
    for (int x = 2; x < 198; ++x)
        if (SameRgb(shot.pixel(x, 2), QColor(128, 128, 128)))
            ++grey;
    EXPECT_GT(grey, 40);
    EXPECT_LT(grey, 196) << "dotted, not solid";
    EXPECT_FALSE(SameRgb(shot.pixel(1, 12), QColor(128, 128, 128)));
    EXPECT_FALSE(SameRgb(shot.pixel(100, 1), QColor(128, 128, 128)));

    // Without focus there is no frame.
    link->clearFocus();
    EXPECT_EQ(CountColour(Shot(link), QColor(128, 128, 128)), 0);
}

// ----- the plain action button --------------------------------------------------------------------

TEST(ActionButton, ClickEmitsAndTheOwnerTriggersTheAction)
{
    QAction apply(QStringLiteral("Apply Changes"));
    KActionButton button(QStringLiteral("Apply"));
    EXPECT_EQ(button.text(), "Apply");
    int emitted = 0, triggered = 0;
    QObject::connect(&button, &KActionButton::onButtonClicked, [&emitted] { ++emitted; });
    QObject::connect(&button, &KActionButton::onButtonClicked, &apply, &QAction::trigger);
    QObject::connect(&apply, &QAction::triggered, [&triggered] { ++triggered; });

    button.click();
    EXPECT_EQ(emitted, 1);
    EXPECT_EQ(triggered, 1);
    button.onClicked(true);
    EXPECT_EQ(emitted, 2);
}

TEST(ActionButton, MirrorsTheActionAndGreysInsteadOfHiding)
{
    QAction undo(QStringLiteral("Undo Last Changes"));
    undo.setToolTip(QStringLiteral("Undo the last pending operation"));
    KActionButton button(QStringLiteral("Undo"));
    QObject::connect(&undo, &QAction::changed, &button, &KActionButton::onActionChanged);
    button.show();

    undo.setEnabled(false);
    EXPECT_FALSE(button.isEnabled());
    EXPECT_TRUE(button.isVisible());
    EXPECT_EQ(button.toolTip(), "Undo the last pending operation");
    EXPECT_EQ(button.text(), "Undo");

    undo.setIcon(SolidIcon(Qt::green));
    EXPECT_EQ(button.icon().pixmap(20, 20).toImage().pixelColor(5, 5), QColor(Qt::green));
    undo.setEnabled(true);
    EXPECT_TRUE(button.isEnabled());

    // Without a sending action the slot does nothing.
    button.setEnabled(false);
    button.onActionChanged();
    EXPECT_FALSE(button.isEnabled());
}
