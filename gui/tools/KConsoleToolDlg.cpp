#include "KConsoleToolDlg.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>

#include "platform/KVolumeNode.h"

namespace {

// The question rules look back a few lines at most.
constexpr size_t kKeptLines = 64;

QString toQString(const std::string& s)
{
    return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}

} // namespace

KConsoleToolDlg::KConsoleToolDlg(QWidget* parent) : QDialog(parent), m_decoder(QStringDecoder::System) {}

KConsoleToolDlg::~KConsoleToolDlg()
{
    if (m_process) {
        // The program must not outlive its window, nor the device made for it.
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(5000);
        delete m_process;
        m_process = nullptr;
    }
    m_node.reset();
}

void KConsoleToolDlg::setConsoleWidgets(QListWidget* console, QPushButton* start, QPushButton* cancel, QList<QWidget*> options)
{
    m_console = console;
    m_startButton = start;
    m_cancelButton = cancel;
    m_options = std::move(options);
}

void KConsoleToolDlg::runProgram(const KConsolePrograms::Command& command, bool bCancellable, std::unique_ptr<KVolumeNode> node)
{
    if (m_process)
        return;
    m_bAbort = false;
    m_bEndPending = false;
    m_console->clear();
    m_strCurrent.clear();
    m_bReturn = false;
    m_finished.clear();
    m_n64FinishedCount = 0;
    m_n64AskedLine = -1;
    m_decoder = QStringDecoder(QStringDecoder::System);
    m_startButton->setEnabled(false);
    for (QWidget* option : m_options)
        option->setEnabled(false);
    m_cancelButton->setEnabled(bCancellable);
    m_node = std::move(node);
    m_dialect = command.dialect;

    m_lastCommand = QStringList{QFile::decodeName(command.program.c_str())};
    for (const auto& a : command.arguments)
        m_lastCommand << QFile::decodeName(a.c_str());

    const KConsolePrograms::Command run = KConsolePrograms::OnTerminal(command);
    QStringList arguments;
    for (const auto& a : run.arguments)
        arguments << QFile::decodeName(a.c_str());
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &KConsoleToolDlg::onOutput);
    connect(m_process, &QProcess::finished, this, &KConsoleToolDlg::onProcessFinished);
    // A program that cannot start simply shows nothing; the window is ready for the next try.
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onProcessFinished();
    }, Qt::QueuedConnection);
    m_process->start(QFile::decodeName(run.program.c_str()), arguments, QIODevice::ReadWrite);
}

QString KConsoleToolDlg::questionText(const QString& strQuestion) const
{
    return strQuestion.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<BR>"));
}

void KConsoleToolDlg::onOutput()
{
    if (!m_process || m_bAsking)
        return;
    const QByteArray bytes = m_process->readAllStandardOutput();
    if (!bytes.isEmpty())
        feed(m_decoder.decode(bytes));
    askQuestion();
    m_console->scrollToBottom();
}

void KConsoleToolDlg::feed(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\r')) {
            // Progress counters write their line again after a carriage return.
            m_bReturn = true;
        } else if (c == QLatin1Char('\n')) {
            m_bReturn = false;
            showCurrentLine();
            m_finished.push_back(m_strCurrent.trimmed().toLocal8Bit().toStdString());
            if (m_finished.size() > kKeptLines)
                m_finished.erase(m_finished.begin());
            ++m_n64FinishedCount;
            m_strCurrent.clear();
            m_console->addItem(QString());
        } else if (c == QLatin1Char('\b')) {
            m_strCurrent.chop(1);
        } else if (c >= QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (m_bReturn) {
                m_strCurrent.clear();
                m_bReturn = false;
            }
            m_strCurrent += c;
        }
    }
    showCurrentLine();
}

void KConsoleToolDlg::showCurrentLine()
{
    const QString text = m_strCurrent.trimmed();
    if (m_console->count() == 0)
        m_console->addItem(text);
    else
        m_console->item(m_console->count() - 1)->setText(text);
}

void KConsoleToolDlg::askQuestion()
{
    if (!m_process || m_bAsking)
        return;
    // A question stands on the line being written, or on the one just finished when the program
    // ended it with a line feed.
    const int64_t line = m_strCurrent.trimmed().isEmpty() ? m_n64FinishedCount - 1 : m_n64FinishedCount;
    if (line == m_n64AskedLine)
        return;
    const std::vector<KConsolePrograms::Question> chain =
        KConsolePrograms::FindQuestion(m_dialect, m_finished, m_strCurrent.toLocal8Bit().toStdString());
    if (chain.empty())
        return;
    m_n64AskedLine = line;
    m_bAsking = true;
    std::string answer;
    for (size_t i = 0; i < chain.size(); ++i) {
        QMessageBox box(QMessageBox::Question, tr("Question"), questionText(toQString(chain[i].text)),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::RichText);
        if (box.exec() == QMessageBox::Yes) {
            answer = chain[i].yes;
            break;
        }
        if (i + 1 == chain.size())
            answer = chain[i].no;
    }
    m_bAsking = false;
    writeToProgram(answer);
    if (m_bEndPending) {
        m_bEndPending = false;
        onProcessFinished();
        return;
    }
    // Output that came while the box was open.
    onOutput();
}

void KConsoleToolDlg::writeToProgram(const std::string& bytes)
{
    if (!m_process || m_process->state() != QProcess::Running || bytes.empty())
        return;
    // The programs show the answers they read themselves (or their terminal does).
    m_process->write(bytes.data(), qint64(bytes.size()));
}

void KConsoleToolDlg::onProcessFinished()
{
    if (!m_process)
        return;
    if (m_bAsking) {
        m_bEndPending = true;
        return;
    }
    if (!m_bAbort)
        onOutput();
    // The last output may have asked a question; the run ends once it is answered.
    if (m_bAsking || !m_process)
        return;
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
    m_node.reset();
    m_startButton->setEnabled(true);
    for (QWidget* option : m_options)
        option->setEnabled(true);
    m_cancelButton->setEnabled(true);
    emit programFinished();
    if (m_bAbort)
        QDialog::reject();
}

void KConsoleToolDlg::on_cancelButton_clicked()
{
    if (!m_process) {
        QDialog::reject();
        return;
    }
    m_bAbort = true;
    m_process->kill();
}

void KConsoleToolDlg::keyPressEvent(QKeyEvent* event)
{
    if (!m_process) {
        QDialog::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty())
        writeToProgram(KConsolePrograms::KeyInput(m_dialect, QString(text.at(0)).toLocal8Bit().toStdString()));
    event->accept();
}

void KConsoleToolDlg::closeEvent(QCloseEvent* event)
{
    if (m_process)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void KConsoleToolDlg::reject()
{
    if (!m_process)
        QDialog::reject();
}
