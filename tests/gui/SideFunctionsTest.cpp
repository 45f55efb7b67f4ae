// The window's side functions: the disk-configuration export over the pending layout, the manual and
// web pages it opens, the about box and the version check's answer.
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "core/DiskExport.h"
#include "engine/DiskEngine.h"
#include "gui/mainframe/KAboutDlg.h"
#include "gui/mainframe/ProductHelp.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;

namespace {

const char* kTwoPartitions = "label: dos\nunit: sectors\n"
                             "start=2048, size=20480, type=83\n"
                             "start=22528, size=40960, type=7\n";
const char* kOnePartition = "label: dos\nunit: sectors\nstart=2048, size=16384, type=c\n";

// Takes the URLs the program hands to the desktop instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

// A web host that answers every request with one plain-text body.
class VersionHost {
public:
    explicit VersionHost(QByteArray body) : m_body(std::move(body))
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost));
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n"
                                  "Content-Length: " + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl Url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/checking-update/lastver.txt").arg(m_server.serverPort()));
    }
    QByteArray Request() const { return m_request; }

private:
    QByteArray m_body;
    QByteArray m_request;
    QTcpServer m_server;
};

// Runs the window's version check against `url` to its end; the boxes it showed are answered with
// `answers`.
std::vector<MessageBoxAnswer::Box> CheckVersion(MainFrame& f, const QUrl& url, const QStringList& answers)
{
    MessageBoxAnswer answer(answers);
    f.StartUpdateCheck(url);
    EXPECT_TRUE(f.UpdateCheckRunning());
    QElapsedTimer safety;
    safety.start();
    while (f.UpdateCheckRunning() && safety.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(f.UpdateCheckRunning()) << "the check never ended";
    return answer.Boxes();
}

std::string EntryLines(IVirtualVolumeManager& layout, int disk)
{
    std::string lines;
    for (int i = 0; i < layout.GetPartitionCount(disk); ++i) {
        PartitionInfo e{};
        layout.GetPartition(disk, i, &e);
        lines += FormatPartitionExportLine(e);
    }
    return lines;
}

} // namespace

