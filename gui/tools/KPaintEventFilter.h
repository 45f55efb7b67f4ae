// Installed on the surface test's grid widget: a paint event draws the grid image, a resize event lays
// the grid out again; both are consumed, every other event passes on.
#pragma once

#include <QObject>

class KSurfaceScanDlg;

class KPaintEventFilter : public QObject {
    Q_OBJECT

public:
    explicit KPaintEventFilter(KSurfaceScanDlg* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KSurfaceScanDlg* m_dialog;
};
