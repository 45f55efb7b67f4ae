#include "Startup.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QSplashScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QLibraryInfo>
#include <QTranslator>
#include <chrono>
#include <thread>

#include "gui/mainframe/Artwork.h"
#include "platform/KExecutorInstall.h"
#include "platform/KMediaSettings.h"
#include "platform/KSingleInstance.h"

namespace Startup {

namespace {

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(Artwork::ApplicationIcon(size));
    return icon;
}

// The boot-time executor copied into the state directory; empty when the copy failed, in which case
// the executive falls back to the state directory's own path.
QString installExecutor(const QString& source)
{
    if (!KExecutorInstall::Install(source.toStdString()))
        return {};
    return QString::fromStdString(KExecutorInstall::InstalledPath());
}

// The splash stays up for its time without the event loop running, as the window is not live yet.
void waitForSplash(const QElapsedTimer& clock, int milliseconds)
{
    while (clock.elapsed() < milliseconds)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void showMainWindow(QMainWindow& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const WindowPlacement placement = PlaceMainWindow(screen ? screen->geometry() : QRect(0, 0, 1024, 768));
    window.resize(placement.size);
    window.move(placement.topLeft);
    if (placement.maximized)
        window.showMaximized();
    else
        window.show();
}

// With VOLMARA_SCREENSHOT set, the painted window, or the box in front of it, is saved there and the
// program goes on to its end: the event loop ends with 0 when the file was written, 1 when not; without
// a window the box is closed. The timer dies with `scope`.
void armScreenshot(QObject* scope, QMainWindow* window)
{
    const QString path = qEnvironmentVariable(kScreenshotVariable);
    if (path.isEmpty())
        return;
    QTimer::singleShot(kScreenshotDelayMilliseconds, scope, [window, path] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QWidget* shown = box ? static_cast<QWidget*>(box) : window;
        const bool saved = shown && shown->grab().save(path, "PNG");
        if (!saved)
            qWarning("volmara: cannot write the screenshot %s", qPrintable(path));
        if (window)
            QCoreApplication::exit(saved ? 0 : 1);
        else if (box)
            box->reject(); // exit() here would also end every event loop started later
    });
}

} // namespace

WindowPlacement PlaceMainWindow(const QRect& screen)
{
    WindowPlacement placement;
    placement.maximized = screen.width() < 1025;
    placement.size = placement.maximized ? QSize(800, 600) : QSize(1024, 768);
    placement.topLeft = screen.center() - QRect(QPoint(0, 0), placement.size).center();
    return placement;
}

bool SelectStyle(QApplication& app, const QString& name)
{
    if (!QStyleFactory::keys().contains(name, Qt::CaseInsensitive))
        return false;
    QStyle* style = QApplication::setStyle(name);
    if (!style)
        return false;
    app.setPalette(style->standardPalette());
    return true;
}

QStringList TranslationFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(program.filePath(QStringLiteral("../share/volmara/translations"))),
            QDir::cleanPath(program.filePath(QStringLiteral("../translations")))};
}

QTranslator* InstallTranslation(QCoreApplication& app, const QString& localeName, const QStringList& folders)
{
    const QString fileName = QStringLiteral("qz_") + localeName;
    auto translator = std::make_unique<QTranslator>(&app);
    QStringList places{QDir::currentPath()};
    places += folders;
    for (const QString& folder : places) {
        if (translator->load(fileName, folder)) {
            // Qt's own texts (the standard buttons' "Yes" and "No", the file dialog) in the same language,
            // from Qt's catalogue; without it they stay English.
            auto qtTexts = std::make_unique<QTranslator>(translator.get());
            if (qtTexts->load(QStringLiteral("qtbase_") + localeName, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                QCoreApplication::installTranslator(qtTexts.release());
            QCoreApplication::installTranslator(translator.get());
            return translator.release();
        }
    }
    return nullptr;
}

QString DefaultExecutorSource()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("volmara-cli"));
}

int RunProgram(QApplication& app, const MainWindowFactory& makeMainWindow, const Options& options)
{
    // No disk-access driver is needed here: it always counts as ready, so there is no driver failure
    // to report.
    SelectStyle(app, QString::fromLatin1(kPreferredStyle));
    QApplication::setWindowIcon(applicationIcon());

    auto instance = std::make_unique<KSingleInstance>();
    if (!instance->Acquire()) {
        QMessageBox::warning(nullptr, QCoreApplication::translate("Startup", "Error"),
                             QCoreApplication::translate("Startup", "Volmara has been launched."));
        return 0;
    }

    KMediaSettings media;
    media.SaveAndDisable();
    const QString executor =
        installExecutor(options.executorSource.isEmpty() ? DefaultExecutorSource() : options.executorSource);

    QTranslator* translator = InstallTranslation(
        app, QLocale::system().name(),
        options.translationFolders.isEmpty() ? TranslationFolders() : options.translationFolders);

    QSplashScreen splash(Artwork::SplashPicture());
    splash.show();
    QElapsedTimer splashClock;
    splashClock.start();
    QCoreApplication::processEvents(); // paints the splash once

    bool disksLoaded = false;
    std::unique_ptr<QMainWindow> window = makeMainWindow(executor, &disksLoaded);
    waitForSplash(splashClock, options.splashMilliseconds);

    int exitCode = 0;
    QObject screenshotScope;
    if (window && disksLoaded) {
        showMainWindow(*window);
        splash.finish(window.get());
        armScreenshot(&screenshotScope, window.get());
        exitCode = QApplication::exec();
    } else {
        splash.close();
        armScreenshot(&screenshotScope, nullptr);
        QMessageBox::critical(nullptr, QCoreApplication::translate("Startup", "Error"),
                              QCoreApplication::translate("Startup",
                                                          "<B>Volmara cannot find any disk in your computer.</B>"
                                                          "<BR><BR>Please make sure that you have administrator "
                                                          "privileges."));
    }

    window.reset();
    instance.reset();
    media.Restore();
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    return exitCode;
}

} // namespace Startup
