// Where UNO exceptions become AppErrors, and nowhere else.

#include "automation/uno/calc_log.h"

#include <charconv>
#include <chrono>
#include <regex>
#include <string>
#include <utility>

#include <com/sun/star/container/NoSuchElementException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/uno/RuntimeException.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>

#include "automation/uno/calc_instance.h"
#include "automation/uno/uno_failure_numbers.h"
#include "automation/uno/uno_runtime.h"
#include "common/app_error.h"
#include "common/program_texts.h"

namespace secant_root {
namespace {

// The shortest text that reads back as exactly x.
std::string ExactText(double x) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, x);
    return std::string(text, result.ptr);
}

// LibreOffice's messages often consist of, begin with or end in the source location that raised
// them ("at ./sc/source/ui/unoobj/funcuno.cxx:648", "at /build/…/bridge.cxx:843: Binary URP
// bridge disposed during call"); only the rest means something to a person.
std::string WithoutSourceLocation(const std::string& message) {
    static const std::regex location(R"((^|\s*)at [^\s:]*[./][^\s:]*:\d+(:\s*|$))");
    return std::regex_replace(message, location, "");
}

// "(com.sun.star.lang.DisposedException: Binary URP bridge disposed during call)", from the
// exception being handled; its message is given in `message` because the caught object is
// known only by its base class.
std::string CaughtExceptionText(const rtl::OUString& message) {
    std::string text = "(";
    text += ToUtf8(cppu::getCaughtException().getValueTypeName());
    if (const std::string meaning = WithoutSourceLocation(ToUtf8(message)); !meaning.empty()) {
        text += ": ";
        text += meaning;
    }
    text += ')';
    return text;
}

// How long an instance whose connection ended mid-call is given to end, so that the report can
// say how it ended (a crash, say) and what it wrote last.
constexpr std::chrono::seconds kEndGrace{1};

AppError LnFailure(std::int32_t number, double x, std::string_view cause,
                   const css::uno::Exception& error, const std::string& details = {}) {
    return AutomationFailureError(
        number, texts::FilledText(texts::kLnFailedText, {ExactText(x), cause}) + " " +
                    CaughtExceptionText(error.Message) + details);
}

}  // namespace

CalcLog::CalcLog() = default;

CalcLog::~CalcLog() = default;

LogSource::Context CalcLog::Open() {
    try {
        auto instance = std::make_unique<CalcInstance>(OfficeInstallation::Default());
        open_.emplace(++lastContext_, std::move(instance));
        return lastContext_;
    } catch (const css::uno::Exception& error) {
        throw CannotCreateObjectError(texts::FilledText(texts::kInstanceUnreachableText,
                                                        {CaughtExceptionText(error.Message)}));
    } catch (const cppu::BootstrapException& error) {
        throw CannotCreateObjectError(
            texts::FilledText(texts::kUnoRuntimeNotStartedText, {ToUtf8(error.getMessage())}));
    }
}

CalcInstance& CalcLog::Get(Context context) {
    const auto found = open_.find(context);
    if (found == open_.end()) {
        throw AutomationFailureError(kUnknownContextNumber,
                                     std::string(texts::kNoInstanceOpenText));
    }
    return *found->second;
}

double CalcLog::Ln(Context context, double x) {
    CalcInstance& instance = Get(context);
    css::uno::Any result;
    try {
        result = instance.CallLn(x);
    } catch (const css::lang::DisposedException& error) {
        throw LnFailure(kInstanceEndedNumber, x, texts::kInstanceEndedCause, error,
                        instance.DescribeEnd(kEndGrace));
    } catch (const css::lang::IllegalArgumentException& error) {
        throw LnFailure(kInvalidArgumentNumber, x, texts::kArgumentRejectedCause, error);
    } catch (const css::container::NoSuchElementException& error) {
        throw LnFailure(kUnknownFunctionNumber, x, texts::kUnknownFunctionCause, error);
    } catch (const css::uno::RuntimeException& error) {
        throw LnFailure(kRuntimeFailureNumber, x, texts::kFailedInOfficeCause, error);
    } catch (const css::uno::Exception& error) {
        throw LnFailure(kOtherFailureNumber, x, texts::kCallFailedCause, error);
    }
    double value;
    if (!(result >>= value)) {
        throw TypeMismatchError(texts::FilledText(
            texts::kCalcNotANumberText, {ExactText(x), ToUtf8(result.getValueTypeName())}));
    }
    return value;
}

// Shuts the instance down.
void CalcLog::Close(Context context) noexcept { open_.erase(context); }

}  // namespace secant_root
