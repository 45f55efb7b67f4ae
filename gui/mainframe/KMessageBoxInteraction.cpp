#include "gui/mainframe/KMessageBoxInteraction.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "execution/KBatchCommandExecutive.h"

namespace {

// Operation names come from the execution texts in English; the catalogues translate them under
// this context.
constexpr const char* kOperationContext = "ExecutionTexts";

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

QWidget* KMessageBoxInteraction::BoxParent() const
{
    return m_executive ? qobject_cast<QWidget*>(m_executive->Dialog()) : nullptr;
}

int KMessageBoxInteraction::AskVolumeInUse(const std::string& operation, const std::string& drive)
{
    const QString name = QCoreApplication::translate(kOperationContext, operation.c_str());
    const QString text =
        tr("<B>Operation \"%1\" cannot be completed because drive %2 is being used now.</B><BR><BR>"
           "Please choose one of following options:<BR><BR>"
           "   A.) Restart your PC and Volmara will automatically finish rest of the pending jobs.<BR><BR>"
           "   B.) Close other programs and click \"Retry\" button to continue<BR><BR>"
           "   C.) Cancel the operations.<BR>")
            .arg(name, fromUtf8(drive));
    QMessageBox box(QMessageBox::Warning, tr("Error"), text, QMessageBox::NoButton, BoxParent());
    box.setWindowFlags(box.windowFlags() | Qt::MSWindowsFixedSizeDialogHint);
    QPushButton* restart = box.addButton(tr("Restart Now"), QMessageBox::ActionRole);
    QPushButton* retry = box.addButton(tr("Retry"), QMessageBox::ActionRole);
    QPushButton* cancel = box.addButton(tr("Cancel Operations"), QMessageBox::ActionRole);
    // Without an escape button a box of action buttons refuses to close; closing means cancelling.
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == restart)
        return kChoiceRestart;
    if (box.clickedButton() == retry)
        return kChoiceRetry;
    return kChoiceCancel;
}

void KMessageBoxInteraction::ShowCommandError(const std::string& line, const std::string& errorText)
{
    QMessageBox::critical(BoxParent(), tr("Error"),
                          tr("Failed to execute the following command:\n\n%1\n\n%2")
                              .arg(fromUtf8(line), fromUtf8(errorText)));
}

void KMessageBoxInteraction::ShowRebootFailed()
{
    QMessageBox::warning(BoxParent(), tr("Reboot"),
                         tr("Failed to reboot system, please reboot your computer manually."));
}
