// The partition explorer: browses the folders and files of a partition through its file system's
// directory reader, without mounting it. Folders are read when first opened; it only reads.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "fs/IFileSystemExplorer.h"

namespace Ui {
class KDriveExplorerDlg;
}
class QTreeWidgetItem;

class KDriveExplorerDlg : public QDialog {
    Q_OBJECT

public:
    // The reader is opened by the caller and stays the caller's.
    KDriveExplorerDlg(const QString& strDisplayName, IFileSystemExplorer* explorer, QWidget* parent = nullptr);
    ~KDriveExplorerDlg() override;

    // The texts a listed item shows.
    static QString TimeText(const uint32_t fileTime[2]);
    static QString SizeText(int64_t n64Bytes);

public slots:
    void onTreeItemExpanded(QTreeWidgetItem* item);
    void on_pushButton_clicked();

private:
    void fill(int32_t nDirectoryId, QTreeWidgetItem* parent);

    std::unique_ptr<Ui::KDriveExplorerDlg> ui;
    IFileSystemExplorer* m_explorer;
    // Every listing the reader gave, kept while the window lives.
    std::vector<std::vector<ExplorerEntry>> m_listings;
};
