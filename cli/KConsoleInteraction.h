// The executive's questions answered on the console: by the --in-use option, by asking on a terminal,
// or by cancelling when nobody can be asked.
#pragma once

#include <QObject>

#include "execution/IExecutiveInteraction.h"

class KConsoleInteraction : public IExecutiveInteraction {
public:
    // answer: kChoiceRestart, kChoiceRetry, kChoiceCancel, or -1 to ask.
    explicit KConsoleInteraction(int answer) : m_answer(answer) {}
    int AskVolumeInUse(const std::string& operation, const std::string& drive) override;
    void ShowCommandError(const std::string& line, const std::string& errorText) override;
    void ShowRebootFailed() override;

    // --in-use=retry tries again once a second for a minute, then cancels.
    static constexpr int kMaxRetries = 60;
    static constexpr int kRetryDelayMs = 1000;

private:
    int m_answer;
    int m_retries = 0;
};

// Shows a command's progress on standard error: a bar on a terminal, or plain percentage lines.
class KConsoleProgress : public QObject {
    Q_OBJECT
public:
    explicit KConsoleProgress(bool plainLines) : m_plain(plainLines) {}
    void Finish();

public slots:
    void onCommandName(QString name);
    void onOverall(int percent);

private:
    bool m_plain;
    QString m_name;
    int m_last = -1;
};
