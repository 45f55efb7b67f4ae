// The row of colour keys under the disk views: one small square and name per file-system colour,
// then the two gauge colours.
#pragma once

#include <QColor>
#include <QFrame>
#include <QString>
#include <vector>

class KLegendBar : public QFrame {
    Q_OBJECT
public:
    struct Entry {
        QString strName; // translated
        QColor color;
    };

    explicit KLegendBar(QWidget* parent = nullptr);

    // The keys in the order they are drawn.
    static std::vector<Entry> Entries();

protected:
    void paintEvent(QPaintEvent* event) override;
};
