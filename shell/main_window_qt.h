#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "calc/calculate_root.h"
#include "common/app_error.h"

class QLabel;
class QLineEdit;

namespace secant_root {

class CommandButton;

// Form1, the program's one window, built from the shared layout table: the prompt, the precision
// box, the button, the problem statement and the answer. A click on the button runs
// CalculateRoot with the given logarithm source on the GUI thread; an error that leaves it is
// reported in a modal message box, and when that is dismissed the program ends.
class MainWindow final : public QWidget {
    Q_OBJECT

  public:
    // Ends the program with the given exit status once control is back in the event loop.
    using EndProgram = std::function<void(int exitStatus)>;

    // The default way to end: leave the application's event loop with that status.
    static void ExitEventLoop(int exitStatus);

    explicit MainWindow(LogSource& logs, EndProgram endProgram = ExitEventLoop);

  Q_SIGNALS:
    // Around each click's calculation, also one that fails, before its error is reported.
    void calculationStarted();
    void calculationEnded();

  private:
    void CreateControls();
    void Calculate();
    std::optional<AppError> RunCalculateRoot();
    void ReportAndEnd(const AppError& error);

    LogSource& logs_;
    EndProgram endProgram_;
    QLineEdit* precisionBox_ = nullptr;
    CommandButton* calculateButton_ = nullptr;
    QLabel* answerLabel_ = nullptr;
    // Set while a click is being handled, and for good once an error has ended the program.
    bool busy_ = false;
};

}  // namespace secant_root
