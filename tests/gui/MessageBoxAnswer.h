// Answers the message boxes that code under test shows modally. Every box that appears is recorded
// and answered with the next answer in order: a button's text (without its '&') or kClose, which
// closes the box as the title bar's close button would. A box with no matching button, or one that
// comes after the answers ran out, is recorded, rejected so the test does not hang, and marked
// unanswered.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <vector>

class MessageBoxAnswer {
public:
    struct Box {
        QString title;
        QString text;
        QString informativeText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool hasIconPixmap = false;
        QWidget* parent = nullptr; // for comparison only: it may be gone by the time it is read
        QStringList buttons;       // texts without '&', in the box's order
        QList<QMessageBox::ButtonRole> roles;
        bool fixedSize = false;
        bool modal = false;
        QString answer;        // what was asked for
        bool answered = false; // the answer was given: the button clicked, or the box closed
    };

    static inline const QString kClose = QStringLiteral("<close>");

    explicit MessageBoxAnswer(QStringList answers) : m_answers(std::move(answers))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    MessageBoxAnswer(const MessageBoxAnswer&) = delete;
    MessageBoxAnswer& operator=(const MessageBoxAnswer&) = delete;

    const std::vector<Box>& Boxes() const { return m_boxes; }
    size_t Count() const { return m_boxes.size(); }
    // The box seen most recently; an empty record when there was none.
    Box Last() const { return m_boxes.empty() ? Box{} : m_boxes.back(); }

    static QString ButtonText(const QAbstractButton* button) { return button->text().remove(QLatin1Char('&')); }

private:
    static QMessageBox* visibleBox()
    {
        if (auto* modal = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); modal && modal->isVisible())
            return modal;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                return box;
        return nullptr;
    }

    void poll()
    {
        QMessageBox* box = visibleBox();
        if (!box)
            return;
        Box seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.informativeText = box->informativeText();
        seen.icon = box->icon();
        seen.hasIconPixmap = !box->iconPixmap().isNull();
        seen.parent = box->parentWidget();
        seen.modal = box->isModal();
        seen.fixedSize = box->minimumSize() == box->maximumSize();
        QAbstractButton* chosen = nullptr;
        const size_t index = m_boxes.size();
        if (index < size_t(m_answers.size()))
            seen.answer = m_answers[qsizetype(index)];
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons << ButtonText(button);
            seen.roles << box->buttonRole(button);
            if (!seen.answer.isEmpty() && ButtonText(button) == seen.answer)
                chosen = button;
        }
        if (chosen) {
            chosen->click();
            seen.answered = true;
        } else if (seen.answer == kClose) {
            box->close();
            seen.answered = !box->isVisible();
        }
        if (box->isVisible())
            box->reject();
        m_boxes.push_back(seen);
    }

    QStringList m_answers;
    std::vector<Box> m_boxes;
    QTimer m_timer;
};
