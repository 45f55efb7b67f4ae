// The executive's questions and reports answered with message boxes over the running apply window.
#pragma once

#include <QCoreApplication>

#include "execution/IExecutiveInteraction.h"

class KBatchCommandExecutive;
class QWidget;

class KMessageBoxInteraction : public IExecutiveInteraction {
    Q_DECLARE_TR_FUNCTIONS(KMessageBoxInteraction)
public:
    explicit KMessageBoxInteraction(KBatchCommandExecutive* executive) : m_executive(executive) {}

    // Restart Now, Retry or Cancel Operations; closing the box cancels.
    int AskVolumeInUse(const std::string& operation, const std::string& drive) override;
    void ShowCommandError(const std::string& line, const std::string& errorText) override;
    void ShowRebootFailed() override;

    // The executive's apply window while it runs, else null (a box of its own).
    QWidget* BoxParent() const;

private:
    KBatchCommandExecutive* m_executive;
};
