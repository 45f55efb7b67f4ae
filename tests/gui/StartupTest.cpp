// Start-up and shut-down around a stand-in main window: the second start, a normal run, a run without
// disks, the screenshot mode, window placement, translation loading and the style choice. The lock
// file, the state directory and the desktop's media settings (a stand-in gsettings that logs its
// calls) all live in a temporary folder.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QSplashScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "MessageBoxAnswer.h"
#include "app/Startup.h"
#include "platform/KSingleInstance.h"
#include "support/TestSupport.h"

using TestSupport::TempDir;

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

std::string readAll(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

QApplication& application()
{
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

bool visibleSplash()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QSplashScreen*>(w) && w->isVisible())
            return true;
    return false;
}

// A main window that counts how often it was shown and says when it dies.
class StandInWindow : public QMainWindow {
public:
    StandInWindow(int* shows, bool* destroyed) : m_shows(shows), m_destroyed(destroyed) {}
    ~StandInWindow() override { *m_destroyed = true; }

protected:
    void showEvent(QShowEvent* event) override
    {
        ++*m_shows;
        QMainWindow::showEvent(event);
    }

private:
    int* m_shows;
    bool* m_destroyed;
};

const char* kMediaOn = "automount true\nautomount-open true\nautorun-never false\n";
const char* kMediaOff = "automount false\nautomount-open false\nautorun-never true\n";

class StartupRun : public ::testing::Test {
protected:
    StartupRun()
        : runtime("XDG_RUNTIME_DIR", dir.Path()), state("VOLMARA_STATE_DIR", dir.File("state")),
          path("PATH", dir.Path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "")),
          noScreenshot("VOLMARA_SCREENSHOT", "")
    {
        // A gsettings that keeps the media-handling values in a file and logs every call.
        std::ofstream(dir.File("store")) << kMediaOn;
        std::ofstream script(dir.File("gsettings"));
        script << "#!/bin/sh\nstore=" << dir.File("store") << "\n"
               << "echo \"$*\" >> " << dir.File("gsettings.log") << "\n"
               << "case \"$1\" in\n"
               << "get) awk -v k=\"$3\" '$1==k {print $2}' \"$store\" ;;\n"
               << "set) awk -v k=\"$3\" -v v=\"$4\" '$1==k {$2=v} {print}' \"$store\" > \"$store.new\" && "
                  "mv \"$store.new\" \"$store\" ;;\n"
               << "esac\n";
        script.close();
        ::chmod(dir.File("gsettings").c_str(), 0755);

        std::ofstream(dir.File("executor")) << "#!/bin/sh\nexit 0\n";
        options.splashMilliseconds = 200;
        options.executorSource = QString::fromStdString(dir.File("executor"));
        options.translationFolders = {QString::fromStdString(dir.File("no-translations"))};
    }

    bool lockFree() const
    {
        KSingleInstance probe;
        return probe.Acquire();
    }

    TempDir dir;
    ScopedEnv runtime, state, path, noScreenshot;
    Startup::Options options;
};

} // namespace

TEST_F(StartupRun, SecondStartShowsTheMessageAndTouchesNothing)
{
    KSingleInstance first;
    ASSERT_TRUE(first.Acquire());
    int factoryCalls = 0;
    MessageBoxAnswer answer({QStringLiteral("OK")});
    const int code = Startup::RunProgram(application(), [&factoryCalls](const QString&, bool*) {
        ++factoryCalls;
        return std::unique_ptr<QMainWindow>();
    }, options);

    EXPECT_EQ(code, 0);
    EXPECT_EQ(factoryCalls, 0);
    ASSERT_EQ(answer.Count(), 1u);
    const MessageBoxAnswer::Box box = answer.Last();
    EXPECT_TRUE(box.answered);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.text, QStringLiteral("Volmara has been launched."));
    EXPECT_EQ(box.parent, nullptr);
    EXPECT_EQ(box.buttons, QStringList{QStringLiteral("OK")});

    EXPECT_EQ(readAll(dir.File("gsettings.log")), "") << "the media settings were not asked for";
    EXPECT_EQ(readAll(dir.File("store")), kMediaOn);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.File("state/volmara-cli"))));
    EXPECT_FALSE(visibleSplash());
}

