#include "gui/mainframe/ProductHelp.h"

#include <QDir>
#include <QFileInfo>

namespace ProductHelp {

namespace {
constexpr char kSite[] = "https://volmara.example/";
} // namespace

QUrl PageUrl(Page page)
{
    const char* path = "";
    switch (page) {
    case Page::Faq: path = "faq.html"; break;
    case Page::BootableCd: path = "bootable-cd.html"; break;
    case Page::Contact: path = "contact.html"; break;
    case Page::Download: path = "download.html"; break;
    }
    return QUrl(QString::fromLatin1(kSite) + QString::fromLatin1(path));
}

QUrl LastVersionUrl()
{
    // The published number is a plain file on the web host's port 80.
    return QUrl(QStringLiteral("http://volmara.example/checking-update/lastver.txt"));
}

bool IsNewerVersionReply(const QByteArray& reply)
{
    bool number = false;
    const qint64 version = reply.trimmed().toLongLong(&number, 10);
    return number && version > kRunningVersion;
}

QStringList ManualCandidates(const QString& strProgramDir)
{
    const QDir program(strProgramDir);
    return {QDir::cleanPath(program.filePath(QStringLiteral("../share/doc/volmara/manual/index.html"))),
            QDir::cleanPath(program.filePath(QStringLiteral("../manual/index.html")))};
}

QString ManualIndexPath(const QString& strProgramDir)
{
    for (const QString& candidate : ManualCandidates(strProgramDir))
        if (QFileInfo(candidate).isFile())
            return candidate;
    return {};
}

} // namespace ProductHelp
