// Measures what a click costs with logarithms from LibreOffice Calc, against the floor that any
// design with one new private instance per calculation must pay and against the bare start and
// exit of the same office on the same host, and checks in a soak run that clicks stay near their
// median and leave no processes, descriptors, threads or memory behind.
//
// Usage: spreadsheet_log_benchmark [--runs N] [--soak N]   (defaults: 11 and 300)
// Exit status 1 when a calculation gives a wrong answer, the bare office does not exit normally or
// the soak run leaks processes or descriptors. The soak's goal is printed, met or missed: it holds
// on an idle machine only.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include <unistd.h>

#include "automation/uno/calc_instance.h"
#include "automation/uno/calc_log.h"
#include "automation/uno/office_pipe_files.h"
#include "automation/uno/office_process.h"
#include "automation/uno/private_profile.h"
#include "calc/calculate_root.h"
#include "common/app_error.h"
#include "tests/process_census.h"

namespace secant_root {
namespace {

using Clock = std::chrono::steady_clock;
namespace census = secant_root::testing;

// The goal: no click of the soak over this many times the median.
constexpr double kMaxSoakClickToMedian = 2.0;

// The window of one click: the precision typed, the answer shown.
class ClickWindow : public CalcWindow {
  public:
    std::string ReadPrecisionText() override { return "0.001"; }
    void SetAnswerText(const std::string& text) override { answer = text; }
    std::string answer;
};

// (a) One click: CalculateRoot from opening the spreadsheet to closing it.
void Click() {
    ClickWindow window;
    CalcLog logs;
    CalculateRoot(window, logs);
    if (window.answer != "1.1189") {
        std::fprintf(stderr, "wrong answer: %s\n", window.answer.c_str());
        std::exit(1);
    }
}

// (b) The floor: start the same private instance, take one logarithm, shut it down.
void StartOneLnStop() {
    const CalcInstance instance(OfficeInstallation::Default());
    double ln = 0;
    instance.CallLn(1.5) >>= ln;
    if (ln <= 0) {
        std::fprintf(stderr, "LN(1.5) gave %g\n", ln);
        std::exit(1);
    }
}

// (c) The bare office: soffice.bin started as a click starts it, with a new seeded profile and the
// same options and environment, told to exit once it has started (--terminate_after_init). Only
// the process is timed, from its start to its exit; the profile is made before and removed after.
double BareStartSeconds() {
    const OfficeInstallation installation = OfficeInstallation::Default();
    const PrivateProfile profile(installation.ReadProfileSeed());
    const std::string pipeName = "secant_bare_" + std::to_string(getpid());
    OfficeCommandLine command = OfficeCommandLineFor(profile, pipeName);
    const OfficePipeFiles pipeFiles(pipeName, command.profileUrl);
    command.arguments.emplace_back("--terminate_after_init");
    OfficeErrorOutput errorOutput;
    const auto start = Clock::now();
    OfficeProcess office(installation.OfficeBinary(), command.arguments, command.environment,
                         errorOutput.WriteEnd());
    const bool exited = office.WaitForExit(CalcInstance::kConnectTimeout);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!exited || !office.ExitedWith(0)) {
        std::fprintf(stderr, "the bare office %s%s\n", office.DescribeExit().c_str(),
                     errorOutput.Describe().c_str());
        std::exit(1);
    }
    return seconds;
}

double SecondsOf(const std::function<void()>& job) {
    const auto start = Clock::now();
    job();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The nearest-rank percentile: the least value that at least `percent` % of the values do not
// exceed.
double Percentile(std::vector<double> values, double percent) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(percent / 100 * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

void PrintTimes(const char* label, const std::vector<double>& seconds) {
    const auto [least, most] = std::minmax_element(seconds.begin(), seconds.end());
    std::printf("%-44s median %6.1f ms   min-max %6.1f-%6.1f ms\n", label, Median(seconds) * 1e3,
                *least * 1e3, *most * 1e3);
}

struct Census {
    int children;
    int descriptors;
    int threads;
    long residentKb;
};

Census TakeCensus() {
    return {static_cast<int>(census::ChildrenOfThisProcess().size()), census::OpenDescriptorCount(),
            census::ThreadCount(), census::ResidentKilobytes()};
}

// Prints the medians of (a), (b) and (c), and the click's cost in bare office starts of this host.
void Benchmark(int runs) {
    // The first calculation also starts this program's UNO runtime; no series pays that.
    Click();
    StartOneLnStop();
    BareStartSeconds();
    std::vector<double> clicks;
    std::vector<double> floors;
    std::vector<double> bareStarts;
    for (int run = 0; run < runs; ++run) {
        clicks.push_back(SecondsOf(Click));
        floors.push_back(SecondsOf(StartOneLnStop));
        bareStarts.push_back(BareStartSeconds());
    }
    std::printf("%d runs each, alternating, after one warm-up of each\n", runs);
    PrintTimes("(a) click to answer, precision 0.001, 9 LN", clicks);
    PrintTimes("(b) floor: start, 1 LN, shut down", floors);
    PrintTimes("(c) bare office: start and exit", bareStarts);
    std::printf("(a) - (b): %.1f ms for the 8 further FunctionAccess services and LN calls\n",
                (Median(clicks) - Median(floors)) * 1e3);
    std::printf("(a) / (c): %.2f, a click in bare starts of the same office\n",
                Median(clicks) / Median(bareStarts));
}

// Returns whether nothing leaked.
bool Soak(int calculations) {
    const Census before = TakeCensus();
    std::vector<double> clicks;
    for (int i = 0; i < calculations; ++i) {
        clicks.push_back(SecondsOf(Click));
    }
    const Census after = TakeCensus();
    const double median = Median(clicks);
    const double most = *std::max_element(clicks.begin(), clicks.end());
    std::printf("soak: %d calculations in %.1f s\n", calculations,
                std::accumulate(clicks.begin(), clicks.end(), 0.0));
    std::printf("  clicks: p50 %.1f ms   p99 %.1f ms   max %.1f ms\n", median * 1e3,
                Percentile(clicks, 99) * 1e3, most * 1e3);
    std::printf("  goal: no click over %.0f x the median: %s (%d over)\n", kMaxSoakClickToMedian,
                most <= kMaxSoakClickToMedian * median ? "met" : "MISSED",
                static_cast<int>(std::count_if(clicks.begin(), clicks.end(), [&](double s) {
                    return s > kMaxSoakClickToMedian * median;
                })));
    std::printf("  %-22s %8s %8s\n", "", "before", "after");
    std::printf("  %-22s %8d %8d\n", "child processes", before.children, after.children);
    std::printf("  %-22s %8d %8d\n", "open descriptors", before.descriptors, after.descriptors);
    std::printf("  %-22s %8d %8d\n", "threads", before.threads, after.threads);
    std::printf("  %-22s %8ld %8ld\n", "resident memory (kB)", before.residentKb, after.residentKb);
    const bool clean = after.children == before.children && after.descriptors == before.descriptors;
    std::printf("soak: %s\n", clean ? "no process or descriptor left behind" : "LEAK");
    return clean;
}

int PositiveArgument(const char* text) {
    const int value = std::atoi(text);
    if (value <= 0) {
        std::fprintf(stderr, "not a positive count: %s\n", text);
        std::exit(2);
    }
    return value;
}

}  // namespace
}  // namespace secant_root

int main(int argc, char** argv) {
    int runs = 11;
    int soak = 300;
    if (argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s [--runs N] [--soak N]\n", argv[0]);
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) {
            runs = secant_root::PositiveArgument(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--soak") == 0) {
            soak = secant_root::PositiveArgument(argv[i + 1]);
        } else {
            std::fprintf(stderr, "usage: %s [--runs N] [--soak N]\n", argv[0]);
            return 2;
        }
    }
    try {
        secant_root::Benchmark(runs);
        return secant_root::Soak(soak) ? 0 : 1;
    } catch (const secant_root::AppError& error) {
        std::fprintf(stderr, "error %d: %s\n", error.number(), error.description().c_str());
        return 1;
    }
}
