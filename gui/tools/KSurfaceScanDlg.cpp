#include "KSurfaceScanDlg.h"

#include "gui/common/SizeText.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QMutexLocker>
#include <QPainter>
#include <chrono>

#include "KPaintEventFilter.h"
#include "KSurfaceScanningThread.h"
#include "SurfaceBlockPictures.h"
#include "SurfaceScanRules.h"
#include "engine/ISectorDevice.h"
#include "ui_KSurfaceScanDlg.h"

namespace {

// The scan of the whole program; a second dialog cannot start one while it runs.
KSurfaceScanningThread* s_worker = nullptr;

int64_t nowTick()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString clockText(int64_t n64Seconds)
{
    return QStringLiteral("%1:%2:%3").arg(n64Seconds / 3600).arg((n64Seconds % 3600) / 60).arg(n64Seconds % 60);
}

} // namespace

KSurfaceScanDlg::KSurfaceScanDlg(const QString& strName, ISectorDevice* device, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KSurfaceScanDlg>()), m_device(device)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    m_emptyBlock = SurfaceBlockPictures::Block(SurfaceBlockPictures::Kind::Empty);
    m_greenBlock = SurfaceBlockPictures::Block(SurfaceBlockPictures::Kind::Green);
    m_redBlock = SurfaceBlockPictures::Block(SurfaceBlockPictures::Kind::Red);
    ui->label_green_block->setPixmap(m_greenBlock);
    ui->label_red_block->setPixmap(m_redBlock);

    ui->label_device_name->setText(strName);
    ui->label_error_count->setText(QStringLiteral("0"));
    ui->label_percent->setText(QStringLiteral("0%"));
    ui->label_speed->setText(tr("%1 MB/Min.").arg(0));
    ui->label_et->setText(clockText(0));
    ui->label_tr->setText(clockText(0));
    ui->pushButton->setText(tr("Start Now"));

    DiskGeometry geometry{};
    if (m_device && m_device->GetGeometry(&geometry))
        m_n64TotalSectors = geometry.TotalSectors;
    m_n64BlockSectors = SurfaceScanRules::BlockSectors(m_n64TotalSectors);
    m_n64BlockCount = SurfaceScanRules::BlockCount(m_n64TotalSectors, m_n64BlockSectors);
    m_errorBitmap.Create(m_n64BlockCount);
    m_errorBitmap.Clear(true);

    ui->widget->setAttribute(Qt::WA_OpaquePaintEvent);
    ui->widget->installEventFilter(new KPaintEventFilter(this));
    RedrawGrid();
}

KSurfaceScanDlg::~KSurfaceScanDlg()
{
    if (m_worker) {
        m_nCancel = 1;
        m_worker->wait();
        if (s_worker == m_worker)
            s_worker = nullptr;
        delete m_worker;
    }
}

bool KSurfaceScanDlg::ScanRunning()
{
    return s_worker != nullptr;
}

QPoint KSurfaceScanDlg::CellOrigin(int64_t n64Cell) const
{
    const int columns = m_nColumns > 0 ? m_nColumns : 1;
    return QPoint(int(n64Cell % columns) * (m_emptyBlock.width() + 1) + 1,
                  int(n64Cell / columns) * (m_emptyBlock.height() + 1) + 1);
}

void KSurfaceScanDlg::RedrawGrid()
{
    QMutexLocker lock(&m_mutex);
    const QSize size = ui->widget->size();
    if (m_gridImage.size() != size)
        m_gridImage = QPixmap(size);
    const int w = m_emptyBlock.width(), h = m_emptyBlock.height();
    m_nColumns = std::max(0, (size.width() - 2) / (w + 1));
    m_nRows = std::max(0, (size.height() - 2) / (h + 1));
    m_n64Cells = int64_t(m_nColumns) * m_nRows;
    m_n64BlocksPerCell = 1;
    if (m_n64Cells > 0 && m_n64BlockCount > 0) {
        m_n64BlocksPerCell = (m_n64BlockCount + m_n64Cells - 1) / m_n64Cells;
        if (m_n64BlocksPerCell * m_n64Cells > m_n64BlockCount)
            m_n64Cells = (m_n64BlockCount + m_n64BlocksPerCell - 1) / m_n64BlocksPerCell;
    } else {
        m_n64Cells = 0; // no room for a cell, or nothing to show
    }
    if (m_gridImage.isNull())
        return;
    m_gridImage.fill(Qt::white);
    {
        QPainter painter(&m_gridImage);
        for (int64_t cell = 0; cell < m_n64Cells; ++cell)
            painter.drawPixmap(CellOrigin(cell), m_emptyBlock);
    }
    // The cells drawn before belong to the old layout: replay the scan into the new one.
    m_n64LastRedCell = m_n64LastGreenCell = -1;
    for (int64_t k = 0; k <= m_n64CurrentBlock && k < m_n64BlockCount; ++k) {
        const int64_t cell = k / m_n64BlocksPerCell;
        if (cell == m_n64LastRedCell)
            continue;
        if (m_errorBitmap.Test(k)) {
            drawCell(cell, m_redBlock);
            m_n64LastRedCell = cell;
        } else if (cell != m_n64LastGreenCell) {
            drawCell(cell, m_greenBlock);
            m_n64LastGreenCell = cell;
        }
    }
    ui->widget->update();
}

