#include "KPartitionUsagePage.h"

#include <QPainter>
#include <QTextOption>
#include <algorithm>

#include "gui/common/SizeText.h"

namespace {

constexpr int kSquareSize = 10;
constexpr int kLegendWidth = 300;
constexpr int kChartWidth = 200;
constexpr int kChartHeight = 100;

// The legend lines hold a label, a run of tabs, the size, another run of tabs and the share. Each run
// of tabs moves to the next column; the columns are as wide as the font needs.
QTextOption legendOption(const QFontMetrics& metrics, const QStringList& lines)
{
    qreal labelWidth = 0, valueWidth = 0;
    for (const QString& line : lines) {
        const QStringList parts = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        if (parts.size() >= 2) {
            labelWidth = std::max<qreal>(labelWidth, metrics.horizontalAdvance(parts[0]));
            valueWidth = std::max<qreal>(valueWidth, metrics.horizontalAdvance(parts[1]));
        }
    }
    const qreal first = labelWidth + 12, second = first + valueWidth + 24;
    QList<QTextOption::Tab> tabs;
    for (qreal column : {first, second})
        for (int i = 0; i < 5; ++i)
            tabs << QTextOption::Tab(column + i, QTextOption::LeftTab);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabs(tabs);
    return option;
}

} // namespace

KPartitionUsagePage::KPartitionUsagePage(qint64 n64UsedBytes, qint64 n64TotalBytes, QWidget* parent)
    : QWidget(parent), m_n64UsedBytes(0), m_n64TotalBytes(std::max<qint64>(n64TotalBytes, 0))
{
    m_n64UsedBytes = std::clamp<qint64>(n64UsedBytes, 0, m_n64TotalBytes);
}

const QColor& KPartitionUsagePage::UsedColor()
{
    static const QColor color(176, 63, 234);
    return color;
}

const QColor& KPartitionUsagePage::UnusedColor()
{
    static const QColor color(224, 224, 224);
    return color;
}

const QColor& KPartitionUsagePage::ShadowColor()
{
    static const QColor color(128, 128, 128);
    return color;
}

double KPartitionUsagePage::percentOf(qint64 n64Bytes) const
{
    return m_n64TotalBytes > 0 ? double(n64Bytes) / double(m_n64TotalBytes) * 100.0 : 0.0;
}

QStringList KPartitionUsagePage::LegendTexts() const
{
    const qint64 unused = m_n64TotalBytes - m_n64UsedBytes;
    return {tr("  Used:\t\t\t\t\t %1\t\t\t\t\t %2%")
                .arg(SizeText::PropertiesSizeOfBytes(m_n64UsedBytes), SizeText::Decimal(percentOf(m_n64UsedBytes), 2)),
            tr("Unused:\t\t\t\t\t %1\t\t\t\t\t %2%")
                .arg(SizeText::PropertiesSizeOfBytes(unused), SizeText::Decimal(percentOf(unused), 2)),
            tr(" Total:\t\t\t\t\t %1\t\t\t\t\t 100%").arg(SizeText::PropertiesSizeOfBytes(m_n64TotalBytes))};
}

int KPartitionUsagePage::PieSpanDegrees() const
{
    if (m_n64UsedBytes <= 0 || m_n64TotalBytes <= 0)
        return 0;
    return int(double(m_n64UsedBytes) / double(m_n64TotalBytes) * 360.0);
}

QRect KPartitionUsagePage::ChartRect() const
{
    const int top = rect().top();
    const int lastSquareBottom = top + 20 + 20 + kSquareSize;
    return QRect((width() - kChartWidth) / 2, lastSquareBottom + 70, kChartWidth, kChartHeight);
}

void KPartitionUsagePage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QStringList lines = LegendTexts();
    const QTextOption option = legendOption(painter.fontMetrics(), lines);
    const int x = (width() - kLegendWidth) / 2;
    int y = rect().top() + 20;
    const int lineHeight = painter.fontMetrics().height();
    auto legendLine = [&](const QString& text, const QColor* square) {
        const QRect box(x, y, kSquareSize, kSquareSize);
        if (square)
            painter.fillRect(box, *square);
        const int left = box.right() + 1 + 20;
        painter.drawText(QRectF(left, y, std::max(0, width() - left), lineHeight), text, option);
    };
    legendLine(lines[0], &UsedColor());
    y += 20;
    legendLine(lines[1], &UnusedColor());
    y += 40;
    legendLine(lines[2], nullptr);

    QRect chart = ChartRect();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(ShadowColor());
    painter.drawEllipse(chart);
    chart.translate(0, -10);
    painter.setBrush(UnusedColor());
    painter.drawEllipse(chart);
    if (m_n64UsedBytes > 0) {
        painter.setBrush(UsedColor());
        painter.drawPie(chart, 0, PieSpanDegrees() * 16);
    }
}
