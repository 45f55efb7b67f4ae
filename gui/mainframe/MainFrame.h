// The main window: owns the executive, the real disks and the pending layout, shows the layout as the
// disk map and the partition list, offers every operation as an action, and keeps the pending list,
// the executive's lines and the layout's undo records in step.
#pragma once

#include <QItemSelection>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QUrl>
#include <memory>

#include "commands/CommandLine.h"
#include "execution/KBatchCommandExecutive.h"
#include "model/KVirtualVolumeManager.h"
#include "model/KVolumeManager.h"

namespace Ui {
class MainFrameClass;
}

class IExecutiveInteraction;
class QKeyEvent;
class KActionPanelGroup;
class KDiskMapPartitionItemDelegate;
class KDiskMapPartitionItemModel;
class QMenu;
class QNetworkAccessManager;
class QNetworkReply;
class QTreeWidget;
class QTreeWidgetItem;

class MainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    // False when loading found no disk.
    bool DisksLoaded() const { return m_bDisksLoaded; }

    KBatchCommandExecutive* Executive() { return &m_executive; }
    KVolumeManager* VolumeManager() { return &m_volumeManager; }
    KVirtualVolumeManager* PendingLayout() { return &m_virtualManager; }
    QTreeWidget* PendingTree() const { return m_pendingTree; }
    KDiskMapPartitionItemModel* PartitionListModel() const { return m_listModel; }
    Ui::MainFrameClass* Form() const { return ui.get(); }

    // The selection updateActionState last saw (-1 = none).
    int SelectedDisk() const { return m_nDiskIndex; }
    int SelectedPartition() const { return m_nPartitionIndex; }

    // Adds a line to the pending list: "%1. %2" with the number the executive's next line will get.
    // With a parent the line becomes one of its children.
    QTreeWidgetItem* AddPendingItem(const QString& strDescription, QTreeWidgetItem* parent = nullptr);
    // After an operation: reloads the list keeping the selected row, retitles the panel groups,
    // repaints the disk map and re-evaluates the actions.
    void RefreshViews();
    // After a move or resize on `nDiskIndex`: when two entries overlap, tells the user and undoes the
    // last operation. True when it did.
    bool GuardOverlap(int nDiskIndex);
    // The list row of an entry (-1 = the disk row), -1 when it does not exist.
    int RowOf(int nDiskIndex, int nPartitionIndex);
    // The context menu a target gets: the disk menu or the partition menu.
    QMenu* ContextMenuFor(int nPartitionIndex) const;

    static QString PendingItemText(int nLineNumber, const QString& strDescription);
    // Set on a child item that names a step of the line its next sibling owns: the child stands for a
    // change of the pending layout but for no line of its own, and undo leaves the lines alone for it.
    static constexpr int kLinelessItemRole = Qt::UserRole + 1;

    // What the operation handlers share.
    // The selected entry of the pending layout; false for a disk row or nothing.
    bool SelectedEntry(PartitionInfo* entry);
    // The same, for an allocated entry only.
    bool SelectedPartition(PartitionInfo* entry);
    // Puts the changed entry into the pending layout and refreshes the views.
    void ShowEntryChange(int nDiskIndex, int nPartitionIndex, const PartitionInfo& entry);
    // "Disk 1", "E: ( Disk 1 Partition 2 )" or "Disk 1 Partition 2".
    QString DisplayName(int nDiskIndex, int nPartitionIndex);
    // The 1-based index a command line gives an entry: its place among the partitions once the lines
    // queued before it have run.
    int LineIndex(int nDiskIndex, int nPartitionIndex);
    void QueueLine(const char* format, const std::vector<CommandValue>& values, int directWrite = 0);
    // The Yes/No warning before changing a system or boot partition; true for Yes.
    bool ConfirmSystemChange(const QString& strText);

    // The address the window's version check asks when it opens; an empty one leaves the check out.
    static void SetUpdateCheckUrl(const QUrl& url);
    static QUrl UpdateCheckUrl();
    // Asks `url` for the latest version number; onDownloadPageOK reads the answer.
    void StartUpdateCheck(const QUrl& url);
    bool UpdateCheckRunning() const { return !m_updateReply.isNull(); }