void KSurfaceScanDlg::drawCell(int64_t n64Cell, const QPixmap& picture)
{
    if (n64Cell < 0 || n64Cell >= m_n64Cells || m_gridImage.isNull())
        return;
    const QPoint at = CellOrigin(n64Cell);
    {
        QPainter painter(&m_gridImage);
        painter.drawPixmap(at, picture);
    }
    ui->widget->update(QRect(at, picture.size()));
}

void KSurfaceScanDlg::on_pushButton_clicked()
{
    if (m_worker) {
        m_nCancel = 1; // the scan below ends when the worker has seen it
        return;
    }
    if (s_worker)
        return; // another window is scanning
    startScan();
}

void KSurfaceScanDlg::startScan()
{
    m_n64LastRedCell = m_n64LastGreenCell = -1;
    m_n64CurrentBlock = -1;
    m_n64ErrorCount = 0;
    m_n64LastUpdateTick = 0;
    m_n64StartTick = nowTick();
    m_nCancel = 0;
    m_errorBitmap.Clear(true);
    RedrawGrid();
    ui->label_error_count->setText(QStringLiteral("0"));
    ui->label_et->clear();
    ui->label_tr->clear();
    ui->widget->update();

    m_bRunning = true;
    m_worker = new KSurfaceScanningThread(m_device, m_n64TotalSectors, m_n64BlockSectors, &m_mutex, &m_nCancel, this);
    s_worker = m_worker;
    connect(m_worker, &KSurfaceScanningThread::emit_set_scanning_progress, this, &KSurfaceScanDlg::setScanningProgress,
            Qt::QueuedConnection);
    ui->pushButton->setText(tr("Stop Now"));
    // The reports come before the end in the queue, so when the loop ends every one has been shown.
    QEventLoop loop;
    connect(m_worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    m_worker->start();
    loop.exec();
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    s_worker = nullptr;

    ui->label_tr->clear();
    ui->pushButton->setText(tr("Start Now"));
    m_bRunning = false;
    const QString result =
        m_n64ErrorCount != 0 ? tr("%1 errors found.").arg(m_n64ErrorCount) : tr("No error found.");
    if (m_nCancel != 0) {
        QMessageBox::information(this, QString(), tr("User canceled. %1").arg(result));
    } else {
        ui->label_percent->setText(QStringLiteral("100%"));
        QMessageBox::information(this, QString(), tr("Surface scan complete. %1").arg(result));
    }
}

void KSurfaceScanDlg::setScanningProgress(qint64 s64BitIndex, bool bErrorFound)
{
    if (s64BitIndex >= m_n64BlockCount) {
        m_n64CurrentBlock = m_n64BlockCount;
        return;
    }
    if (s64BitIndex < 0)
        return;
    m_n64CurrentBlock = s64BitIndex;
    // A block of several reads stays marked once one of them failed, so a redraw shows what the
    // live grid showed.
    if (bErrorFound)
        m_errorBitmap.SetRange(s64BitIndex, true, 1);
    const int64_t cell = s64BitIndex / m_n64BlocksPerCell;
    if (cell != m_n64LastRedCell) {
        if (bErrorFound) {
            drawCell(cell, m_redBlock);
            m_n64LastRedCell = cell;
            ++m_n64ErrorCount;
            ui->label_error_count->setText(QStringLiteral("%1").arg(m_n64ErrorCount));
        } else if (cell != m_n64LastGreenCell) {
            drawCell(cell, m_greenBlock);
            m_n64LastGreenCell = cell;
        }
    }
    updateCounters(s64BitIndex);
}

void KSurfaceScanDlg::updateCounters(int64_t n64Index)
{
    const int64_t now = nowTick();
    if (now - m_n64LastUpdateTick < 1001)
        return;
    m_n64LastUpdateTick = now;
    ui->label_percent->setText(QStringLiteral("%1%").arg(SizeText::Decimal(double(n64Index) * 100.0 / double(m_n64BlockCount), 2)));
    const int64_t elapsed = (now - m_n64StartTick) / 1000;
    if (elapsed > 0)
        ui->label_speed->setText(tr("%1 MB/Min.").arg(SizeText::Decimal(double(n64Index) * double(m_n64BlockSectors) / 2048.0 /
                                                          double(elapsed) * 60.0, 2)));
    ui->label_et->setText(clockText(elapsed));
    if (elapsed > 0) {
        const int64_t rate = n64Index / elapsed;
        if (rate >= 1)
            ui->label_tr->setText(clockText((m_n64BlockCount - n64Index) / rate));
    }
}

void KSurfaceScanDlg::reject()
{
    if (!m_worker) {
        QDialog::reject();
        return;
    }
    // Holding the mutex pauses the worker after its current report while the user decides.
    QMutexLocker lock(&m_mutex);
    if (QMessageBox::question(this, QString(), tr("Are you sure you want to cancel surface scan?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_nCancel = 1;
    lock.unlock();
    QDialog::reject();
}
