// Where the program's help lives: the manual installed with it, the product's web pages, and the rule
// that reads the version check's answer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace ProductHelp {

// The version this build counts as when it compares with the published one.
inline constexpr qint64 kRunningVersion = 50000;

enum class Page { Faq, BootableCd, Contact, Download };
QUrl PageUrl(Page page);
// The plain-text file that holds the number of the latest published version.
QUrl LastVersionUrl();

// True when the answer names a version newer than this one. The answer is a decimal number (blanks and
// a line end around it are allowed); anything else counts as 0.
bool IsNewerVersionReply(const QByteArray& reply);

// The places the manual's first page is looked for, in order: installed beside the program
// (bin/../share/doc/volmara/manual) and in the build tree (the build folder's manual/).
QStringList ManualCandidates(const QString& strProgramDir);
// The first of them that exists; empty when there is none.
QString ManualIndexPath(const QString& strProgramDir);

} // namespace ProductHelp