TEST_F(StartupRun, NormalRunPreparesShowsAndRestores)
{
    int shows = 0;
    bool destroyed = false;
    QString executorSeen;
    std::string mediaDuringRun;
    bool splashDuringFactory = false, lockHeld = false;
    bool placedVisible = false, placedMaximized = false, splashAfterShow = true;
    QElapsedTimer clock;
    clock.start();

    const int code = Startup::RunProgram(application(), [&](const QString& executor, bool* disksLoaded) {
        executorSeen = executor;
        mediaDuringRun = readAll(dir.File("store"));
        splashDuringFactory = visibleSplash();
        lockHeld = !lockFree();
        auto window = std::make_unique<StandInWindow>(&shows, &destroyed);
        // Ends the event loop once it runs; asked again until it does, as exit() before exec() is lost.
        auto* stopper = new QTimer(window.get());
        QMainWindow* w = window.get();
        QObject::connect(stopper, &QTimer::timeout, [&, w] {
            placedVisible = w->isVisible();
            placedMaximized = w->isMaximized();
            splashAfterShow = visibleSplash();
            QCoreApplication::exit(7);
        });
        stopper->start(50);
        *disksLoaded = true;
        return window;
    }, options);

    EXPECT_EQ(code, 7) << "the event loop's result";
    EXPECT_GE(clock.elapsed(), options.splashMilliseconds);
    EXPECT_TRUE(splashDuringFactory);
    EXPECT_TRUE(lockHeld);
    EXPECT_EQ(mediaDuringRun, kMediaOff) << "media handling is off before the window loads the disks";
    EXPECT_EQ(executorSeen, QString::fromStdString(dir.File("state/volmara-cli")));
    EXPECT_EQ(::access(dir.File("state/volmara-cli").c_str(), X_OK), 0);
    EXPECT_EQ(readAll(dir.File("state/volmara-cli")), readAll(dir.File("executor")));

    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(placedVisible);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(placedMaximized, screen.width() < 1025) << screen.width();
    EXPECT_FALSE(splashAfterShow);
    EXPECT_TRUE(destroyed);

    EXPECT_TRUE(lockFree()) << "the lock is released at exit";
    EXPECT_EQ(readAll(dir.File("store")), kMediaOn);
    const QList<QSize> iconSizes = QApplication::windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(256, 256)));
}

TEST_F(StartupRun, NoDiskIsReportedAndCleanedUp)
{
    int shows = 0;
    bool destroyed = false;
    QString executorSeen = QStringLiteral("unset");
    options.executorSource = QString::fromStdString(dir.File("missing-executor"));
    MessageBoxAnswer answer({QStringLiteral("OK")});
    const int code = Startup::RunProgram(application(), [&](const QString& executor, bool* disksLoaded) {
        executorSeen = executor;
        *disksLoaded = false;
        return std::make_unique<StandInWindow>(&shows, &destroyed);
    }, options);

    EXPECT_EQ(code, 0);
    ASSERT_EQ(answer.Count(), 1u);
    const MessageBoxAnswer::Box box = answer.Last();
    EXPECT_TRUE(box.answered);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.text, QStringLiteral("<B>Volmara cannot find any disk in your computer.</B><BR><BR>"
                                       "Please make sure that you have administrator privileges."));
    EXPECT_EQ(box.parent, nullptr);
    EXPECT_EQ(shows, 0) << "the window is never shown";
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(executorSeen.isEmpty()) << "no executor to install: " << executorSeen.toStdString();
    EXPECT_FALSE(visibleSplash());
    EXPECT_TRUE(lockFree());
    EXPECT_EQ(readAll(dir.File("store")), kMediaOn);
    EXPECT_NE(readAll(dir.File("gsettings.log")).find("set org.gnome.desktop.media-handling automount true"),
              std::string::npos);
}

TEST_F(StartupRun, ScreenshotModeSavesThePaintedWindowAndEnds)
{
    const std::string shot = dir.File("shot.png");
    ScopedEnv screenshot("VOLMARA_SCREENSHOT", shot);
    const QColor paint(12, 200, 40);
    QSize windowSize;
    const int code = Startup::RunProgram(application(), [&](const QString&, bool* disksLoaded) {
        auto window = std::make_unique<QMainWindow>();
        auto* centre = new QLabel(QStringLiteral("disks"));
        centre->setAutoFillBackground(true);
        QPalette palette = centre->palette();
        palette.setColor(QPalette::Window, paint);
        centre->setPalette(palette);
        window->setCentralWidget(centre);
        QMainWindow* w = window.get();
        QTimer::singleShot(Startup::kScreenshotDelayMilliseconds - 200, w, [&windowSize, w] { windowSize = w->size(); });
        *disksLoaded = true;
        return window;
    }, options);

    EXPECT_EQ(code, 0);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(shot), "PNG")) << shot;
    EXPECT_EQ(image.size(), windowSize);
    EXPECT_EQ(QColor(image.pixel(image.width() / 4, image.height() / 2)), paint);
}

TEST_F(StartupRun, ScreenshotThatCannotBeWrittenEndsWithOne)
{
    ScopedEnv screenshot("VOLMARA_SCREENSHOT", dir.File("no-such-folder/shot.png"));
    const int code = Startup::RunProgram(application(), [](const QString&, bool* disksLoaded) {
        *disksLoaded = true;
        return std::make_unique<QMainWindow>();
    }, options);
    EXPECT_EQ(code, 1);
}

