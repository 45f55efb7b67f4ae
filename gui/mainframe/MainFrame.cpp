#include "gui/mainframe/MainFrame.h"

#include "gui/common/ElidedToolTips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/mainframe/ActionIcons.h"
#include "gui/mainframe/Artwork.h"
#include "gui/views/KActionPanel.h"
#include "gui/mainframe/KApplyOperationsPendingDlg.h"
#include "gui/views/KDiskMap.h"
#include "gui/views/KDiskMapPartitionItemModel.h"
#include "gui/views/KLegendBar.h"
#include "gui/mainframe/KMessageBoxInteraction.h"
#include "engine/DiskEngine.h"
#include "commands/KCommandFactory.h"
#include "execution/ExecutionTexts.h"
#include "execution/KCommandRunner.h"
#include "core/FileSystemTypes.h"
#include "ui_MainFrame.h"

#ifndef VOLMARA_VERSION_TEXT
#define VOLMARA_VERSION_TEXT "0"
#endif

namespace {

constexpr QRgb kPanelColor = 0xFF688DCA;       // RGB(104, 141, 202)
constexpr int kDiskMapRowStep = 55;
constexpr int kUpdatingMilliseconds = 500;
constexpr int kUpdatingRange = 501;

bool isFat(int fs) { return fs == kFsFat12 || fs == kFsFat16 || fs == kFsFat32; }
bool isExt(int fs) { return fs == kFsExt2 || fs == kFsExt3; }

} // namespace

MainFrame::MainFrame(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainFrameClass>())
{
    m_interaction = std::make_unique<KMessageBoxInteraction>(&m_executive);
    m_executive.SetInteraction(m_interaction.get());
    ui->setupUi(this);
    ui->diskPartitionList->installEventFilter(this);
    SetActionIcons(findChildren<QAction*>());
    ui->mainToolBar->setIconSize(QSize(24, 24));
    ui->diskPartitionList->viewport()->installEventFilter(this);
    ElidedToolTips::Install(ui->diskPartitionList);
    // The window's shortcuts must reach their actions whichever child has the focus; see eventFilter.
    qApp->installEventFilter(this);

    // Plumbing that does not depend on the disks.
    connect(ui->action_Exit, &QAction::triggered, this, &QWidget::close);
    connect(ui->action_Top, &QAction::triggered, this, &MainFrame::setDiskMapLocation);
    connect(ui->action_Bottom, &QAction::triggered, this, &MainFrame::setDiskMapLocation);
    connect(ui->action_Tool_Bar, &QAction::toggled, ui->mainToolBar, &QWidget::setVisible);
    connect(ui->mainToolBar, &QToolBar::visibilityChanged, ui->action_Tool_Bar, &QAction::setChecked);
    connect(ui->actionLegend_Bar, &QAction::toggled, ui->legendBar, &QWidget::setVisible);
    connect(ui->action_Action_Panel, &QAction::toggled, ui->actionPanel, &QWidget::setVisible);
    connect(ui->diskPartitionList, &QAbstractItemView::doubleClicked, this, &MainFrame::onPartitionListDoubleClicked);

    QPalette panel = ui->actionPanel->palette();
    panel.setColor(QPalette::Window, QColor::fromRgb(kPanelColor));
    ui->actionPanel->setPalette(panel);
    ui->actionPanel->setAutoFillBackground(true);
    ui->actionPanelContents->setPalette(panel);
    ui->actionPanelContents->setAutoFillBackground(true);
    ui->splitter->setStretchFactor(0, 0);
    ui->splitter->setStretchFactor(1, 0);
    ui->splitter->setSizes({ui->actionPanel->minimumWidth(), 65535});
    ui->diskPartitionList->header()->setSectionsClickable(false);
    ui->diskPartitionList->header()->setSectionsMovable(false);

    if (m_volumeManager.Load(1, 1) <= 0 || m_volumeManager.GetDiskCount() <= 0) {
        m_bDisksLoaded = false;
        return;
    }
    m_bDisksLoaded = true;

    m_virtualManager.Load(&m_volumeManager);
    ui->diskMap->SetPendingLayout(&m_virtualManager);
    connect(ui->diskMap, &KDiskMap::diskMapItemSelected, this, &MainFrame::onDiskMapItemSelected);

    m_listDelegate = new KDiskMapPartitionItemDelegate(this, &m_virtualManager);
    m_listModel = new KDiskMapPartitionItemModel(this, &m_virtualManager);
    ui->diskPartitionList->setItemDelegate(m_listDelegate);
    ui->diskPartitionList->setModel(m_listModel);
    QHeaderView* header = ui->diskPartitionList->header();
    ui->diskPartitionList->resizeColumnToContents(KDiskMapPartitionItemModel::ColumnStatus);
    header->setSectionResizeMode(KDiskMapPartitionItemModel::ColumnStatus, QHeaderView::Interactive);
    header->setSectionResizeMode(KDiskMapPartitionItemModel::ColumnIndent, QHeaderView::ResizeToContents);
    connect(ui->diskPartitionList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainFrame::onPartitionListItemChanged);

    buildActionPanel();

    refreshGroupTitles();
    updateActionState(-1, -1);
    selectRow(0);
    setDiskMapLocation();

    ui->actionDonate->setVisible(false);
    setWindowTitle(tr("Volmara Free Edition %1").arg(QStringLiteral(VOLMARA_VERSION_TEXT)));
    StartUpdateCheck(UpdateCheckUrl());
    // The boot.ini tools work through the directory readers and stay visible; the boot-CD procedure does not
    // exist here.
    ui->actionSet_Windows_Boot_Partition->setVisible(false);
}

