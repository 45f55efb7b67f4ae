// Widget tests run under Qt's offscreen platform: one application object for the whole run.
#include <QApplication>

#include <gtest/gtest.h>

#include "gui/mainframe/MainFrame.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The windows of the tests never ask the web host for the latest version.
    MainFrame::SetUpdateCheckUrl(QUrl());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
