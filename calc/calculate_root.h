#pragma once

#include <cstdint>
#include <string>

namespace secant_root {

// What the calculation needs of the window. Either call may raise an automation-failure
// AppError when its control reports a failure.
class CalcWindow {
  public:
    virtual ~CalcWindow() = default;
    // The current text of the precision box.
    virtual std::string ReadPrecisionText() = 0;
    // Replaces the caption of the answer label.
    virtual void SetAnswerText(const std::string& text) = 0;
};

// Where the calculation takes its natural logarithms from.
class LogSource {
  public:
    // An opaque handle to one open source, chosen by the implementation.
    using Context = std::uintptr_t;

    virtual ~LogSource() = default;
    // Opens a context for one calculation; may raise AppError, and then there is nothing to
    // close.
    virtual Context Open() = 0;
    // The natural logarithm of x > 0; may raise AppError.
    virtual double Ln(Context context, double x) = 0;
    // Ends a context that Open returned; called exactly once per context, also when the
    // calculation failed.
    virtual void Close(Context context) noexcept = 0;
};

// The residual 0.1·x − ln(x) of the reduced equation: the logarithm is taken first, then the
// product and the difference are each rounded to double on their own.
double Residual(LogSource& logs, LogSource::Context context, double x);

// Runs one calculation: opens a logarithm context, reads the precision from the window, runs the
// secant method on [1; 2] until the residual of the newest iterate lies within ±precision, and
// shows that iterate rounded to four decimals. Any AppError leaves unchanged after the context
// has been closed; the answer is set only on success.
void CalculateRoot(CalcWindow& window, LogSource& logs);

}  // namespace secant_root
