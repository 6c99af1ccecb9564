// Makes the README's pictures of the window: the program on a private Xvfb desktop with the real
// spreadsheet, 0.001 typed and the answer shown; then, if asked for, the error report that
// 0,001 typed with a comma gives.
// Usage: window_screenshot <window.png> [<report.png>]
#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>

#include "tests/e2e/desktop_session.h"
#include "tests/e2e/program_under_test.h"

namespace {

// Saves the picture once what was just shown has been painted.
bool SaveWhenPainted(const std::function<QImage()>& capture, const char* path) {
    QThread::msleep(300);
    if (!capture().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <window.png> [<report.png>]\n", argv[0]);
        return 2;
    }
    try {
        using namespace std::chrono_literals;
        const secant_root::e2e::DesktopSession desktop;
        secant_root::e2e::ProgramUnderTest program(desktop, QStringLiteral(SECANT_ROOT_PROGRAM),
                                                   QStringLiteral("C.UTF-8"));
        program.WaitUntilReady();
        program.Type("0.001");
        program.ClickCalculate();
        const QString answer = program.WaitForAnswer(60s);
        if (answer.isEmpty()) {
            std::fprintf(stderr, "no answer was shown\n");
            return 1;
        }
        if (!SaveWhenPainted([&] { return program.Capture(); }, argv[1])) {
            return 1;
        }
        program.Close();
        if (program.WaitForExit() != 0) {
            return 1;
        }
        if (argc == 2) {
            return 0;
        }
        // As a user of the decimal comma types the precision, in their locale.
        secant_root::e2e::ProgramUnderTest failing(desktop, QStringLiteral(SECANT_ROOT_PROGRAM),
                                                   QStringLiteral("ru_RU.UTF-8"));
        failing.WaitUntilReady();
        failing.Type("0,001");
        failing.ClickCalculate();
        if (!failing.WaitForReport(60s)) {
            std::fprintf(stderr, "no report was shown\n");
            return 1;
        }
        if (!SaveWhenPainted([&] { return failing.CaptureReport(); }, argv[2])) {
            return 1;
        }
        failing.DismissReport();
        return failing.WaitForExit() == 1 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
