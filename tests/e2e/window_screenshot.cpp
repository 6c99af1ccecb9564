// Makes the README's picture of the window: the program on a private Xvfb desktop with the real
// spreadsheet, 0.001 typed and the answer shown. Usage: window_screenshot <output.png>
#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <exception>

#include "tests/e2e/desktop_session.h"
#include "tests/e2e/program_under_test.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
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
        // The label has its new text; give the window the moment it needs to paint it.
        QThread::msleep(300);
        if (!program.Capture().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
        program.Close();
        return program.WaitForExit() == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