public slots:
    void updateActionState(int nDiskIndex, int nPartitionIndex);
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);
    void onPartitionListItemChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void onPartitionListDoubleClicked(const QModelIndex& index);
    void setDiskMapLocation();

    void on_actionUndo_Last_Changes_triggered();

    // Operations without a dialog.
    void on_action_Delete_triggered();
    void on_action_Hide_Partition_triggered();
    void on_action_Unhide_Partition_triggered();
    void on_action_Set_Active_triggered();
    void on_action_Set_Inactive_triggered();
    void on_actionInitiate_to_GPT_triggered();
    void on_action_Initiate_to_MBR_Disk_triggered();
    void on_actionRebuild_MBR_triggered();
    void on_action_Delete_All_Partitions_triggered();
    void on_actionMake_Partition_Primary_triggered();
    void on_actionMake_Partition_Logical_triggered();
    void on_actionConvert_Dynamic_Disk_To_Basic_Disk_triggered();

    // Operations that ask through a dialog first.
    void on_action_Create_triggered();
    void on_action_Format_triggered();
    void on_action_Change_Drive_Letter_triggered();
    void on_action_Label_triggered();
    void on_action_Move_Resize_triggered();
    void on_action_Wipe_Partition_triggered();
    void on_action_Wipe_Disk_triggered();
    void on_actionChanage_Partition_Type_ID_triggered();
    void on_actionChange_Serial_Number_triggered();
    void on_actionChange_Cluster_Size_triggered();

    // Operations chosen through a wizard.
    void on_actionMerge_triggered();
    void on_actionCopy_Disk_Wizard_triggered();
    void on_action_Copy_Disk_triggered();
    void on_actionPartition_Copy_Wizard_triggered();
    void on_action_Copy_Partition_triggered();
    void on_action_Copy_triggered();
    void on_actionPartition_Recovery_triggered();
    void on_action_Recover_Lost_Deleted_Partitions_triggered();
    void on_actionDiscard_All_Changes_triggered();

    // Tools that act at once and queue nothing.
    void on_actionSurface_Scan_triggered();
    void on_actionSurface_Scan_2_triggered();
    void on_actionCheck_File_System_triggered();
    void on_action_Convert_File_System_triggered();
    void on_action_Properties_triggered();
    void on_action_Disk_Properties_triggered();
    void on_action_Partition_Properties_triggered();
    void on_action_Expoler_triggered();
    void on_actionBoot_ini_Editor_triggered();
    void on_actionRepair_Boot_ini_triggered();
    void on_actionApply_All_Changes_triggered();

    // Side functions: the export, the manual, the web pages, the about box and the version check.
    void on_actionExport_disk_configuration_triggered();
    void on_actionContent_triggered();
    void on_actionFAQ_triggered();
    void on_actionDownload_Bootable_CD_triggered();
    void on_actionFeedback_Feature_Request_triggered();
    void on_action_About_triggered();
    void onDownloadPageOK(bool error);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // True when the key is the shortcut of one of this window's enabled actions and the widget it goes
    // to is in this window and edits no text.
    bool windowShortcutFor(QObject* receiver, const QKeyEvent& key) const;
    void buildActionPanel();
    void refreshGroupTitles();
    void undoLastOperation();
    void selectRow(int nRow);
    // Row -> (disk, partition); false when the row is past the end.
    bool rowToEntry(int nRow, int* nDiskIndex, int* nPartitionIndex);
    void showContextMenu(int nPartitionIndex, const QPoint& globalPos);
    void reloadAfterApply();
    // The copy disk wizard, opened on the target page when a source disk is given, and the group it queues.
    void copyDisk(int nSourceDiskIndex);
    // The recovery wizard (on a preselected disk when one is given) and the new table it queues.
    void recoverPartitions(int nDiskIndex);
    void queueHide(bool bUnhide);
    // Opens the partition copy wizard (on a preselected source when both indices are >= 0) and queues
    // the copy it returns.
    void queueCopyPartition(int nSourceDiskIndex, int nSourcePartitionIndex);
    void queueInitiate(int nStyle);
    // Queues the deletion of every partition of the disk, last first, under a new parent item.
    QTreeWidgetItem* queueDeleteAll(int nDiskIndex, const QString& strParent);
    bool diskHasSystemEntry(int nDiskIndex);
    // The disk's geometry; false when the engine gives none a partition can be placed with.
    bool diskGeometry(int nDiskIndex, DiskGeometry* geometry);
    // A copy of the disk's pending list.
    PartitionList pendingList(int nDiskIndex);
    // The serial number in the volume's boot sector (or Ext superblock); 0 when it has none yet.
    uint64_t volumeSerialNumber(int nDiskIndex, const PartitionInfo& e);

    KBatchCommandExecutive m_executive;
    KVolumeManager m_volumeManager;
    KVirtualVolumeManager m_virtualManager;
    std::unique_ptr<Ui::MainFrameClass> ui;
    std::unique_ptr<IExecutiveInteraction> m_interaction;
    QTreeWidget* m_pendingTree = nullptr;
    KActionPanelGroup* m_wizardGroup = nullptr;
    KActionPanelGroup* m_operationGroup = nullptr;
    KActionPanelGroup* m_pendingGroup = nullptr;
    KDiskMapPartitionItemModel* m_listModel = nullptr;
    KDiskMapPartitionItemDelegate* m_listDelegate = nullptr;
    QNetworkAccessManager* m_updateClient = nullptr;
    QPointer<QNetworkReply> m_updateReply;
    bool m_bDisksLoaded = false;
    int m_nDiskIndex = -1;
    int m_nPartitionIndex = -1;
};
