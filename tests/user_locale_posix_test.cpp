#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "calc/number_text.h"

namespace secant_root {
namespace {

// Switches the process's numeric locale for one test and restores it afterwards.
class NumericLocale {
  public:
    explicit NumericLocale(const char* name) : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
        available_ = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    bool available() const { return available_; }

  private:
    std::string previous_;
    bool available_ = false;
};

TEST(UserLocale, TheAnswerTakesTheLocaleSeparatorAtTheTimeOfTheCall) {
    {
        NumericLocale russian("ru_RU.UTF-8");
        ASSERT_TRUE(russian.available())
            << "the ru_RU.UTF-8 locale is missing: localedef -i ru_RU -f UTF-8 ru_RU.UTF-8";
        EXPECT_EQ(FormatGeneralNumber(1.1189), "1,1189");
        EXPECT_EQ(FormatGeneralNumber(2.0), "2");
        // Reading ignores the locale: the period stays the separator, the comma ends.
        EXPECT_EQ(ValueOfText("1.5"), 1.5);
        EXPECT_EQ(ValueOfText("1,5"), 1.0);
    }
    NumericLocale c("C");
    EXPECT_EQ(FormatGeneralNumber(1.1189), "1.1189");
    EXPECT_EQ(ValueOfText("1.5"), 1.5);
}

}  // namespace
}  // namespace secant_root
