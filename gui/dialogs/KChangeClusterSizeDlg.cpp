#include "gui/dialogs/KChangeClusterSizeDlg.h"

#include <QLocale>

#include "ui_KChangeClusterSizeDlg.h"

KChangeClusterSizeDlg::KChangeClusterSizeDlg(int nMinClusterSize, int nMaxClusterSize, int nClusterSize,
                                             const QString& strName, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KChangeClusterSizeDlg>()), m_nCurrentClusterSize(nClusterSize),
      m_nClusterSize(nClusterSize)
{
    ui->setupUi(this);
    resize(size().expandedTo(minimumSizeHint()));

    // Doubling from a size below one would never end; 64-bit steps cannot wrap near the int limit.
    QComboBox* box = ui->comboBox;
    for (qint64 n = nMinClusterSize; n > 0 && n <= nMaxClusterSize; n *= 2)
        box->addItem(QString::number(n), int(n));
    if (box->findData(nClusterSize) < 0)
        box->addItem(QString::number(nClusterSize), nClusterSize);
    box->setCurrentIndex(box->findData(nClusterSize));

    ui->label1->setText(tr("<B>Are you sure you want to change cluster size for partition \"%1\" ?</B>")
                            .arg(strName.toHtmlEscaped()));
    ui->label2->setText(tr("Current cluster size is <B>%1 sectors, %2 KB (%3 Bytes).</B> Smaller clusters may "
                           "provide more effective usage of disk space.")
                            .arg(nClusterSize)
                            .arg(QString::number(nClusterSize / 2.0, 'g', QLocale::FloatingPointShortest))
                            .arg(qint64(nClusterSize) * 512));

    connect(box, &QComboBox::currentIndexChanged, this, &KChangeClusterSizeDlg::onClusterSizeChanged);
    onClusterSizeChanged(box->currentIndex());
}

KChangeClusterSizeDlg::~KChangeClusterSizeDlg() = default;

void KChangeClusterSizeDlg::onClusterSizeChanged(int index)
{
    m_nClusterSize = ui->comboBox->itemData(index).toInt();
    ui->yesButton->setEnabled(m_nClusterSize != m_nCurrentClusterSize);
}

void KChangeClusterSizeDlg::on_yesButton_clicked()
{
    accept();
}
