// The program's start-up and shut-down around the main window, in a fixed order: style, window icon,
// single instance, environment preparation, translation, splash, main window, splash time, window
// placement, event loop, then clean-up. The main window comes from a factory, so this code knows
// nothing of the window class.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QApplication;
class QCoreApplication;
class QMainWindow;
class QTranslator;

namespace Startup {

// How long the splash stays up at least, from its appearance to the main window.
inline constexpr int kSplashMilliseconds = 3000;
// The style picked when the platform offers it.
inline constexpr const char* kPreferredStyle = "windowsxp";
// Names a file: once the window has painted, it is saved there and the program ends (demo, docs).
inline constexpr const char* kScreenshotVariable = "VOLMARA_SCREENSHOT";
inline constexpr int kScreenshotDelayMilliseconds = 1500;

struct Options {
    int splashMilliseconds = kSplashMilliseconds;
    // The boot-time executor to install; empty: volmara-cli in the program's folder.
    QString executorSource;
    // Where translations are looked for after the working directory; empty: TranslationFolders().
    QStringList translationFolders;
};

// Makes the main window once the environment is prepared and the splash is up. `bootExecutor` is the
// installed boot-time executor (empty when it could not be installed); the window sets *disksLoaded
// to whether it found at least one disk.
using MainWindowFactory =
    std::function<std::unique_ptr<QMainWindow>(const QString& bootExecutor, bool* disksLoaded)>;

// Runs the whole program on an application object made by the caller; the program's exit code.
int RunProgram(QApplication& app, const MainWindowFactory& makeMainWindow, const Options& options = {});

// Where the main window goes on a screen: small screens get 800 x 600 maximised, others
// 1024 x 768 shown normally, centred either way.
struct WindowPlacement {
    QSize size;
    QPoint topLeft;
    bool maximized = false;
};
WindowPlacement PlaceMainWindow(const QRect& screen);

// Selects the named style and its palette when the platform has it; false (nothing changed) otherwise.
bool SelectStyle(QApplication& app, const QString& name);

// Loads "qz_<localeName>" from the working directory, else from the folders in order, into a
// translator owned by the application and installs it. Null (nothing installed) when none loads.
QTranslator* InstallTranslation(QCoreApplication& app, const QString& localeName, const QStringList& folders);
// The installed translations folder and the build tree's, relative to the program's folder.
QStringList TranslationFolders();

// volmara-cli in the program's folder.
QString DefaultExecutorSource();

} // namespace Startup
