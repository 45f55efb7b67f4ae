// Small helpers for the dialog tests: a form's child by object name, a combo box's items, and keys
// typed into a widget as a user would type them.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace DialogProbe {

template <typename T> T* Child(QWidget& dialog, const char* name)
{
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no " << name;
    return w;
}

inline std::vector<QString> Texts(const QComboBox* box)
{
    std::vector<QString> texts;
    for (int i = 0; i < box->count(); ++i)
        texts.push_back(box->itemText(i));
    return texts;
}

inline std::vector<int> Data(const QComboBox* box)
{
    std::vector<int> data;
    for (int i = 0; i < box->count(); ++i)
        data.push_back(box->itemData(i).toInt());
    return data;
}

inline void Key(QWidget* widget, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

inline void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        const int key = c.isLetter() ? int(Qt::Key_A) + (c.toUpper().unicode() - 'A')
                        : c.isDigit() ? int(Qt::Key_0) + (c.unicode() - '0')
                                      : int(c.unicode());
        Key(widget, key, QString(c));
    }
}

} // namespace DialogProbe
