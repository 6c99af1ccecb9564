#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/uno/Any.hxx>

#include "automation/uno/office_connection.h"
#include "automation/uno/office_error_output.h"
#include "automation/uno/office_installation.h"
#include "automation/uno/office_pipe_files.h"
#include "automation/uno/office_process.h"
#include "automation/uno/private_profile.h"
#include "automation/uno/private_tmp.h"

namespace secant_root {

// soffice.bin's command line as CalcInstance starts it for a profile and a pipe: the profile's
// URL, the options and the environment.
struct OfficeCommandLine {
    rtl::OUString profileUrl;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
};

// The command line for `profile` and the pipe named `pipeName`, also for starting the same office
// bare. Raises a cannot-create-object AppError when the profile's path has no file URL.
OfficeCommandLine OfficeCommandLineFor(const PrivateProfile& profile, const std::string& pipeName);

// One private headless LibreOffice Calc instance: a new soffice.bin with a new seeded profile,
// connected over a pipe with a random name, so that the program meets no office it did not start
// and no other program meets this one. Destroying it ends the process and removes its socket
// files and its profile.
class CalcInstance {
  public:
    // A safety net against a start that hangs; a start takes well under a second.
    static constexpr std::chrono::milliseconds kConnectTimeout = std::chrono::seconds(60);
    // The limit on each call to a running instance (LN takes about 1 ms); an instance that does
    // not answer within it is killed.
    static constexpr std::chrono::milliseconds kCallTimeout = std::chrono::seconds(30);

    // Starts the instance and connects to it. Raises a cannot-create-object AppError when
    // LibreOffice is not installed, cannot be run, ends before it accepts or does not accept (or
    // answer) within `connectTimeout`, the report ending with what it wrote to its standard
    // error; or when a check of its profile or pipes fails. UNO exceptions raised while
    // connecting pass through (cppu::BootstrapException when the UNO runtime cannot start).
    explicit CalcInstance(const OfficeInstallation& installation,
                          std::chrono::milliseconds connectTimeout = kConnectTimeout,
                          std::chrono::milliseconds callTimeout = kCallTimeout);
    // Never raises.
    ~CalcInstance();
    CalcInstance(const CalcInstance&) = delete;
    CalcInstance& operator=(const CalcInstance&) = delete;

    // LN(x) as the instance returns it, through a FunctionAccess service of its own; UNO
    // exceptions pass through. Raises an automation-failure AppError when the instance does not
    // answer within the call limit; it has then been killed.
    css::uno::Any CallLn(double x) const;

    // How the instance ended, once its connection has ended: "; LibreOffice был завершён сигналом
    // 11 (Segmentation fault)" and the end of what it wrote to its standard error. Waits at most
    // `grace` for the process to end (a connection ends a moment before its process); nothing
    // while it still runs.
    std::string DescribeEnd(std::chrono::milliseconds grace);

    pid_t ProcessId() const { return process_->id(); }

  private:
    // Declared so that each outlives what depends on it: the profile, the pipe files and the
    // reader of the office's standard error go after the process has been reaped.
    PrivateProfile profile_;
    rtl::OUString profileUrl_;
    std::string pipeName_;
    std::string singleInstancePipeName_;
    OfficePipeFiles pipeFiles_;
    PrivateTmp privateTmp_;
    OfficeErrorOutput errorOutput_;
    std::optional<OfficeProcess> process_;
    std::optional<OfficeConnection> connection_;
    std::chrono::milliseconds callTimeout_;
};

}  // namespace secant_root
