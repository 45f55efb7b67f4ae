// The window the user watches while the pending lines run: it runs the whole batch from its
// constructor, shows the worker's progress and lets the user cancel where the running command allows.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

class IVolumeManager;
class KBatchCommandExecutive;
class QCloseEvent;
class QPixmap;

namespace Ui {
class KApplyOperationsPendingDlg;
}

class KApplyOperationsPendingDlg : public QDialog {
    Q_OBJECT
public:
    // Answers the "Abort?" question asked when the window is closed during the run: true for Yes.
    using AbortQuestion = std::function<bool(QWidget* parent)>;

    // Builds the form, shows it over the parent, runs every pending line of the executive against the
    // manager and hides again; RunResult() then holds the run result.
    KApplyOperationsPendingDlg(IVolumeManager* manager, KBatchCommandExecutive* executive, QWidget* parent = nullptr);
    ~KApplyOperationsPendingDlg() override;

    int RunResult() const { return m_runResult; }
    int PendingIndex() const { return m_index; }
    bool IsRunning() const { return m_running; }

    // Replaces the question box (tests); an empty function restores it.
    static void SetAbortQuestion(AbortQuestion question);
    // The pictures drawn for the window icon and the header band.
    static QPixmap ApplyIcon(int size);
    static QPixmap HeaderPicture(int width, int height);

signals:
    void setDialogUserCanceled(bool bCanceled);

public slots:
    void onSetOperationsPendingIndex(int index);
    void onSetCurrentProgressBarValue(int value);
    void onSetProgressText(QString strText);
    void onSetCommandName(QString strName);
    void onSetProcessingName(QString strName);
    void on_cancelButton_clicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::KApplyOperationsPendingDlg> ui;
    KBatchCommandExecutive* m_executive;
    IVolumeManager* m_manager;
    int m_runResult = 0;
    int m_index = 0;
    bool m_running = false;
};