// Without disks the message box is what the screenshot shows, and it ends the program too.
TEST_F(StartupRun, ScreenshotModeWithoutDisksSavesTheBox)
{
    const std::string shot = dir.File("shot.png");
    ScopedEnv screenshot("VOLMARA_SCREENSHOT", shot);
    const int code = Startup::RunProgram(application(), [](const QString&, bool* disksLoaded) {
        *disksLoaded = false;
        return std::make_unique<QMainWindow>();
    }, options);
    EXPECT_EQ(code, 0);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(shot), "PNG")) << shot;
    EXPECT_LT(image.width(), 700) << "a message box, not the main window";
    EXPECT_GT(image.width(), 100);
    EXPECT_TRUE(lockFree());
}

TEST(StartupPlacement, SmallScreensGetAMaximisedWindow)
{
    const auto exact = Startup::PlaceMainWindow(QRect(0, 0, 1024, 768));
    EXPECT_TRUE(exact.maximized);
    EXPECT_EQ(exact.size, QSize(800, 600));
    EXPECT_EQ(exact.topLeft, QPoint(112, 84));

    const auto wider = Startup::PlaceMainWindow(QRect(0, 0, 1025, 768));
    EXPECT_FALSE(wider.maximized);
    EXPECT_EQ(wider.size, QSize(1024, 768));
    EXPECT_EQ(wider.topLeft, QPoint(1, 0));

    const auto second = Startup::PlaceMainWindow(QRect(1920, 0, 1920, 1080));
    EXPECT_FALSE(second.maximized);
    EXPECT_EQ(second.topLeft, QPoint(2368, 156)) << "centred on that screen";

    const auto tiny = Startup::PlaceMainWindow(QRect(0, 0, 640, 480));
    EXPECT_TRUE(tiny.maximized);
    EXPECT_EQ(tiny.topLeft, QPoint(-80, -60));
}

namespace {

class StartupTranslation : public ::testing::Test {
protected:
    void SetUp() override { oldCurrent = QDir::currentPath(); }
    void TearDown() override
    {
        QDir::setCurrent(oldCurrent);
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    static QString german() { return QStringLiteral(VOLMARA_QM_DIR "/qz_de.qm"); }
    static QString gptDisk() { return QCoreApplication::translate("KDiskMapItem", "GPT Disk"); }

    QString oldCurrent;
    QTranslator* translator = nullptr;
};

} // namespace

TEST_F(StartupTranslation, WorkingDirectoryComesFirst)
{
    TempDir work;
    ASSERT_TRUE(QFile::copy(german(), QString::fromStdString(work.File("qz_de.qm"))));
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(work.Path())));
    translator = Startup::InstallTranslation(application(), QStringLiteral("de_DE"), {QStringLiteral(VOLMARA_QM_DIR)});
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(translator->parent(), &application());
    EXPECT_TRUE(translator->filePath().startsWith(QString::fromStdString(work.Path()))) << translator->filePath().toStdString();
    EXPECT_EQ(gptDisk(), QString::fromUtf8("GPT-Datenträger")) << "installed";
}

TEST_F(StartupTranslation, ThenTheTranslationsFolders)
{
    TempDir work;
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(work.Path())));
    translator = Startup::InstallTranslation(application(), QStringLiteral("de_DE"),
                                             {QString::fromStdString(work.File("absent")), QStringLiteral(VOLMARA_QM_DIR)});
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(QFileInfo(translator->filePath()).absolutePath(), QFileInfo(german()).absolutePath());
    EXPECT_EQ(gptDisk(), QString::fromUtf8("GPT-Datenträger"));
    // Qt's own buttons follow: a German window with English "Yes"/"No" boxes reads as broken.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Nein"));
}

TEST_F(StartupTranslation, MissingCatalogueLeavesEnglish)
{
    TempDir work;
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(work.Path())));
    const auto before = application().findChildren<QTranslator*>().size();
    translator = Startup::InstallTranslation(application(), QStringLiteral("xx_YY"), {QStringLiteral(VOLMARA_QM_DIR)});
    EXPECT_EQ(translator, nullptr);
    EXPECT_EQ(application().findChildren<QTranslator*>().size(), before) << "no translator left behind";
    EXPECT_EQ(gptDisk(), QStringLiteral("GPT Disk"));
}

TEST(StartupStyle, OnlyAnExistingStyleIsSelected)
{
    QApplication& app = application();
    QStyle* const current = QApplication::style();
    const QString currentName = current->name();
    EXPECT_FALSE(Startup::SelectStyle(app, QStringLiteral("no-such-style")));
    EXPECT_EQ(QApplication::style(), current) << "the default is kept";

    QString other;
    for (const QString& key : QStyleFactory::keys())
        if (key.compare(currentName, Qt::CaseInsensitive) != 0)
            other = key;
    if (other.isEmpty())
        GTEST_SKIP() << "only one style is available here";
    const QPalette oldPalette = QApplication::palette();
    ASSERT_TRUE(Startup::SelectStyle(app, other));
    EXPECT_EQ(QApplication::style()->name().compare(other, Qt::CaseInsensitive), 0);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              QApplication::style()->standardPalette().color(QPalette::Window));
    QApplication::setStyle(currentName);
    QApplication::setPalette(oldPalette);
}
