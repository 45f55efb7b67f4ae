// What the check and convert windows share: they run one console program on a volume, show its output
// in a list that behaves like a small terminal (a carriage return rewrites the line, a line feed starts
// the next), ask the program's yes/no questions in message boxes and pass the answers and typed keys to
// it. Everything happens on the user-interface thread, driven by the process's signals.
#pragma once

#include <QDialog>
#include <QStringDecoder>
#include <memory>
#include <string>
#include <vector>

#include "platform/KConsolePrograms.h"

class KVolumeNode;
class QListWidget;
class QProcess;
class QPushButton;

class KConsoleToolDlg : public QDialog {
    Q_OBJECT

public:
    ~KConsoleToolDlg() override;

    bool IsRunning() const { return m_process != nullptr; }
    // The program and arguments of the last run; empty before the first.
    QStringList LastCommand() const { return m_lastCommand; }
    // Nothing closes the window while a program runs.
    void reject() override;

signals:
    // A run ended (or its program could not start); the controls are enabled again.
    void programFinished();

protected:
    explicit KConsoleToolDlg(QWidget* parent);

    // The form's console, its start and cancel buttons and the options locked during a run.
    void setConsoleWidgets(QListWidget* console, QPushButton* start, QPushButton* cancel, QList<QWidget*> options);
    // Runs the command; `node` (the device it works on, if any) is let go once the program has ended.
    // `bCancellable`: the cancel button may end the program.
    void runProgram(const KConsolePrograms::Command& command, bool bCancellable, std::unique_ptr<KVolumeNode> node);
    // The text a question box shows; by default the question itself.
    virtual QString questionText(const QString& strQuestion) const;

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

protected slots:
    void on_cancelButton_clicked();

private slots:
    void onOutput();
    void onProcessFinished();

private:
    void writeToProgram(const std::string& bytes);
    void feed(const QString& text);
    void showCurrentLine();
    void askQuestion();

    QListWidget* m_console = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QList<QWidget*> m_options;

    QProcess* m_process = nullptr;
    std::unique_ptr<KVolumeNode> m_node;
    KConsolePrograms::Dialect m_dialect = KConsolePrograms::Dialect::YesNo;
    QStringList m_lastCommand;
    QStringDecoder m_decoder;
    bool m_bAbort = false;
    bool m_bAsking = false;
    bool m_bEndPending = false;

    // The terminal: the line being written, whether a carriage return came last (the next character
    // starts the line over), and the finished lines the question rules look back on.
    QString m_strCurrent;
    bool m_bReturn = false;
    std::vector<std::string> m_finished;
    int64_t m_n64FinishedCount = 0;
    // The line (counted from the first) whose question was asked last: each is asked once.
    int64_t m_n64AskedLine = -1;
};
