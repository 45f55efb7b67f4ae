#include "gui/dialogs/VolumeLabelRule.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "core/FileSystemTypes.h"
#include "core/LabelRule.h"
#include "fs/FileSystemRegistry.h"

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
    const IFileSystem* family = FileSystemFor(nFileSystemType);
    return family ? family->MaxLabelLength() : kDefaultMaxLength;
}

QString InvalidLabelMessage()
{
    return QCoreApplication::translate("VolumeLabelRule", "Label contains invalid symbol.\n\nFollowing symbols are "
                                                          "invalid:\n* ? | \\ / > < \"");
}

bool CheckLabel(const QString& strLabel, QWidget* parent, int nFileSystemType)
{
    QString message;
    if (!FirstInvalidCharacter(strLabel).isNull()) {
        message = InvalidLabelMessage();
    } else if (nFileSystemType >= 0) {
        const std::string utf8 = strLabel.toStdString();
        switch (CheckVolumeLabel(nFileSystemType, utf8)) {
        case kLabelOk: break;
        case kLabelTooLong:
            message = QCoreApplication::translate("VolumeLabelRule", "The label is too long for this file system.");
            break;
        default:
            message = QCoreApplication::translate("VolumeLabelRule",
                                                  "The label contains a character this file system does not "
                                                  "allow: %1")
                          .arg(QString::fromStdString(FirstRefusedLabelCharacter(nFileSystemType, utf8)));
            break;
        }
    }
    if (message.isEmpty())
        return true;
    // Plain text: the message lists '<' and '>' literally.
    QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("VolumeLabelRule", "Error"), message,
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return false;
}

} // namespace VolumeLabelRule
