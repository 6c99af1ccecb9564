#include "calc/calculate_root.h"

#include "calc/checked_arithmetic.h"
#include "calc/number_text.h"

namespace secant_root {
namespace {

// 0.1 rounded to double: 0x3FB999999999999A.
constexpr double kCoefficient = 0.1;
constexpr double kIntervalStart = 1.0;
constexpr double kIntervalEnd = 2.0;
constexpr int kAnswerDecimals = 4;

// Owns an open logarithm context and closes it when the calculation leaves, whichever way.
class OpenContext {
  public:
    explicit OpenContext(LogSource& logs) : logs_(logs), context_(logs.Open()) {}
    ~OpenContext() { logs_.Close(context_); }
    OpenContext(const OpenContext&) = delete;
    OpenContext& operator=(const OpenContext&) = delete;

    LogSource::Context get() const { return context_; }

  private:
    LogSource& logs_;
    LogSource::Context context_;
};

// The secant through (x0, f0) and (x1, f1) crosses zero at x1 − f1 / ((f1 − f0) / (x1 − x0)).
// The operations stay in exactly this order: the rearranged forms round differently.
double SecantPoint(double x0, double f0, double x1, double f1) {
    const double rise = checked::Subtract(f1, f0);
    const double run = checked::Subtract(x1, x0);
    const double d = checked::Divide(rise, run);
    const double q = checked::Divide(f1, d);
    return checked::Subtract(x1, q);
}

}  // namespace

double Residual(LogSource& logs, LogSource::Context context, double x) {
    const double ln = logs.Ln(context, x);
    return checked::Subtract(checked::Multiply(kCoefficient, x), ln);
}

void CalculateRoot(CalcWindow& window, LogSource& logs) {
    // The source is opened before anything else, so a spreadsheet that cannot be started fails
    // the calculation whatever the user typed.
    const OpenContext context(logs);
    const double e = ValueOfText(window.ReadPrecisionText());

    double x0 = kIntervalStart;
    double x1 = kIntervalEnd;
    double x2;
    double f2;
    do {
        // Both residuals are taken afresh in every step, three logarithms per step.
        const double f0 = Residual(logs, context.get(), x0);
        const double f1 = Residual(logs, context.get(), x1);
        x2 = SecantPoint(x0, f0, x1, f1);
        f2 = Residual(logs, context.get(), x2);
        x0 = x1;
        x1 = x2;
    } while (!(-e <= f2 && f2 <= e));

    window.SetAnswerText(FormatGeneralNumber(RoundDecimals(x2, kAnswerDecimals)));
}

}  // namespace secant_root
