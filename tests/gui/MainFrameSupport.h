// A main window over image disks laid out by sfdisk, and short ways to read its actions.
#pragma once

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/mainframe/MainFrame.h"
#include "support/TestSupport.h"

namespace MainFrameSupport {

// One disk: its size and the sfdisk script that lays it out (empty = no table at all).
struct DiskSpec {
    int64_t mebibytes = 64;
    std::string script;
    // Run on the laid-out image before the window reads it (to put a file system in place).
    std::function<void(const std::string& image)> prepare;
};

class Window {
public:
    explicit Window(const std::vector<DiskSpec>& disks)
    {
        for (size_t i = 0; i < disks.size(); ++i) {
            const std::string image = dir.File("disk" + std::to_string(i) + ".img");
            EXPECT_TRUE(TestSupport::MakeSparseFile(image, disks[i].mebibytes << 20));
            if (!disks[i].script.empty()) {
                const TestSupport::ToolResult r = TestSupport::Sfdisk(image, disks[i].script);
                EXPECT_EQ(r.exitCode, 0) << r.output;
            }
            if (disks[i].prepare)
                disks[i].prepare(image);
            images.push_back(image);
        }
        env = std::make_unique<TestSupport::EngineEnvironment>(images, dir.File("state"));
        frame = std::make_unique<MainFrame>();
    }

    QAction* Action(const char* name) const
    {
        auto* action = frame->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }

    // The names of every enabled action of the window.
    std::set<std::string> Enabled() const
    {
        std::set<std::string> names;
        for (QAction* action : frame->findChildren<QAction*>())
            if (action->isEnabled() && !action->objectName().isEmpty() && action->menu() == nullptr)
                names.insert(action->objectName().toStdString());
        return names;
    }

    // Changes one entry of the pending layout (as a handler's preview would) and re-evaluates it.
    void Patch(int disk, int index, const std::function<void(PartitionInfo&)>& change)
    {
        PartitionInfo e{};
        ASSERT_TRUE(frame->PendingLayout()->GetPartition(disk, index, &e));
        change(e);
        ASSERT_TRUE(frame->PendingLayout()->UpdatePartition(disk, index, &e));
        frame->updateActionState(disk, index);
    }

    TestSupport::TempDir dir;
    std::vector<std::string> images;
    std::unique_ptr<TestSupport::EngineEnvironment> env;
    std::unique_ptr<MainFrame> frame;
};

// Actions that no selection changes: the window's own and those without a rule yet.
inline const std::set<std::string>& AlwaysOn()
{
    static const std::set<std::string> names = {
        "action_Exit", "action_Tool_Bar", "actionLegend_Bar", "action_Action_Panel", "action_Top", "action_Bottom",
        "actionFAQ", "actionContent", "actionExport_disk_configuration", "action_About",
        "actionDownload_Bootable_CD", "actionFeedback_Feature_Request", "actionDonate"};
    return names;
}

// The enabled actions that depend on the selection.
inline std::set<std::string> SelectionDependent(const Window& w)
{
    std::set<std::string> names;
    for (const std::string& n : w.Enabled())
        if (!AlwaysOn().count(n))
            names.insert(n);
    return names;
}

inline std::set<std::string> Names(std::initializer_list<const char*> list)
{
    std::set<std::string> names;
    for (const char* n : list)
        names.insert(n);
    return names;
}

} // namespace MainFrameSupport
