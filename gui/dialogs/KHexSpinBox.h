// A spin box that shows and reads its value in hexadecimal (lower-case digits, no padding).
#pragma once

#include <QSpinBox>

class KHexSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit KHexSpinBox(QWidget* parent = nullptr);

protected:
    QString textFromValue(int value) const override;
    // 0 when the text is not a hexadecimal number.
    int valueFromText(const QString& text) const override;
};