MainFrame::~MainFrame()
{
    qApp->removeEventFilter(this);
    // The views read the layout while they go; take them down before the models.
    ui->diskPartitionList->setModel(nullptr);
    ui->diskMap->SetPendingLayout(nullptr);
}

void MainFrame::buildActionPanel()
{
    auto* layout = new QVBoxLayout(ui->actionPanelContents);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    m_wizardGroup = new KActionPanelGroup(ui->actionPanelContents);
    m_wizardGroup->setObjectName(QStringLiteral("wizardGroup"));
    m_wizardGroup->addAction(ui->actionPartition_Copy_Wizard);
    m_wizardGroup->addAction(ui->actionCopy_Disk_Wizard);
    m_wizardGroup->addAction(ui->actionPartition_Recovery);
    layout->addWidget(m_wizardGroup);

    m_operationGroup = new KActionPanelGroup(ui->actionPanelContents);
    m_operationGroup->setObjectName(QStringLiteral("operationGroup"));
    for (QAction* action : {ui->action_Create, ui->action_Format, ui->action_Delete, ui->action_Move_Resize,
                            ui->actionMerge, ui->action_Copy_Partition, ui->action_Label,
                            ui->actionCheck_File_System, ui->action_Expoler, ui->action_Change_Drive_Letter,
                            ui->action_Convert_File_System, ui->actionSurface_Scan_2, ui->action_Wipe_Partition,
                            ui->action_Partition_Properties, ui->actionRebuild_MBR, ui->action_Initiate_to_MBR_Disk,
                            ui->actionInitiate_to_GPT, ui->action_Delete_All_Partitions,
                            ui->actionConvert_Dynamic_Disk_To_Basic_Disk, ui->action_Copy_Disk,
                            ui->actionSurface_Scan, ui->action_Recover_Lost_Deleted_Partitions,
                            ui->action_Wipe_Disk, ui->action_Disk_Properties})
        m_operationGroup->addAction(action);
    layout->addWidget(m_operationGroup);

    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && screen->geometry().height() < 768) {
        m_wizardGroup->hide();
        m_operationGroup->hide();
    }

    m_pendingGroup = new KActionPanelGroup(ui->actionPanelContents);
    m_pendingGroup->setObjectName(QStringLiteral("pendingGroup"));
    m_pendingTree = new QTreeWidget;
    m_pendingTree->setObjectName(QStringLiteral("pendingOperationsTree"));
    m_pendingTree->setHeaderHidden(true);
    m_pendingTree->setSelectionMode(QAbstractItemView::NoSelection);
    m_pendingTree->setFocusPolicy(Qt::NoFocus);
    QPalette treePalette = m_pendingTree->palette();
    treePalette.setColor(QPalette::Base, QColor::fromRgb(KActionPanelGroup::kBackground));
    m_pendingTree->setPalette(treePalette);
    ElidedToolTips::Install(m_pendingTree);
    m_pendingGroup->addWidget(m_pendingTree);

    auto* bar = new QWidget;
    bar->setObjectName(QStringLiteral("pendingButtonBar"));
    bar->setFixedHeight(40);
    QPalette barPalette = bar->palette();
    barPalette.setColor(QPalette::Window, QColor::fromRgb(kPanelColor));
    bar->setPalette(barPalette);
    bar->setAutoFillBackground(true);
    auto* buttons = new QHBoxLayout(bar);
    buttons->setContentsMargins(10, 10, 10, 10);
    buttons->setSpacing(20);
    const std::pair<const char*, QAction*> pairs[] = {{QT_TR_NOOP("Apply"), ui->actionApply_All_Changes},
                                                      {QT_TR_NOOP("Undo"), ui->actionUndo_Last_Changes}};
    for (const auto& [text, action] : pairs) {
        auto* button = new KActionButton(tr(text), bar);
        button->setObjectName(QStringLiteral("pendingButton") + QString::fromLatin1(text));
        button->setFixedHeight(25);
        button->setEnabled(action->isEnabled());
        connect(button, &KActionButton::onButtonClicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button, &KActionButton::onActionChanged);
        buttons->addWidget(button);
    }
    m_pendingGroup->addWidget(bar);
    layout->addWidget(m_pendingGroup);
    layout->addStretch(1);
}

