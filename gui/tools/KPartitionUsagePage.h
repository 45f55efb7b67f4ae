// The "Usage" tab of the properties dialog: a legend of used, unused and total space and a pie chart of
// the used share, all painted.
#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

class KPartitionUsagePage : public QWidget {
    Q_OBJECT

public:
    // Sizes in bytes; the used size is held to [0, total].
    KPartitionUsagePage(qint64 n64UsedBytes, qint64 n64TotalBytes, QWidget* parent = nullptr);

    qint64 UsedBytes() const { return m_n64UsedBytes; }
    qint64 TotalBytes() const { return m_n64TotalBytes; }
    // The used, unused and total lines as they are painted.
    QStringList LegendTexts() const;
    // Degrees of the used slice (0: no slice is drawn).
    int PieSpanDegrees() const;
    // Where the chart's shadow lies for the page's present width; the chart itself is 10 pixels higher.
    QRect ChartRect() const;

    static const QColor& UsedColor();
    static const QColor& UnusedColor();
    static const QColor& ShadowColor();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double percentOf(qint64 n64Bytes) const;

    qint64 m_n64UsedBytes;
    qint64 m_n64TotalBytes;
};
