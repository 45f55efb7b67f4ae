// Asks for a partition's new type id, picked from the list of known ids or typed in hexadecimal.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class KChangePartitionTypeID;
}

class KChangePartitionTypeID : public QDialog {
    Q_OBJECT
public:
    KChangePartitionTypeID(const QString& strName, int nTypeId, QWidget* parent = nullptr);
    ~KChangePartitionTypeID() override;

    // Valid after acceptance; it may equal the current id, which the caller then leaves alone.
    int PartitionTypeId() const { return m_nTypeId; }

private slots:
    void on_radioButton_toggled(bool bChecked);
    void on_radioButton_2_toggled(bool bChecked);
    void on_yesButton_clicked();
    void checkSelectedId(const QString& strText);

private:
    std::unique_ptr<Ui::KChangePartitionTypeID> ui;
    int m_nTypeId;
};
