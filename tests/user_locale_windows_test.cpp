#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "calc/number_text.h"
#include "common/user_locale.h"

namespace secant_root {
namespace {

// The Unix locales the tests run in, the Windows user locale that Wine makes of each, and its
// decimal separator.
struct LocaleCase {
    std::string_view unixLocale;
    std::wstring_view windowsLocale;
    const char* separator;
};

constexpr LocaleCase kLocaleCases[] = {
    {"ru_RU.UTF-8", L"ru-RU", ","},
    {"C.UTF-8", L"en-US", "."},
};

std::wstring UserLocaleName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return name;
}

TEST(UserLocale, TheAnswerTakesTheSeparatorOfTheUserLocale) {
    const char* unixLocale = std::getenv("LC_ALL");
    ASSERT_NE(unixLocale, nullptr) << "run with LC_ALL set to one of the locales of this test";
    for (const LocaleCase& c : kLocaleCases) {
        if (c.unixLocale == unixLocale) {
            ASSERT_EQ(UserLocaleName(), c.windowsLocale)
                << "Wine did not make " << unixLocale << " the user locale";
            EXPECT_EQ(UserDecimalSeparator(), c.separator);
            EXPECT_EQ(FormatGeneralNumber(1.1189), std::string("1") + c.separator + "1189");
            // Reading ignores the locale: the period stays the separator.
            EXPECT_EQ(ValueOfText("1.5"), 1.5);
            return;
        }
    }
    FAIL() << "no expectations for the locale " << unixLocale;
}

}  // namespace
}  // namespace secant_root
