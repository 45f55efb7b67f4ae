#include "VolumeLabelRule.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "model/FileSystemTypes.h"

namespace VolumeLabelRule {

QChar FirstInvalidCharacter(const QString& strLabel)
{
    // The colon is refused like the others although the message does not list it.
    static const char kRefused[] = {':', '?', '|', '\\', '/', '>', '<', '"', '*'};
    for (char c : kRefused)
        if (strLabel.contains(QLatin1Char(c)))
            return QLatin1Char(c);
    return QChar();
}

int MaxLength(int nFileSystemType)
{
    switch (nFileSystemType) {
    case kFsFat12:
    case kFsFat16:
    case kFsFat32: return 11;
    case kFsNtfs: return 126;
    case kFsExt2:
    case kFsExt3: return 14;
    default: return kDefaultMaxLength;
    }
}

QString InvalidLabelMessage()
{
    return QCoreApplication::translate("VolumeLabelRule", "Label contains invalid symbol.\n\nFollowing symbols are "
                                                          "invalid:\n* ? | \\ / > < \"");
}

bool CheckLabel(const QString& strLabel, QWidget* parent)
{
    if (FirstInvalidCharacter(strLabel).isNull())
        return true;
    // Plain text: the message lists '<' and '>' literally.
    QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("VolumeLabelRule", "Error"),
                    InvalidLabelMessage(), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
}

} // namespace VolumeLabelRule
