#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calc/calculate_root.h"
#include "common/app_error.h"

namespace secant_root::testing {

// ln(x) from the table of correctly rounded logarithms; a point outside the table fails the
// running test and throws, since the iteration must never ask for one.
double TableLn(double x);

// A logarithm source that records every call and can be told to fail.
class ScriptedLogSource : public LogSource {
  public:
    struct Call {
        enum class Kind { Open, Ln, Close } kind;
        Context context = 0;
        double x = 0.0;
    };

    // Answers the n-th Ln call (counted from 0) for x; TableLn unless replaced.
    std::function<double(int n, double x)> ln = [](int, double x) { return TableLn(x); };
    // Raised by Open instead of opening.
    std::optional<AppError> openError;

    Context Open() override;
    double Ln(Context context, double x) override;
    void Close(Context context) noexcept override;

    const std::vector<Call>& calls() const { return calls_; }
    int CountOf(Call::Kind kind) const;
    std::vector<double> LnPoints() const;

  private:
    std::vector<Call> calls_;
    Context nextContext_ = 0x5EC;
};

// A window whose precision text is fixed and whose answers are recorded.
class RecordingWindow : public CalcWindow {
  public:
    explicit RecordingWindow(std::string precision) : precision_(std::move(precision)) {}

    std::string ReadPrecisionText() override {
        ++reads;
        return precision_;
    }
    void SetAnswerText(const std::string& text) override { answers.push_back(text); }

    int reads = 0;
    std::vector<std::string> answers;

  private:
    std::string precision_;
};

}  // namespace secant_root::testing
