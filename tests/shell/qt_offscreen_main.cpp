// Runs the window tests inside one QApplication on Qt's offscreen platform, so that they need no
// display and see the same 96 DPI screen everywhere.
#include <gtest/gtest.h>

#include <QApplication>
#include <vector>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::vector<char*> arguments(argv, argv + argc);
    char platformOption[] = "-platform";
    char platform[] = "offscreen";
    arguments.insert(arguments.begin() + 1, {platformOption, platform});
    int qtArgc = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication application(qtArgc, arguments.data());
    return RUN_ALL_TESTS();
}
