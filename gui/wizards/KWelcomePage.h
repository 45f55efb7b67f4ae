// The first page of a wizard: what the wizard does and how to go on.
#pragma once

#include <QWizardPage>

class KWelcomePage : public QWizardPage {
    Q_OBJECT
public:
    KWelcomePage(const QString& strTitle, const QString& strSubTitle, QWidget* parent = nullptr);
};
