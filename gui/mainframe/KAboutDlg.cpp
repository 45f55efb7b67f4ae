#include "gui/mainframe/KAboutDlg.h"

#include "gui/mainframe/Artwork.h"
#include "ui_KAboutDlg.h"

#ifndef VOLMARA_VERSION_TEXT
#define VOLMARA_VERSION_TEXT "0"
#endif
// Set by the build for this file alone (it honours SOURCE_DATE_EPOCH for reproducible packages).
#ifndef VOLMARA_BUILD_DATE_TEXT
#define VOLMARA_BUILD_DATE_TEXT "unknown"
#endif

KAboutDlg::KAboutDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::KAboutDlg>())
{
    ui->setupUi(this);
    ui->iconLabel->setPixmap(Artwork::ApplicationIcon(64));
    ui->versionLabel->setText(tr("Version %1").arg(VersionText()));
    ui->buildDateLabel->setText(tr("Built on %1").arg(BuildDateText()));
    setFixedSize(size().expandedTo(minimumSizeHint()));
}

KAboutDlg::~KAboutDlg() = default;

QString KAboutDlg::VersionText() { return QStringLiteral(VOLMARA_VERSION_TEXT); }

QString KAboutDlg::BuildDateText() { return QStringLiteral(VOLMARA_BUILD_DATE_TEXT); }