TEST(SideFunctions, ExportWritesEveryDiskOfThePendingLayout)
{
    Window w({{64, kTwoPartitions}, {32, kOnePartition}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 2048);
    w.Action("action_Delete")->trigger();
    ASSERT_EQ(f.Executive()->GetCommandCount(), 1);

    const QString file = QString::fromStdString(w.dir.File("export.txt"));
    {
        DialogAnswer<QFileDialog> save([&](QFileDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Export disk configuration");
            EXPECT_EQ(d.nameFilters(), QStringList({"Text File (*.txt)"}));
            EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(d.defaultSuffix(), "txt");
            d.selectFile(file);
            static_cast<QDialog&>(d).accept();
        });
        MessageBoxAnswer none({});
        w.Action("actionExport_disk_configuration")->trigger();
        EXPECT_EQ(save.Seen(), 1);
        EXPECT_EQ(none.Count(), 0u) << none.Last().text.toStdString();
    }
    QFile exported(file);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const std::string text = exported.readAll().toStdString();

    char info[512] = {};
    ASSERT_EQ(GenerateSystemInformation(info, sizeof info), 1);
    ASSERT_EQ(text.rfind(std::string(info) + "\r\n", 0), 0u) << text;
    std::string body = text.substr(std::strlen(info) + 2);

    // Each disk: its line, an empty line, its entries as the pending layout has them, three empty lines.
    KVirtualVolumeManager& layout = *f.PendingLayout();
    for (int d = 0; d < 2; ++d) {
        const std::string head = "Disk " + std::to_string(d + 1) + ", Total Sectors: ";
        ASSERT_EQ(body.rfind(head, 0), 0u) << body;
        const size_t end = body.find("\r\n");
        EXPECT_NE(body.find(", Name: Image disk" + std::to_string(d) + ".img, GUID Partition Table: NO, "
                            "Dynamic Disk: NO, CHS:"),
                  std::string::npos);
        body.erase(0, end + 2);
        const std::string block = "\r\n" + EntryLines(layout, d) + "\r\n\r\n\r\n";
        ASSERT_EQ(body.rfind(block, 0), 0u) << "disk " << d + 1 << ":\n" << body;
        body.erase(0, block.size());
    }
    EXPECT_EQ(body, "");
    // CR LF once per line, never doubled, and no bare line feed.
    EXPECT_EQ(text.find("\r\r"), std::string::npos);
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        ASSERT_EQ(text[i - 1], '\r') << "bare line feed at " << i;

    // The deleted partition is gone from the export although it is still on the disk.
    PartitionInfo real{};
    for (int i = 0; i < f.VolumeManager()->GetPartitionCount(0); ++i)
        if (f.VolumeManager()->GetPartition(0, i, &real) && real.StartingLba == 2048 && real.PartitionTypeId)
            break;
    ASSERT_EQ(real.PartitionTypeId, 0x83);
    EXPECT_EQ(text.find(FormatPartitionExportLine(real)), std::string::npos) << text;
    EXPECT_NE(text.find("PartID:  7 Start:       22528"), std::string::npos) << "the other partition is missing";

    // A cancelled dialog writes nothing; a file that cannot be written is reported.
    ASSERT_TRUE(QFile::remove(file));
    {
        DialogAnswer<QFileDialog> cancel([](QFileDialog& d) { d.reject(); });
        w.Action("actionExport_disk_configuration")->trigger();
        EXPECT_EQ(cancel.Seen(), 1);
    }
    EXPECT_FALSE(QFileInfo::exists(file));
    {
        // A device that takes no data: the file opens, but the text cannot be written.
        DialogAnswer<QFileDialog> save([&](QFileDialog& d) {
            d.setOption(QFileDialog::DontConfirmOverwrite);
            d.setDefaultSuffix(QString()); // the device's own name, not "full.txt" beside it
            d.selectFile(QStringLiteral("/dev/full"));
            static_cast<QDialog&>(d).accept();
        });
        MessageBoxAnswer error({"OK"});
        w.Action("actionExport_disk_configuration")->trigger();
        ASSERT_EQ(error.Count(), 1u);
        EXPECT_EQ(error.Last().title, "Error");
        EXPECT_EQ(error.Last().text, "Failed to create file.");
        EXPECT_EQ(error.Last().icon, QMessageBox::Critical);
    }
}

TEST(SideFunctions, VersionReplies)
{
    const std::vector<std::pair<QByteArray, bool>> replies = {
        {"50001", true},  {" 60000\r\n", true}, {"50000", false},   {"49999", false}, {"", false},
        {"abc", false},   {"50001x", false},   {"-70000", false},  {"0x10000", false},
        {"99999999999999999999999", false},
    };
    for (const auto& [reply, newer] : replies)
        EXPECT_EQ(ProductHelp::IsNewerVersionReply(reply), newer) << reply.toStdString();
}

TEST(SideFunctions, VersionCheckAsksOnlyForANewerVersion)
{
    Window w({{32, kOnePartition}});
    MainFrame& f = *w.frame;
    EXPECT_FALSE(f.UpdateCheckRunning()) << "the tests' windows must not reach for the network";
    UrlCatcher browser;

    VersionHost newer("50001\n");
    const auto asked = CheckVersion(f, newer.Url(), {"Yes"});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(newer.Request().startsWith("GET /checking-update/lastver.txt HTTP/1.1\r\n")) << newer.Request().toStdString();
    EXPECT_EQ(asked[0].title, "Volmara");
    EXPECT_EQ(asked[0].text, "A new version has been detected. Do you want to download the new version?");
    EXPECT_EQ(asked[0].icon, QMessageBox::Information);
    EXPECT_EQ(asked[0].buttons, QStringList({"Yes", "No"}));
    EXPECT_EQ(browser.urls, QList<QUrl>({ProductHelp::PageUrl(ProductHelp::Page::Download)}));

    browser.urls.clear();
    EXPECT_EQ(CheckVersion(f, newer.Url(), {"No"}).size(), 1u);
    EXPECT_TRUE(browser.urls.isEmpty());

    for (const QByteArray& reply : {QByteArray("50000"), QByteArray("not a number"), QByteArray()}) {
        VersionHost same(reply);
        EXPECT_TRUE(CheckVersion(f, same.Url(), {}).empty()) << reply.toStdString();
    }
    // A host that is not there: the check ends without a word.
    QUrl gone;
    {
        VersionHost closed("60000");
        gone = closed.Url();
    }
    EXPECT_TRUE(CheckVersion(f, gone, {}).empty());
    EXPECT_TRUE(browser.urls.isEmpty());
}

TEST(SideFunctions, HelpOpensTheManualAndTheProductPages)
{
    Window w({{32, kOnePartition}});
    UrlCatcher browser;
    w.Action("actionContent")->trigger();
    ASSERT_EQ(browser.urls.size(), 1);
    const QString manual = browser.urls[0].toLocalFile();
    EXPECT_TRUE(manual.endsWith("/manual/index.html")) << manual.toStdString();
    QFile page(manual);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << manual.toStdString();
    const QByteArray html = page.readAll();
    EXPECT_TRUE(html.contains("<title>Volmara")) << "not the program's manual";
    // Every picture the manual shows is beside it.
    for (qsizetype at = html.indexOf("src=\""); at >= 0; at = html.indexOf("src=\"", at + 1)) {
        const QByteArray source = html.mid(at + 5, html.indexOf('"', at + 5) - at - 5);
        EXPECT_TRUE(QFileInfo::exists(QFileInfo(manual).dir().filePath(QString::fromUtf8(source)))) << source.toStdString();
    }
    EXPECT_TRUE(ProductHelp::ManualIndexPath(QStringLiteral("/nonexistent/bin")).isEmpty());

    browser.urls.clear();
    for (const char* action : {"actionFAQ", "actionDownload_Bootable_CD", "actionFeedback_Feature_Request"})
        w.Action(action)->trigger();
    EXPECT_EQ(browser.urls, QList<QUrl>({QUrl("https://volmara.example/faq.html"),
                                         QUrl("https://volmara.example/bootable-cd.html"),
                                         QUrl("https://volmara.example/contact.html")}));
    EXPECT_FALSE(w.Action("actionSet_Windows_Boot_Partition")->isVisible());
}

TEST(SideFunctions, AboutShowsNameVersionAndBuildDate)
{
    Window w({{32, kOnePartition}});
    int seen = 0;
    {
        DialogAnswer<KAboutDlg> about([&](KAboutDlg& d) {
            ++seen;
            EXPECT_EQ(DialogProbe::Child<QLabel>(d, "nameLabel")->text(), "Volmara");
            EXPECT_EQ(DialogProbe::Child<QLabel>(d, "versionLabel")->text(), "Version " + KAboutDlg::VersionText());
            EXPECT_TRUE(QDate::fromString(KAboutDlg::BuildDateText(), Qt::ISODate).isValid())
                << KAboutDlg::BuildDateText().toStdString();
            EXPECT_EQ(DialogProbe::Child<QLabel>(d, "buildDateLabel")->text(), "Built on " + KAboutDlg::BuildDateText());
            d.accept();
        });
        w.Action("action_About")->trigger();
    }
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(KAboutDlg::VersionText().count('.'), 2);
}

#include "SideFunctionsTest.moc"
