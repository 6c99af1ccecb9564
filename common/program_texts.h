#pragma once

#include <string_view>

// The program's own texts that a user reads, in Russian like the window, one catalog shared by
// every platform. Texts that an automation server supplies are shown as they came and are not
// here. Every entry is UTF-8.
namespace secant_root::texts {

// The error report: its caption, and "Ошибка <number>: <description>" followed by what the user
// can do about it, where the program knows.
inline constexpr std::string_view kReportTitle = "Метод секущих: ошибка";
inline constexpr std::string_view kReportNumberPrefix = "Ошибка ";

// The descriptions of the kinds whose number is fixed; a detail follows after ": ".
inline constexpr std::string_view kDivisionByZero = "Деление на ноль";
inline constexpr std::string_view kOverflow = "Переполнение";
inline constexpr std::string_view kTypeMismatch = "Несоответствие типа";
inline constexpr std::string_view kCannotCreateObject =
    "Не удаётся создать объект табличного приложения";
// An automation failure for which the server supplies no text; the status follows in hexadecimal.
inline constexpr std::string_view kAutomationErrorPrefix = "Ошибка автоматизации ";

// What the user can do.
//
// The secant iteration stops once the residual lies within the precision. A division by zero
// means that it reached a point where the residual no longer changes before that: the precision
// was zero, negative, below what double arithmetic can meet (about 6.9e-17 here), or a text that
// does not read as a number, such as 0,001 written with a comma.
inline constexpr std::string_view kPrecisionAdvice =
    "Введите точность положительным числом не меньше 1e-16 с точкой в качестве десятичного "
    "разделителя, например 0.001: меньшую точность (ниже примерно 6.9e-17) итерация достичь не "
    "может.";
// The precision text reads as a number beyond the range of double.
inline constexpr std::string_view kNumberTooLargeAdvice =
    "Введённое число слишком велико. Введите точность, например 0.001.";

// The spreadsheet application that gives the logarithms is missing, or is there and could not be
// started (the description says why).
inline constexpr std::string_view kInstallLibreOfficeAdvice =
    "Установите LibreOffice Calc: пакет Debian libreoffice-calc-nogui или libreoffice-calc "
    "(sudo apt install libreoffice-calc-nogui).";
inline constexpr std::string_view kStartLibreOfficeAdvice =
    "LibreOffice Calc установлен, но не запустился по указанной причине. Устраните её и запустите "
    "программу снова; если ошибка повторяется, переустановите пакет libreoffice-calc-nogui или "
    "libreoffice-calc.";
inline constexpr std::string_view kInstallExcelAdvice =
    "Установите Microsoft Excel: программа берёт из него натуральные логарифмы.";
inline constexpr std::string_view kStartExcelAdvice =
    "Microsoft Excel установлен, но не запустился по указанной причине. Устраните её и запустите "
    "программу снова; если ошибка повторяется, восстановите установку Microsoft Excel.";

// The program's own parts do not fit together.
inline constexpr std::string_view kReinstallProgramAdvice =
    "Переустановите программу: её части принадлежат разным версиям.";

// What the Win32 window could not do; the system's status follows in parentheses.
inline constexpr std::string_view kPrecisionBoxUnreadable =
    "Не удалось прочитать текст поля txtEps";
inline constexpr std::string_view kAnswerNotShown = "Не удалось задать надпись lblAns";
inline constexpr std::string_view kFormClassNotRegistered =
    "Не удалось зарегистрировать класс окна Form1";
inline constexpr std::string_view kFontNotCreated = "Не удалось создать шрифт окна Form1";
inline constexpr std::string_view kFormNotCreated = "Не удалось создать окно Form1";
// The control's name follows.
inline constexpr std::string_view kControlNotCreated = "Не удалось создать элемент управления ";
inline constexpr std::string_view kMessagesUnreadable = "Не удалось прочитать сообщения окна";

#ifdef _WIN32
inline constexpr std::string_view kStartSpreadsheetAdvice = kStartExcelAdvice;
#else
inline constexpr std::string_view kStartSpreadsheetAdvice = kStartLibreOfficeAdvice;
#endif

}  // namespace secant_root::texts
