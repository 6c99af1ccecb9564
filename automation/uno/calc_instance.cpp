#include "automation/uno/calc_instance.h"

#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include <osl/file.hxx>

#include "automation/uno/kill_deadline.h"
#include "automation/uno/office_environment.h"
#include "automation/uno/office_pipe_socket.h"
#include "automation/uno/random_name.h"
#include "automation/uno/uno_failure_numbers.h"
#include "automation/uno/uno_runtime.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// By which soffice.bin asks its launcher to start it again (after setting up a profile, say).
constexpr int kRestartRequestCode = 81;
constexpr int kMaxRestarts = 2;

// LibreOffice takes the profile as a file URL; only a percent-encoded one is safe (an unencoded
// space makes the office abort without exiting).
rtl::OUString FileUrl(const std::filesystem::path& path) {
    if (ToUtf8(FromUtf8(path.string())) != path.string()) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kProfilePathNotUtf8Text, {path.string()}));
    }
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(FromUtf8(path.string()), url) !=
        osl::FileBase::E_None) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kProfileNotAUrlText, {path.string()}));
    }
    return url;
}

std::vector<std::string> OfficeArguments(const std::string& pipeName) {
    // Extensions need no synchronising in a profile just seeded with the installation's build,
    // and a profile that is removed at the end needs no backup at shutdown.
    return {"-env:DISABLE_EXTENSION_SYNCHRONIZATION=1",
            "-env:SecureUserConfig=false",
            "--headless",
            "--invisible",
            "--nologo",
            "--nodefault",
            "--norestore",
            "--nolockcheck",
            "--accept=pipe,name=" + pipeName + ";urp;"};
}

}  // namespace

OfficeCommandLine OfficeCommandLineFor(const PrivateProfile& profile, const std::string& pipeName) {
    rtl::OUString profileUrl = FileUrl(profile.UserInstallation());
    std::vector<std::string> environment = OfficeEnvironment(profile, profileUrl);
    return {std::move(profileUrl), OfficeArguments(pipeName), std::move(environment)};
}

CalcInstance::CalcInstance(const OfficeInstallation& installation,
                           std::chrono::milliseconds connectTimeout,
                           std::chrono::milliseconds callTimeout)
    : profile_(installation.ReadProfileSeed()),
      profileUrl_(FileUrl(profile_.UserInstallation())),
      pipeName_("secant_" + RandomName(16, kHexDigits)),
      singleInstancePipeName_(SingleInstancePipeName(profileUrl_)),
      pipeFiles_(pipeName_, profileUrl_),
      privateTmp_(profile_.TemporaryDirectory(), {profile_.UserInstallation().parent_path(),
                                                  installation.programDirectory().parent_path()}),
      callTimeout_(callTimeout) {
    // Where the instance makes its sockets is known once it has started; both places are listed.
    std::vector<std::filesystem::path> sockets = pipeFiles_.paths();
    for (const std::string& name : {pipeName_, singleInstancePipeName_}) {
        sockets.push_back(profile_.TemporaryDirectory() / OfficePipeFileName(name));
    }
    profile_.RecordSockets(sockets);
    const auto deadline = std::chrono::steady_clock::now() + connectTimeout;
    const OfficeCommandLine command = OfficeCommandLineFor(profile_, pipeName_);
    for (int start = 0;; ++start) {
        // An instance that asked to be restarted has made the name public in the shared /tmp.
        if (OfficeProcess::PrivateTmpRefused()) {
            CheckSingleInstancePipe(singleInstancePipeName_);
        }
        process_.emplace(installation.OfficeBinary(), command.arguments, command.environment,
                         errorOutput_.WriteEnd(), &privateTmp_);
        const std::filesystem::path privateTmp =
            process_->HasPrivateTmp() ? profile_.TemporaryDirectory() : std::filesystem::path();
        if (std::optional<OfficeConnection> connection =
                OfficeConnection::Await(pipeName_, singleInstancePipeName_, privateTmp, *process_,
                                        errorOutput_, deadline)) {
            connection_.emplace(std::move(*connection));
            break;
        }
        if (!process_->HasExited()) {
            throw CannotCreateObjectError(
                texts::FilledText(texts::kNoConnectionText, {texts::SecondsText(connectTimeout)}) +
                errorOutput_.Describe());
        }
        if (!process_->ExitedWith(kRestartRequestCode) || start == kMaxRestarts) {
            throw CannotCreateObjectError(
                texts::FilledText(texts::kEndedBeforeConnectionText, {process_->DescribeExit()}) +
                errorOutput_.Describe());
        }
    }
}

css::uno::Any CalcInstance::CallLn(double x) const {
    return CallWithin(
        process_->id(), connection_->Socket(), callTimeout_, [&] { return connection_->CallLn(x); },
        [&] {
            return AutomationFailureError(
                kNoAnswerNumber,
                texts::FilledText(texts::kNoAnswerText, {"LN", texts::SecondsText(callTimeout_)}));
        });
}

std::string CalcInstance::DescribeEnd(std::chrono::milliseconds grace) {
    if (!process_->WaitForExit(grace)) {
        return {};
    }
    return texts::FilledText(texts::kOfficeEndedText, {process_->DescribeExit()}) +
           errorOutput_.Describe();
}

CalcInstance::~CalcInstance() {
    try {
        const KillDeadline deadline(process_->id(), connection_->Socket(), callTimeout_);
        connection_->Terminate();
    } catch (...) {
        // The office is gone, going or hung; it is killed all the same.
    }
    // What the office still does on its way out is only cost: its profile is removed anyway. The
    // connection ends first, so that nothing is written to a dead socket.
    connection_.reset();
    process_->Kill();
}

}  // namespace secant_root
