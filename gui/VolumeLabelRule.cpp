#include "VolumeLabelRule.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace VolumeLabelRule {

QChar FirstInvalidCharacter(const QString& strLabel)
{
    static const QString kRefused = QStringLiteral(":?|\\/><\"*");
    for (const QChar c : kRefused)
        if (strLabel.contains(c))
            return c;
    return QChar();
}

QString InvalidLabelMessage()
{
    return QCoreApplication::translate(
        "VolumeLabelRule", "Label contains invalid symbol.\n\nFollowing symbols are invalid:\n* ? | \\ / > < \"");
}

bool Accept(QWidget* parent, const QString& strLabel)
{
    if (FirstInvalidCharacter(strLabel).isNull())
        return true;
    QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("VolumeLabelRule", "Error"),
                    InvalidLabelMessage(), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // the line breaks are the message's, and "<" is no tag
    box.exec();
    return false;
}

} // namespace VolumeLabelRule
