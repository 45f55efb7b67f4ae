// The one rule for volume labels typed into the create, format and label dialogs: the characters
// : * ? | \ / > < " are refused.
#pragma once

#include <QChar>
#include <QString>

class QWidget;

namespace VolumeLabelRule {

// The first refused character the label contains, looked for in the order : ? | \ / > < " *; a null
// QChar when there is none.
QChar FirstInvalidCharacter(const QString& strLabel);

// The message of the "Error" box. It lists every refused character but the colon, which is refused
// all the same.
QString InvalidLabelMessage();

// True when the label may be used; otherwise a critical box titled "Error" over the parent says why.
bool Accept(QWidget* parent, const QString& strLabel);

} // namespace VolumeLabelRule
