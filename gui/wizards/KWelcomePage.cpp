#include "gui/wizards/KWelcomePage.h"

#include <QLabel>
#include <QVBoxLayout>

KWelcomePage::KWelcomePage(const QString& strTitle, const QString& strSubTitle, QWidget* parent) : QWizardPage(parent)
{
    setTitle(strTitle);
    setSubTitle(strSubTitle);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("\n\n\n\n\nTo continue, click Next..."), this);
    label->setObjectName(QStringLiteral("continueLabel"));
    layout->addWidget(label);
    layout->addStretch();
}
