#include "KConsoleInteraction.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

int KConsoleInteraction::AskVolumeInUse(const std::string& operation, const std::string& drive)
{
    std::fprintf(stderr, "Operation \"%s\" cannot be completed because drive %s is being used now.\n",
                 operation.c_str(), drive.c_str());
    if (m_answer == kChoiceRetry) {
        // A volume that stays in use is not waited for forever.
        if (++m_retries > kMaxRetries) {
            std::fprintf(stderr, "The volume is still in use after %d retries: the operations are cancelled.\n",
                         kMaxRetries);
            return kChoiceCancel;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kRetryDelayMs));
        return kChoiceRetry;
    }
    if (m_answer >= 0)
        return m_answer;
    if (!::isatty(STDIN_FILENO))
        return kChoiceCancel;
    std::fprintf(stderr, "  A) restart and finish the pending jobs at boot\n  B) retry\n  C) cancel\nChoice [A/B/C]: ");
    std::string reply;
    if (!std::getline(std::cin, reply) || reply.empty())
        return kChoiceCancel;
    switch (reply[0]) {
    case 'a': case 'A': return kChoiceRestart;
    case 'b': case 'B': return kChoiceRetry;
    default: return kChoiceCancel;
    }
}

void KConsoleInteraction::ShowCommandError(const std::string&, const std::string&)
{
    // Nothing here: after the run the tool names every failed line with its reason, this one included.
}

void KConsoleInteraction::ShowRebootFailed()
{
    std::fprintf(stderr, "Failed to reboot system, please reboot your computer manually.\n");
}

void KConsoleProgress::onCommandName(QString name)
{
    Finish();
    m_name = name;
    m_last = -1;
}

void KConsoleProgress::onOverall(int percent)
{
    if (percent == m_last)
        return;
    m_last = percent;
    const QByteArray name = m_name.toUtf8();
    if (m_plain) {
        std::fprintf(stderr, "%s: %d%%\n", name.constData(), percent);
        return;
    }
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r%-32.32s [%s%s] %3d%%", name.constData(), std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(width - filled), ' ').c_str(), percent);
    std::fflush(stderr);
}

void KConsoleProgress::Finish()
{
    if (!m_plain && m_last >= 0)
        std::fputc('\n', stderr);
    m_last = -1;
}
