// The window's side functions: the disk-configuration export, the manual and the product's web pages,
// the about box, and the check for a newer version when the window opens.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "engine/DiskEngine.h"
#include "gui/mainframe/KAboutDlg.h"
#include "gui/mainframe/MainFrame.h"
#include "gui/mainframe/ProductHelp.h"
#include "model/DiskConfigurationText.h"

namespace {

// The answer is a short number; anything longer is not worth waiting for.
constexpr qint64 kLongestVersionReply = 4096;
constexpr int kVersionCheckTimeoutMs = 30000;

QUrl& updateCheckUrl()
{
    static QUrl url = ProductHelp::LastVersionUrl();
    return url;
}

} // namespace

void MainFrame::on_actionExport_disk_configuration_triggered()
{
    // A name typed without an extension gets ".txt", and the dialog asks before that file is replaced.
    QFileDialog dialog(this, tr("Export disk configuration"), QString(), tr("Text File (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    if (fileName.isEmpty())
        return;

    char systemInformation[512] = {};
    GenerateSystemInformation(systemInformation, sizeof systemInformation);
    // Every line ends in CR LF once, as support reads it on any system; the text is written as the
    // layout holds it, byte for byte.
    QByteArray text(systemInformation);
    text += "\r\n";
    text += QByteArray::fromStdString(DiskConfigurationText(m_virtualManager, DiskBlockStyle::Separated));

    QFile file(fileName);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(text) == text.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError)
        QMessageBox::critical(this, tr("Error"), tr("Failed to create file."));
}

void MainFrame::on_actionContent_triggered()
{
    // A missing manual is not reported: the menu entry simply opens nothing.
    const QString manual = ProductHelp::ManualIndexPath(QCoreApplication::applicationDirPath());
    if (!manual.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
}

void MainFrame::on_actionFAQ_triggered()
{
    QDesktopServices::openUrl(ProductHelp::PageUrl(ProductHelp::Page::Faq));
}

void MainFrame::on_actionDownload_Bootable_CD_triggered()
{
    QDesktopServices::openUrl(ProductHelp::PageUrl(ProductHelp::Page::BootableCd));
}

void MainFrame::on_actionFeedback_Feature_Request_triggered()
{
    QDesktopServices::openUrl(ProductHelp::PageUrl(ProductHelp::Page::Contact));
}

void MainFrame::on_action_About_triggered()
{
    KAboutDlg dialog(this);
    dialog.exec();
}

void MainFrame::SetUpdateCheckUrl(const QUrl& url) { updateCheckUrl() = url; }

QUrl MainFrame::UpdateCheckUrl() { return updateCheckUrl(); }

void MainFrame::StartUpdateCheck(const QUrl& url)
{
    if (url.isEmpty() || m_updateReply)
        return;
    if (!m_updateClient)
        m_updateClient = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(kVersionCheckTimeoutMs);
    QNetworkReply* reply = m_updateClient->get(request);
    m_updateReply = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 nReceived, qint64) {
        if (nReceived > kLongestVersionReply)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply] { onDownloadPageOK(reply->error() != QNetworkReply::NoError); });
}

void MainFrame::onDownloadPageOK(bool error)
{
    QNetworkReply* reply = m_updateReply;
    m_updateReply = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    // Without a network, or with no answer from the host, the check ends without a word.
    if (error)
        return;
    if (!ProductHelp::IsNewerVersionReply(reply->readAll()))
        return;
    const auto answer = QMessageBox::information(
        this, tr("Volmara"), tr("A new version has been detected. Do you want to download the new version?"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        QDesktopServices::openUrl(ProductHelp::PageUrl(ProductHelp::Page::Download));
}
