// Shows boot.ini as text; with the lock box cleared the text can be changed and saved. It only asks:
// the caller writes the text it keeps.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class KBootIniEditorDlg;
}

class KBootIniEditorDlg : public QDialog {
    Q_OBJECT

public:
    KBootIniEditorDlg(const QString& strText, QWidget* parent = nullptr);
    ~KBootIniEditorDlg() override;

    // The text as it was when Save was pressed.
    QString Text() const { return m_strText; }

public slots:
    void onDisableModifyBootini(bool bDisable);
    void on_pushButton_clicked();
    void onTextChanged();

private:
    std::unique_ptr<Ui::KBootIniEditorDlg> ui;
    QString m_strText;
};