void MainFrame::refreshGroupTitles()
{
    if (m_wizardGroup)
        m_wizardGroup->setTitle(tr("Wizards"));
    if (m_operationGroup)
        m_operationGroup->setTitle(tr("Operations"));
    if (m_pendingGroup)
        m_pendingGroup->setTitle(tr("%n Operations Pending", nullptr, m_executive.GetCommandCount()));
}

QString MainFrame::PendingItemText(int nLineNumber, const QString& strDescription)
{
    return QStringLiteral("%1. %2").arg(nLineNumber, 2).arg(strDescription);
}

QTreeWidgetItem* MainFrame::AddPendingItem(const QString& strDescription, QTreeWidgetItem* parent)
{
    const QString text = PendingItemText(m_executive.GetCommandCount() + 1, strDescription);
    QTreeWidgetItem* item = nullptr;
    if (parent) {
        item = new QTreeWidgetItem(parent, QStringList{text});
        parent->setExpanded(true);
    } else {
        item = new QTreeWidgetItem(m_pendingTree, QStringList{text});
    }
    refreshGroupTitles();
    return item;
}

bool MainFrame::rowToEntry(int nRow, int* nDiskIndex, int* nPartitionIndex)
{
    if (nRow < 0)
        return false;
    const int disks = m_virtualManager.GetDiskCount();
    int first = 0;
    for (int d = 0; d < disks; ++d) {
        const int rows = m_virtualManager.GetPartitionCount(d) + 1;
        if (nRow < first + rows) {
            *nDiskIndex = d;
            *nPartitionIndex = nRow - first - 1;
            return true;
        }
        first += rows;
    }
    return false;
}

int MainFrame::RowOf(int nDiskIndex, int nPartitionIndex)
{
    if (nDiskIndex < 0 || nDiskIndex >= m_virtualManager.GetDiskCount())
        return -1;
    int row = 0;
    for (int d = 0; d < nDiskIndex; ++d)
        row += m_virtualManager.GetPartitionCount(d) + 1;
    if (nPartitionIndex >= m_virtualManager.GetPartitionCount(nDiskIndex))
        return -1;
    return row + (nPartitionIndex < 0 ? 0 : nPartitionIndex + 1);
}

