// Volmara's desktop program: the start-up sequence around the main window.
#include <QApplication>
#include <memory>

#include "app/ProgramOptions.h"
#include "app/Startup.h"
#include "execution/KBatchCommandExecutive.h"
#include "gui/mainframe/MainFrame.h"

int main(int argc, char** argv)
{
    // --help and --version answer before the application object, which needs a display.
    if (const int status = ProgramOptions::Answer(argc, argv, stdout); status >= 0)
        return status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Volmara"));
    return Startup::RunProgram(app, [](const QString& bootExecutor, bool* disksLoaded) {
        // The window loads the disks in its constructor and answers the executive's questions itself.
        auto frame = std::make_unique<MainFrame>();
        if (!bootExecutor.isEmpty())
            frame->Executive()->SetBootExecutor(bootExecutor.toStdString());
        *disksLoaded = frame->DisksLoaded();
        return std::unique_ptr<QMainWindow>(std::move(frame));
    });
}
