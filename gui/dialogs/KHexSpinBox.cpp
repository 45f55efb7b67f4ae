#include "gui/dialogs/KHexSpinBox.h"

KHexSpinBox::KHexSpinBox(QWidget* parent) : QSpinBox(parent)
{
    // The spin box's own validator reads typed text in this base; without it the digits a–f would be
    // refused as they are typed and "10" would pass as ten.
    setDisplayIntegerBase(16);
}

QString KHexSpinBox::textFromValue(int value) const
{
    return QStringLiteral("%1").arg(value, 0, 16);
}

int KHexSpinBox::valueFromText(const QString& text) const
{
    // The text may arrive with the prefix still in front of the digits.
    QString digits = text.trimmed();
    if (!prefix().isEmpty() && digits.startsWith(prefix()))
        digits.remove(0, prefix().size());
    bool ok = false;
    const int value = digits.trimmed().toInt(&ok, 16);
    return ok ? value : 0;
}