void MainFrame::selectRow(int nRow)
{
    if (!m_listModel)
        return;
    QItemSelectionModel* selection = ui->diskPartitionList->selectionModel();
    if (nRow < 0 || nRow >= m_listModel->rowCount()) {
        selection->clearSelection();
        return;
    }
    const QModelIndex index = m_listModel->index(nRow, 0);
    selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void MainFrame::onPartitionListItemChanged(const QItemSelection& selected, const QItemSelection&)
{
    const QModelIndexList indexes = selected.indexes();
    if (indexes.isEmpty())
        return;
    int disk = -1;
    int partition = -1;
    if (!rowToEntry(indexes.first().row(), &disk, &partition))
        return;
    ui->diskMap->verticalScrollBar()->setValue(disk * kDiskMapRowStep);
    updateActionState(disk, partition);
    ui->diskMap->SetSelection(disk, partition >= 0 ? partition : m_virtualManager.GetPartitionCount(disk));
}

void MainFrame::onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint)
{
    if (nSelectedItemIndex == -1) {
        ui->diskPartitionList->selectionModel()->clearSelection();
        return;
    }
    int row = 0;
    for (int d = 0; d < nDiskIndex; ++d)
        row += m_virtualManager.GetPartitionCount(d) + 1;
    const int entries = m_virtualManager.GetPartitionCount(nDiskIndex);
    int partition = -1;
    if (nSelectedItemIndex >= 0 && nSelectedItemIndex < entries) {
        row += nSelectedItemIndex + 1;
        partition = nSelectedItemIndex;
    }
    updateActionState(nDiskIndex, partition);

    QScrollBar* mapScroll = ui->diskMap->verticalScrollBar();
    const int keep = mapScroll->value();
    selectRow(row);
    if (m_listModel && row < m_listModel->rowCount())
        ui->diskPartitionList->scrollTo(m_listModel->index(row, 0));
    mapScroll->setValue(keep);

    if (bRightClick)
        showContextMenu(partition, QCursor::pos());
}

void MainFrame::onPartitionListDoubleClicked(const QModelIndex&)
{
    if (ui->action_Expoler->isEnabled())
        ui->action_Expoler->trigger();
}

QMenu* MainFrame::ContextMenuFor(int nPartitionIndex) const
{
    return nPartitionIndex < 0 ? ui->menu_Disk : ui->menu_Partition;
}

void MainFrame::showContextMenu(int nPartitionIndex, const QPoint& globalPos)
{
    ContextMenuFor(nPartitionIndex)->exec(globalPos);
}

