#include "gui/mainframe/KApplyOperationsPendingDlg.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include "execution/KBatchCommandExecutive.h"
#include "execution/KCommandWorkingThread.h"
#include "ui_KApplyOperationsPendingDlg.h"

namespace {

KApplyOperationsPendingDlg::AbortQuestion& abortQuestion()
{
    static KApplyOperationsPendingDlg::AbortQuestion question;
    return question;
}

bool askAbort(QWidget* parent)
{
    if (abortQuestion())
        return abortQuestion()(parent);
    return QMessageBox::question(parent, KApplyOperationsPendingDlg::tr("Abort?"),
                                 KApplyOperationsPendingDlg::tr("Do you want to cancel these operations?"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace

KApplyOperationsPendingDlg::KApplyOperationsPendingDlg(IVolumeManager* manager, KBatchCommandExecutive* executive,
                                                       QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KApplyOperationsPendingDlg>()), m_executive(executive),
      m_manager(manager)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(ApplyIcon(32)));
    ui->label_3->setPixmap(HeaderPicture(440, 56));

    // 1. The form keeps its initial size.
    const QSize initial = geometry().size();
    setMinimumSize(initial);
    setMaximumSize(initial);

    // 2. Three bars from 0 to 100, all empty.
    for (QProgressBar* bar : {ui->progressBar, ui->progressBar_2, ui->progressBar_3}) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }

    // 3. Centred on the parent, shown at once.
    if (parent) {
        QRect frame = geometry();
        frame.moveCenter(parent->geometry().center());
        move(frame.topLeft());
    }
    show();
    repaint();

    // 4. The run: it keeps processing events, so the window stays live.
    m_index = 0;
    m_running = true;
    m_runResult = m_executive ? m_executive->RunWithDialog(m_manager, this) : 0;
    m_running = false;

    // 5. The caller reads the result and destroys the window.
    hide();
}

KApplyOperationsPendingDlg::~KApplyOperationsPendingDlg() = default;

void KApplyOperationsPendingDlg::SetAbortQuestion(AbortQuestion question)
{
    abortQuestion() = std::move(question);
}

void KApplyOperationsPendingDlg::onSetOperationsPendingIndex(int index)
{
    m_index = index;
    const int count = m_executive ? m_executive->GetCommandCount() : 0;
    ui->textEdit->setText(tr("(%1 of %2 operations)").arg(index + 1).arg(count));
}

void KApplyOperationsPendingDlg::onSetCurrentProgressBarValue(int value)
{
    const int count = m_executive ? m_executive->GetCommandCount() : 0;
    if (count > 0)
        ui->progressBar->setValue(int(double(value + m_index * 100) / double(count * 100) * 100.0));
    ui->progressBar_2->setValue(value);
}

void KApplyOperationsPendingDlg::onSetProgressText(QString strText)
{
    ui->textEdit->setText(strText);
}

void KApplyOperationsPendingDlg::onSetCommandName(QString strName)
{
    // The executive sends its untranslated operation names.
    ui->currentCommandName->setText(QCoreApplication::translate("ExecutionTexts", strName.toUtf8().constData()) +
                                    QStringLiteral(":"));
}

void KApplyOperationsPendingDlg::onSetProcessingName(QString strName)
{
    ui->childProcessLabel->setText(QCoreApplication::translate("ExecutionTexts", strName.toUtf8().constData()));
}

void KApplyOperationsPendingDlg::on_cancelButton_clicked()
{
    emit setDialogUserCanceled(true);
    // The command stops at its next look at the flag; until then the window waits for it.
    if (m_executive) {
        if (KCommandWorkingThread* worker = m_executive->Worker())
            worker->wait();
    }
}

void KApplyOperationsPendingDlg::closeEvent(QCloseEvent* event)
{
    if (!m_running) {
        QDialog::closeEvent(event);
        return;
    }
    if (!askAbort(this)) {
        event->ignore();
        return;
    }
    event->ignore();
    on_cancelButton_clicked();
}

QPixmap KApplyOperationsPendingDlg::ApplyIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A disk platter with a green tick over it.
    QLinearGradient disk(0, 0, 0, s);
    disk.setColorAt(0, QColor(0x9c, 0xb8, 0xd8));
    disk.setColorAt(1, QColor(0x3a, 0x5f, 0x8c));
    p.setPen(QPen(QColor(0x23, 0x3d, 0x5e), s / 24));
    p.setBrush(disk);
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.30, s * 0.84, s * 0.56), s * 0.08, s * 0.08);
    p.setBrush(QColor(0x60, 0xe0, 0x60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(s * 0.16, s * 0.70, s * 0.08, s * 0.08));
    QPainterPath tick;
    tick.moveTo(s * 0.22, s * 0.42);
    tick.lineTo(s * 0.45, s * 0.66);
    tick.lineTo(s * 0.90, s * 0.10);
    p.setPen(QPen(QColor(0x1e, 0x8c, 0x2e), s / 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return pixmap;
}

QPixmap KApplyOperationsPendingDlg::HeaderPicture(int width, int height)
{
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, QColor(0x2b, 0x4f, 0x7e));
    band.setColorAt(1, QColor(0xd6, 0xe4, 0xf2));
    p.fillRect(pixmap.rect(), band);
    // Stripes suggesting blocks being written, growing towards the right.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        const int h = height / 4 + i * height / 24;
        p.setBrush(QColor(255, 255, 255, 40 + i * 12));
        p.drawRect(QRect(width / 3 + i * width / 20, height - h - 6, width / 28, h));
    }
    const QPixmap icon = ApplyIcon(height - 12);
    p.drawPixmap(8, 6, icon);
    return pixmap;
}
