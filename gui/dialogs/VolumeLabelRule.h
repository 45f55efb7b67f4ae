// The label rule shared by the dialogs that take a volume label: the characters a label may not
// hold and the longest label each file system keeps.
#pragma once

#include <QChar>
#include <QString>

class QWidget;

namespace VolumeLabelRule {

// The first refused character found, searched for in a fixed order (colon first, asterisk last);
// a null QChar when the label is acceptable.
QChar FirstInvalidCharacter(const QString& strLabel);

// The longest label a file system of that code keeps; 128 for codes without a rule of their own. The
// commands and the label writers keep the same rule.
int MaxLength(int nFileSystemType);
inline constexpr int kDefaultMaxLength = 128;

// True when the label is acceptable; otherwise shows the "Error" box over the parent and returns
// false, so the dialog stays open. With a file-system code the label is also held to that file
// system's own rule (FAT's narrower character set, lengths counted as the file system counts them).
bool CheckLabel(const QString& strLabel, QWidget* parent, int nFileSystemType = -1);

// The text of that box.
QString InvalidLabelMessage();

} // namespace VolumeLabelRule
