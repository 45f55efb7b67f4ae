#include "gui/dialogs/KWipingDiskDlg.h"

#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "ui_KWipingDiskDlg.h"

KWipingDiskDlg::KWipingDiskDlg(const QString& strName, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KWipingDiskDlg>())
{
    ui->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint()));
    setWindowIcon(QIcon(WipeIcon(32)));
    ui->label->setPixmap(WipeIcon(64));
    ui->destDeviceName->setText(strName);
}

KWipingDiskDlg::~KWipingDiskDlg() = default;

void KWipingDiskDlg::on_okButton_clicked()
{
    // The buttons in method order.
    const QRadioButton* methods[] = {ui->radioButton, ui->radioButton_2, ui->radioButton_3, ui->radioButton_4,
                                     ui->radioButton_5};
    m_nMethod = 0;
    for (int i = 0; i < 5; ++i)
        if (methods[i]->isChecked()) {
            m_nMethod = i;
            break;
        }
    accept();
}

QPixmap KWipingDiskDlg::WipeIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // A drive seen from the front: a dark case with a lighter face.
    QLinearGradient face(0, s * 0.35, 0, s * 0.9);
    face.setColorAt(0, QColor(0xd4, 0xd8, 0xde));
    face.setColorAt(1, QColor(0x7c, 0x84, 0x90));
    p.setPen(QPen(QColor(0x3c, 0x42, 0x4c), s / 32));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.40, s * 0.88, s * 0.46), s * 0.07, s * 0.07);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0xc0, 0x40));
    p.drawEllipse(QRectF(s * 0.76, s * 0.70, s * 0.08, s * 0.08));

    // The data: rows of bits, the right-hand part already wiped away.
    p.setBrush(QColor(0x2a, 0x4f, 0x8a));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 5; ++col)
            if ((row * 5 + col) % 3 != 1)
                p.drawRect(QRectF(s * (0.14 + col * 0.07), s * (0.48 + row * 0.08), s * 0.05, s * 0.05));

    // The eraser, tilted, sweeping across the face.
    p.save();
    p.translate(s * 0.62, s * 0.36);
    p.rotate(-30);
    const QRectF body(-s * 0.13, -s * 0.22, s * 0.26, s * 0.36);
    QLinearGradient rubber(body.topLeft(), body.topRight());
    rubber.setColorAt(0, QColor(0xf4, 0x8f, 0xa0));
    rubber.setColorAt(1, QColor(0xc8, 0x48, 0x60));
    p.setPen(QPen(QColor(0x70, 0x20, 0x30), s / 40));
    p.setBrush(rubber);
    p.drawRoundedRect(body, s * 0.04, s * 0.04);
    p.setBrush(QColor(0x3c, 0x6c, 0xc8));
    p.drawRoundedRect(QRectF(body.left(), body.top(), body.width(), body.height() * 0.45), s * 0.04, s * 0.04);
    p.restore();

    // Crumbs left behind.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0x48, 0x60));
    p.drawEllipse(QRectF(s * 0.56, s * 0.62, s * 0.05, s * 0.05));
    p.drawEllipse(QRectF(s * 0.64, s * 0.74, s * 0.04, s * 0.04));
    return pixmap;
}