bool MainFrame::windowShortcutFor(QObject* receiver, const QKeyEvent& key) const
{
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != this || qobject_cast<QLineEdit*>(widget) ||
        qobject_cast<QAbstractSpinBox*>(widget) || qobject_cast<QTextEdit*>(widget) ||
        qobject_cast<QPlainTextEdit*>(widget))
        return false;
    const QKeySequence pressed(key.keyCombination());
    const auto actions = findChildren<QAction*>();
    return std::any_of(actions.begin(), actions.end(), [&pressed](const QAction* action) {
        return action->isEnabled() && action->shortcut() == pressed;
    });
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // A focused item view claims keys such as Ctrl+A (select all) before any shortcut sees them; in this
    // window those keys belong to the pending-list actions (apply, undo, discard), so the claim is never
    // offered to the view and the shortcut fires.
    if (event->type() == QEvent::ShortcutOverride && windowShortcutFor(watched, *static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::ContextMenu &&
        (watched == ui->diskPartitionList || watched == ui->diskPartitionList->viewport())) {
        const QModelIndexList rows = ui->diskPartitionList->selectionModel()
                                         ? ui->diskPartitionList->selectionModel()->selectedRows()
                                         : QModelIndexList();
        int disk = -1;
        int partition = -1;
        if (!rows.isEmpty() && rowToEntry(rows.first().row(), &disk, &partition))
            showContextMenu(partition, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainFrame::setDiskMapLocation()
{
    QVBoxLayout* layout = ui->diskMapVerticalLayout;
    if (layout->indexOf(ui->diskMap) == 0) {
        layout->removeWidget(ui->diskMap);
        layout->addWidget(ui->diskMap);
        ui->action_Bottom->setChecked(true);
        ui->action_Top->setChecked(false);
    } else {
        layout->removeWidget(ui->diskPartitionList);
        layout->addWidget(ui->diskPartitionList);
        ui->action_Top->setChecked(true);
        ui->action_Bottom->setChecked(false);
    }
}

void MainFrame::RefreshViews()
{
    int row = -1;
    if (m_listModel) {
        const QModelIndexList rows = ui->diskPartitionList->selectionModel()->selectedRows();
        if (!rows.isEmpty())
            row = rows.first().row();
        // Nothing is selected while the model resets, so the selection handler sees only the new row.
        ui->diskPartitionList->selectionModel()->clearSelection();
        m_listModel->revert();
        const int count = m_listModel->rowCount();
        if (row >= count)
            row = count - 1;
    }
    refreshGroupTitles();
    ui->diskMap->RepaintAll();
    if (row >= 0) {
        selectRow(row);
        int disk = -1;
        int partition = -1;
        if (rowToEntry(row, &disk, &partition))
            updateActionState(disk, partition);
    } else {
        updateActionState(-1, -1);
    }
}

void MainFrame::updateActionState(int nDiskIndex, int nPartitionIndex)
{
    m_nDiskIndex = nDiskIndex;
    m_nPartitionIndex = nPartitionIndex;
    const int d = nDiskIndex;
    const int p = nPartitionIndex;

    // 1. Everything that depends on the selection starts disabled.
    for (QAction* action :
         {ui->actionRepair_Boot_ini, ui->action_Copy, ui->action_Copy_Disk, ui->action_Delete_All_Partitions,
          ui->actionRebuild_MBR, ui->action_Disk_Properties, ui->action_Initiate_to_MBR_Disk,
          ui->actionInitiate_to_GPT, ui->action_Move_Resize, ui->action_Copy_Partition, ui->action_Create,
          ui->action_Delete, ui->action_Expoler, ui->action_Format, ui->action_Label,
          ui->action_Partition_Properties, ui->action_Hide_Partition, ui->action_Unhide_Partition,
          ui->action_Set_Active, ui->action_Set_Inactive, ui->action_Change_Drive_Letter,
          ui->actionChange_Cluster_Size, ui->action_Convert_File_System, ui->actionCheck_File_System,
          ui->action_Recover_Lost_Deleted_Partitions, ui->actionPartition_Recovery,
          ui->actionPartition_Copy_Wizard, ui->actionCopy_Disk_Wizard, ui->action_Wipe_Disk,
          ui->action_Wipe_Partition, ui->action_Properties, ui->actionMake_Partition_Logical,
          ui->actionMake_Partition_Primary, ui->actionChange_Serial_Number, ui->actionChanage_Partition_Type_ID,
          ui->actionConvert_Dynamic_Disk_To_Basic_Disk, ui->actionSurface_Scan, ui->actionSurface_Scan_2,
          ui->actionSet_Windows_Boot_Partition, ui->actionMerge, ui->actionBoot_ini_Editor})
        action->setEnabled(false);

    // 2. The pending list.
    const bool pending = m_pendingTree && m_pendingTree->topLevelItemCount() > 0;
    ui->actionApply_All_Changes->setEnabled(pending);
    ui->actionUndo_Last_Changes->setEnabled(pending);
    ui->actionDiscard_All_Changes->setEnabled(pending);

    const bool validDisk = d >= 0 && d < m_virtualManager.GetDiskCount();

    // 3. A queued dynamic-disk conversion locks everything else until it is applied or undone.
    const int lines = m_executive.GetCommandCount();
    if (lines > 0 && m_executive.GetDirectWriteFlag(lines - 1)) {
        if (validDisk && m_virtualManager.IsDynamicDisk(d))
            ui->actionConvert_Dynamic_Disk_To_Basic_Disk->setEnabled(true);
        return;
    }

    // 4. The wizards choose their own targets.
    ui->actionPartition_Recovery->setEnabled(true);
    ui->actionPartition_Copy_Wizard->setEnabled(true);
    ui->actionCopy_Disk_Wizard->setEnabled(true);
    if (!validDisk)
        return;

    // 5. Disks the program cannot change.
    if (m_virtualManager.IsDynamicDisk(d)) {
        ui->actionConvert_Dynamic_Disk_To_Basic_Disk->setEnabled(true);
        return;
    }
    const bool gptDisk = m_virtualManager.IsGptDisk(d) != 0;
    const bool gptSupported = IsGptSupported() != 0;
    if (gptDisk && !gptSupported)
        return;
    TableErrorList tableErrors;
    m_volumeManager.GetTableErrors(d, &tableErrors);
    if (tableErrors.HasErrors())
        return;

    // 6.
    const int diskCount = m_virtualManager.GetDiskCount();
    ui->action_Properties->setEnabled(true);
    ui->action_Copy->setEnabled(diskCount > 1);

    const int entries = m_virtualManager.GetPartitionCount(d);

    // 7. The disk itself.
    if (p < 0) {
        ui->actionRepair_Boot_ini->setEnabled(true);
        ui->actionSurface_Scan->setEnabled(true);
        ui->action_Disk_Properties->setEnabled(true);
        ui->action_Wipe_Disk->setEnabled(true);
        ui->action_Recover_Lost_Deleted_Partitions->setEnabled(true);
        ui->action_Copy_Disk->setEnabled(diskCount > 1);
        ui->actionRebuild_MBR->setEnabled(!gptDisk);
        PartitionInfo first{};
        const bool single = entries == 1 && m_virtualManager.GetPartition(d, 0, &first) && first.PartitionTypeId == 0;
        if (!single) {
            ui->action_Delete_All_Partitions->setEnabled(true);
        } else if (gptSupported && !gptDisk) {
            ui->actionInitiate_to_GPT->setEnabled(true);
        } else if (gptDisk) {
            ui->action_Initiate_to_MBR_Disk->setEnabled(true);
        }
        return;
    }

    // 8. A partition or free area.
    ui->actionSurface_Scan_2->setEnabled(true);
    PartitionInfo e{};
    if (!m_virtualManager.GetPartition(d, p, &e))
        return;
    const int fs = e.FileSystemType;
    const bool allocated = e.PartitionTypeId != 0;
    const bool fat = isFat(fs);
    const bool ntfs = fs == kFsNtfs;
    const bool swap = fs == kFsLinuxSwap;
    const bool known = fat || ntfs || isExt(fs) || swap;
    const bool unformatted = fs == kFsNone && allocated;
    const bool busy = (e.EntryFlags & 0x0Bu) != 0;
    const bool flag2 = (e.EntryFlags & 0x04u) != 0;
    const bool lettered = e.DriveLetter != 0;

    const bool fatOrNtfs = fat || ntfs;
    ui->actionSet_Windows_Boot_Partition->setEnabled(fatOrNtfs);
    ui->actionChange_Cluster_Size->setEnabled(fatOrNtfs);
    ui->actionMerge->setEnabled(fatOrNtfs);
    ui->actionBoot_ini_Editor->setEnabled(fatOrNtfs);
    ui->actionChange_Serial_Number->setEnabled(fatOrNtfs);
    ui->actionChanage_Partition_Type_ID->setEnabled(allocated && !gptDisk);
    ui->action_Create->setEnabled(!allocated);
    ui->action_Delete->setEnabled(allocated);
    ui->action_Format->setEnabled(known || unformatted);
    ui->action_Label->setEnabled(known && !swap);
    ui->action_Move_Resize->setEnabled(known && !swap);
    ui->action_Expoler->setEnabled((fatOrNtfs || isExt(fs)) && !busy);
    ui->action_Copy_Partition->setEnabled(allocated && !unformatted);
    ui->action_Copy->setEnabled(allocated && !unformatted);
    ui->action_Partition_Properties->setEnabled(true);
    ui->action_Wipe_Partition->setEnabled(true);
    // Ext volumes get no letter here, yet e2fsck checks them like the others.
    ui->actionCheck_File_System->setEnabled(((fatOrNtfs && lettered) || isExt(fs)) && !busy && !flag2);
    ui->action_Convert_File_System->setEnabled(fat && lettered && !busy && !flag2);
    ui->action_Change_Drive_Letter->setEnabled((fatOrNtfs || unformatted) && !e.Hidden);
    ui->action_Hide_Partition->setEnabled(known && !swap && !e.Hidden);
    ui->action_Unhide_Partition->setEnabled(e.Hidden != 0);
    const bool mbrPrimary = e.IsGptEntry != 1 && e.IsPrimary;
    ui->action_Set_Active->setEnabled(mbrPrimary && !e.Active);
    ui->action_Set_Inactive->setEnabled(mbrPrimary && e.Active);

    if (allocated && !gptDisk) {
        int logical = 0;
        int primarySlots = 0;
        for (int i = 0; i < entries; ++i) {
            PartitionInfo other{};
            if (!m_virtualManager.GetPartition(d, i, &other) || other.PartitionTypeId == 0)
                continue;
            if (other.IsPrimary)
                ++primarySlots;
            else
                ++logical;
        }
        if (logical > 0)
            ++primarySlots; // the extended partition
        auto isLogical = [&](int i) {
            PartitionInfo other{};
            return i >= 0 && i < entries && m_virtualManager.GetPartition(d, i, &other) &&
                   other.PartitionTypeId != 0 && !other.IsPrimary;
        };
        const bool previousLogical = isLogical(p - 1);
        const bool nextLogical = isLogical(p + 1);
        if (e.IsPrimary) {
            ui->actionMake_Partition_Logical->setEnabled(e.StartingLba >= 126 &&
                                                         (logical == 0 || nextLogical || previousLogical));
        } else {
            ui->actionMake_Partition_Primary->setEnabled(
                (primarySlots + 1 <= 4 || (primarySlots == 4 && logical == 1)) && !(nextLogical && previousLogical));
        }
    }

    if (e.SystemVolume) {
        for (QAction* action : {ui->action_Hide_Partition, ui->action_Unhide_Partition, ui->action_Set_Active,
                                ui->action_Set_Inactive, ui->action_Change_Drive_Letter})
            action->setEnabled(false);
    }
}

void MainFrame::undoLastOperation()
{
    const int top = m_pendingTree->topLevelItemCount();
    if (top == 0)
        return;
    QTreeWidgetItem* item = m_pendingTree->takeTopLevelItem(top - 1);
    const int n = item->childCount() > 0 ? item->childCount() : 1;
    int lines = n;
    for (int c = 0; c < item->childCount(); ++c)
        if (item->child(c)->data(0, kLinelessItemRole).toBool())
            --lines;
    for (int i = 0; i < n; ++i) {
        if (i < lines)
            m_executive.RemoveCommand(m_executive.GetCommandCount() - 1);
        m_virtualManager.Undo(-1);
    }
    delete item;
    refreshGroupTitles();
    RefreshViews();
}

void MainFrame::on_actionUndo_Last_Changes_triggered()
{
    undoLastOperation();
}

void MainFrame::on_actionDiscard_All_Changes_triggered()
{
    const auto answer = QMessageBox::warning(
        this, tr("Discard Changes?"),
        tr("<B>Discard all pending changes?</B><br><br>The changes you have made will be lost."),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    m_executive.ClearCommands();
    m_virtualManager.Reload();
    m_pendingTree->clear();
    RefreshViews();
}

void MainFrame::on_actionApply_All_Changes_triggered()
{
    const auto answer = QMessageBox::information(
        this, tr("Apply Changes?"),
        tr("Apply pending changes?<BR><BR><B>We strongly recommend you close all other applications before you "
           "apply the pending changes.</B>"),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    int result = kRunOk;
    {
        KApplyOperationsPendingDlg dialog(&m_volumeManager, &m_executive, this);
        result = dialog.RunResult();
    }
    if (result == kRunRestarting)
        return; // the machine restarts and the application is quitting
    const auto failedLines = m_executive.FailedLines();

    QProgressDialog progress(this);
    progress.setWindowTitle(tr("Updating"));
    progress.setLabelText(tr("Updating partition information, please wait..."));
    progress.setWindowModality(Qt::WindowModal);
    progress.setModal(true);
    progress.setCancelButton(nullptr);
    progress.setRange(0, kUpdatingRange);
    progress.setMinimumDuration(0);
    progress.show();
    progress.setFixedSize(progress.size());
    {
        // The bar moves every 20 ms; in between the thread sleeps in the event loop.
        QElapsedTimer elapsed;
        elapsed.start();
        QEventLoop waiting;
        QTimer tick;
        connect(&tick, &QTimer::timeout, &waiting, [&] {
            progress.setValue(int(std::min<qint64>(elapsed.elapsed(), kUpdatingMilliseconds)));
            if (elapsed.elapsed() >= kUpdatingMilliseconds)
                waiting.quit();
        });
        tick.start(20);
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    }

    setEnabled(false);
    reloadAfterApply();
    setEnabled(true);
    progress.setValue(kUpdatingRange);
    progress.close();

    // A run that went on past lines that did not do their work is no success: they are listed instead.
    QString failures;
    for (const auto& failed : failedLines) {
        const std::unique_ptr<ICommand> command = CreateCommand(failed.Line.c_str());
        CommandSummary summary{};
        const int kind = command && command->Parse(&m_volumeManager, failed.Line.c_str()) &&
                                 command->GetSummary(&summary)
                             ? summary.CommandKind
                             : 0;
        const QString name = kind ? QCoreApplication::translate("ExecutionTexts", OperationName(kind))
                                  : QString::fromUtf8(failed.Line.c_str()).toHtmlEscaped();
        failures += tr("<B>%1. %2</B><BR>%3<BR>").arg(failed.Index + 1).arg(name, QCoreApplication::translate(
            "ExecutionTexts", FailureReason(failed.Result, failed.ErrorCode).c_str()).toHtmlEscaped());
    }
    if (result == kRunOk && failures.isEmpty()) {
        QMessageBox::information(this, tr("Successful"), tr("Apply all the pending changes successfully."));
    } else if (result == kRunOk) {
        QMessageBox::warning(this, tr("Failed"),
                             tr("These pending changes could not be applied:<BR><BR>%1").arg(failures));
    } else if (result != kRunCancelled) {
        QString text = tr("Failed to apply one of the pending changes. Operations abort.");
        if (failedLines.size() > 1)
            text += QStringLiteral("<BR><BR>") + failures;
        QMessageBox::warning(this, tr("Failed"), text);
    }
}

void MainFrame::reloadAfterApply()
{
    m_volumeManager.Load(1, 1);
    m_executive.ClearCommands();
    m_pendingTree->clear();
    ui->diskPartitionList->selectionModel()->clearSelection();
    m_virtualManager.Load(&m_volumeManager);
    ui->diskMap->SetPendingLayout(&m_virtualManager);
    RefreshViews();
}

bool MainFrame::GuardOverlap(int nDiskIndex)
{
    const int entries = m_virtualManager.GetPartitionCount(nDiskIndex);
    int64_t lastSector = -1;
    bool overlap = false;
    for (int i = 0; i < entries && !overlap; ++i) {
        PartitionInfo e{};
        if (!m_virtualManager.GetPartition(nDiskIndex, i, &e))
            continue;
        if (e.StartingLba <= lastSector)
            overlap = true;
        lastSector = e.EndLba();
    }
    if (!overlap)
        return false;
    QMessageBox box(this);
    box.setIconPixmap(Artwork::BugIcon(48));
    box.setWindowTitle(tr("BUG!"));
    box.setText(tr("The last operation will create a overlapping partition. It's a bug of Volmara. And your last "
                   "operating will be canceled.<BR><BR>Please send the steps that led to it to "
                   "support@volmara.example so that we can fix it. Thank you!"));
    box.exec();
    undoLastOperation();
    return true;
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    if (m_executive.GetCommandCount() == 0) {
        event->accept();
        return;
    }
    const auto answer = QMessageBox::warning(
        this, tr("Quit?"),
        tr("<B>Quit the program?</B><BR><BR><BR>You are about to quit the program and <B>cancel all pending "
           "operations</B>.<BR>The changes you have made will be lost."),
        QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}
