// Driving the window's operations in tests: finding entries by their start, selecting them, reading
// the queued lines and pending items, applying, and answering the dialog an operation opens.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "MainFrameSupport.h"
#include "MessageBoxAnswer.h"

namespace HandlerSupport {

using MainFrameSupport::Window;

inline int IndexAt(MainFrame& f, int disk, int64_t lba)
{
    for (int i = 0; i < f.PendingLayout()->GetPartitionCount(disk); ++i) {
        PartitionInfo e{};
        if (f.PendingLayout()->GetPartition(disk, i, &e) && e.StartingLba == lba && e.PartitionTypeId != 0)
            return i;
    }
    return -1;
}

inline PartitionInfo EntryAt(MainFrame& f, int disk, int64_t lba)
{
    PartitionInfo e{};
    f.PendingLayout()->GetPartition(disk, IndexAt(f, disk, lba), &e);
    return e;
}

inline void Select(MainFrame& f, int disk, int index) { f.onDiskMapItemSelected(disk, index < 0 ? 1000 : index, false, {}); }

inline void SelectAt(MainFrame& f, int disk, int64_t lba)
{
    const int index = IndexAt(f, disk, lba);
    ASSERT_GE(index, 0) << lba;
    Select(f, disk, index);
}

inline QStringList Lines(MainFrame& f)
{
    QStringList lines;
    for (int i = 0; i < f.Executive()->GetCommandCount(); ++i) {
        char line[512] = {};
        f.Executive()->GetCommandLine(i, line, sizeof line);
        lines << QString::fromLatin1(line);
    }
    return lines;
}

// Top-level items with their children indented by two blanks.
inline QStringList Items(MainFrame& f)
{
    QStringList items;
    for (int i = 0; i < f.PendingTree()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = f.PendingTree()->topLevelItem(i);
        items << item->text(0);
        for (int c = 0; c < item->childCount(); ++c)
            items << QStringLiteral("  ") + item->child(c)->text(0);
    }
    return items;
}

inline void Apply(Window& w)
{
    MessageBoxAnswer answer({"Yes", "OK"});
    w.Action("actionApply_All_Changes")->trigger();
    ASSERT_EQ(answer.Count(), 2u);
    EXPECT_EQ(answer.Boxes()[1].title, "Successful") << answer.Boxes()[1].text.toStdString();
}

// Answers the next dialog of class T that opens: runs the steps on it (fill fields, press a button).
// A dialog the steps leave open is rejected so that the test goes on.
template <typename T> class DialogAnswer {
public:
    explicit DialogAnswer(std::function<void(T&)> steps) : m_steps(std::move(steps))
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    DialogAnswer(const DialogAnswer&) = delete;
    DialogAnswer& operator=(const DialogAnswer&) = delete;

    int Seen() const { return m_seen; }

private:
    void poll()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            T* dialog = qobject_cast<T*>(w);
            if (!dialog || !dialog->isVisible() || dialog->property("answeredByTest").toBool())
                continue;
            dialog->setProperty("answeredByTest", true);
            ++m_seen;
            m_steps(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        }
    }

    std::function<void(T&)> m_steps;
    QTimer m_timer;
    int m_seen = 0;
};

} // namespace HandlerSupport
