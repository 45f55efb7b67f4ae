#include "gui/views/KActionPanel.h"

#include <QAction>
#include <QEnterEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QVBoxLayout>

namespace {

const QColor kTitleGradientStart(255, 255, 255);
const QColor kTitleGradientEnd(156, 178, 212);
const QColor kLinkText(72, 72, 72);
const QColor kHoverText(0, 0, 255);
const QColor kDisabledText(128, 128, 128);
const QColor kFocusFrame(128, 128, 128);

constexpr int kTextIndent = 10;
constexpr int kIconSize = 20;
constexpr int kIconAdvance = 30;
constexpr int kArrowMargin = 5;
constexpr int kArrowSize = 16;

} // namespace

// ---------------------------------------------------------------------------------------------------

KActionPanelButton::KActionPanelButton(bool bTitleMode, QWidget* parent)
    : QPushButton(parent), m_bTitleMode(bTitleMode)
{
    setCheckable(true);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    if (m_bTitleMode) {
        QFont titleFont = font();
        if (titleFont.pointSizeF() > 0)
            titleFont.setPointSizeF(titleFont.pointSizeF() + 1);
        else
            titleFont.setPixelSize(titleFont.pixelSize() + 1);
        titleFont.setBold(true);
        setFont(titleFont);
        setChecked(true);
    }
}

void KActionPanelButton::setKeepLook(bool bKeepLook)
{
    m_bKeepLook = bKeepLook;
    update();
}

QPixmap KActionPanelButton::arrowPixmap(bool bUp)
{
    // A chevron on a pale disc, drawn here so the panel needs no picture files.
    QPixmap pixmap(kArrowSize, kArrowSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 146, 190), 1));
    painter.setBrush(QColor(250, 252, 255));
    painter.drawEllipse(QRectF(0.5, 0.5, kArrowSize - 1.0, kArrowSize - 1.0));

    const qreal mid = kArrowSize / 2.0;
    const qreal tip = bUp ? mid - 2.5 : mid + 2.5;
    const qreal base = bUp ? mid + 1.5 : mid - 1.5;
    QPainterPath chevron;
    for (qreal offset : {0.0, bUp ? 3.0 : -3.0}) {
        chevron.moveTo(mid - 3.5, base + offset);
        chevron.lineTo(mid, tip + offset);
        chevron.lineTo(mid + 3.5, base + offset);
    }
    painter.setPen(QPen(QColor(33, 64, 128), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(chevron);
    return pixmap;
}

void KActionPanelButton::onActionChanged()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    setVisible(action->isEnabled() && action->isVisible());
    setIcon(action->icon());
}

void KActionPanelButton::setUnderline(bool bUnderline)
{
    QFont f = font();
    f.setUnderline(bUnderline);
    setFont(f);
}

void KActionPanelButton::enterEvent(QEnterEvent* event)
{
    m_bHovered = true;
    if (!m_bTitleMode)
        setUnderline(true);
    update();
    QPushButton::enterEvent(event);
}

void KActionPanelButton::leaveEvent(QEvent* event)
{
    m_bHovered = false;
    if (!m_bTitleMode)
        setUnderline(false);
    update();
    QPushButton::leaveEvent(event);
}

void KActionPanelButton::mousePressEvent(QMouseEvent* event)
{
    if (!m_bTitleMode && rect().contains(event->position().toPoint())) {
        m_bHovered = false;
        setUnderline(false);
        update();
    }
    QPushButton::mousePressEvent(event);
}

void KActionPanelButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect();

    if (m_bTitleMode) {
        QLinearGradient gradient(r.topLeft(), r.bottomRight());
        gradient.setColorAt(0, kTitleGradientStart);
        gradient.setColorAt(1, kTitleGradientEnd);
        painter.fillRect(r, gradient);
    }

    QColor textColor = m_bTitleMode ? QColor(Qt::black) : kLinkText;
    if (m_bHovered)
        textColor = kHoverText;
    if (!isEnabled() && !m_bKeepLook)
        textColor = kDisabledText;

    QRect textRect = r.adjusted(kTextIndent, 0, 0, 0);
    if (!m_bTitleMode) {
        const QPixmap pixmap =
            icon().pixmap(QSize(kIconSize, kIconSize), isEnabled() ? QIcon::Normal : QIcon::Disabled);
        if (!pixmap.isNull())
            painter.drawPixmap(QRect(textRect.left(), r.top() + (r.height() - kIconSize) / 2, kIconSize, kIconSize),
                               pixmap);
        textRect.setLeft(textRect.left() + kIconAdvance);
    }

    painter.setFont(font());
    painter.setPen(textColor);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextHideMnemonic, text());

    if (m_bTitleMode && !m_bKeepLook) {
        const QPixmap arrow = arrowPixmap(isChecked());
        painter.drawPixmap(r.right() + 1 - kArrowMargin - arrow.width(), r.top() + (r.height() - arrow.height()) / 2,
                           arrow);
    }

    if (hasFocus()) {
        painter.setPen(QPen(kFocusFrame, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(2, 2, -3, -3));
    }
}

// ---------------------------------------------------------------------------------------------------

KActionPanelGroup::KActionPanelGroup(QWidget* parent) : QWidget(parent)
{
    m_title = new KActionPanelButton(true, this);
    m_title->setFixedHeight(KActionPanelButton::kButtonHeight);
    m_body = new QWidget(this);

    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_title);
    m_layout->addWidget(m_body);

    m_bodyLayout = new QVBoxLayout(m_body);
    m_bodyLayout->setSpacing(0);
    m_bodyLayout->setContentsMargins(0, 0, 0, 0);

    connect(m_title, &QAbstractButton::toggled, this, &KActionPanelGroup::onTitleButtonClicked);
}

void KActionPanelGroup::setTitle(const QString& strTitle) { m_title->setText(strTitle); }

QString KActionPanelGroup::title() const { return m_title->text(); }

bool KActionPanelGroup::isExpanded() const { return m_title->isChecked(); }

KActionPanelButton* KActionPanelGroup::addAction(QAction* action)
{
    if (!action)
        return nullptr;
    auto* button = new KActionPanelButton(false, m_body);
    button->setVisible(action->isVisible());
    button->setFixedHeight(KActionPanelButton::kButtonHeight);
    button->setIcon(action->icon());
    button->setText(action->toolTip());
    button->setStatusTip(action->statusTip());
    m_bodyLayout->addWidget(button);
    connect(action, &QAction::changed, button, &KActionPanelButton::onActionChanged, Qt::QueuedConnection);
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger, Qt::QueuedConnection);
    return button;
}

void KActionPanelGroup::addWidget(QWidget* widget)
{
    if (!widget)
        return;
    widget->setParent(m_body);
    m_bodyLayout->addWidget(widget);
}

void KActionPanelGroup::setTitleEnabled(bool bEnabled)
{
    m_title->setKeepLook(!bEnabled);
    m_title->setEnabled(bEnabled);
}

void KActionPanelGroup::onTitleButtonClicked(bool bChecked)
{
    if (bChecked) {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        m_body->show();
    } else {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        m_body->hide();
    }
}

void KActionPanelGroup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(kBackground));
}

// ---------------------------------------------------------------------------------------------------

KActionButton::KActionButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    connect(this, &QAbstractButton::clicked, this, &KActionButton::onClicked);
}

void KActionButton::onClicked(bool checked)
{
    Q_UNUSED(checked);
    emit onButtonClicked();
}

void KActionButton::onActionChanged()
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    setEnabled(action->isEnabled());
    setIcon(action->icon());
    setToolTip(action->toolTip());
}
