#pragma once

#include <charconv>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <string>
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

// Another user has put something where the office makes its pipes.
inline constexpr std::string_view kPipeTakenAdvice =
    "Другой пользователь этого компьютера занял или подменил путь, где LibreOffice создаёт свои "
    "каналы, — по-видимому, чтобы помешать расчёту. Сообщите об этом администратору (удалить "
    "чужой файл могут только его владелец и администратор) и запустите расчёт снова.";

// The directory named in the report (for the office's pipes or its profile) has no room left.
inline constexpr std::string_view kFreeRoomAdvice =
    "Освободите место в названном каталоге: удалите ненужные файлы, а если его заняли другие "
    "пользователи, сообщите об этом администратору. Затем запустите расчёт снова.";

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

// Why the spreadsheet client failed, with numbered places ({1}, {2}, …) for what was found; the
// details the system or LibreOffice gives (file names, strerror, exception texts) stay as they
// came.
//
// LibreOffice Calc (Linux).
inline constexpr std::string_view kOfficeNotInstalledText =
    "LibreOffice не установлен: не удаётся прочитать {1}";
inline constexpr std::string_view kOfficeIncompleteText =
    "установка LibreOffice неполна: в {1} нет {2}";
inline constexpr std::string_view kNoConnectionText = "LibreOffice не принял соединение за {1}";
// {1} is one of the four below.
inline constexpr std::string_view kEndedBeforeConnectionText =
    "LibreOffice {1}, не приняв соединения";
inline constexpr std::string_view kProcessRunningText = "ещё работает";
inline constexpr std::string_view kProcessExitedText = "завершился с кодом {1}";
inline constexpr std::string_view kProcessSignalledText = "был завершён сигналом {1} ({2})";
inline constexpr std::string_view kProcessEndedText = "завершился";
inline constexpr std::string_view kOfficeWroteText = "; LibreOffice вывел: {1}";
// After an LN that failed because the instance ended; {1} is one of the four above.
inline constexpr std::string_view kOfficeEndedText = "; LibreOffice {1}";
inline constexpr std::string_view kNoAnswerText =
    "LibreOffice Calc не ответил на {1} за {2}; экземпляр завершён";
inline constexpr std::string_view kNoAnswerAtStartText =
    "LibreOffice принял соединение, но не ответил за {1}; экземпляр завершён";
inline constexpr std::string_view kProfilePathNotUtf8Text =
    "путь личного профиля LibreOffice {1} не в кодировке UTF-8";
inline constexpr std::string_view kProfileNotAUrlText =
    "путь личного профиля LibreOffice {1} нельзя записать как URL";
inline constexpr std::string_view kNoTemporaryDirectoryText =
    "нет временного каталога для профиля LibreOffice: {1}";
inline constexpr std::string_view kProfileNotLockedText =
    "не удаётся заблокировать личный профиль LibreOffice {1}: {2}";
inline constexpr std::string_view kProfileNotCreatedText =
    "не удаётся создать личный профиль LibreOffice в {1}: {2}";
inline constexpr std::string_view kProfileNotWrittenText =
    "не удаётся записать личный профиль LibreOffice: {1}: {2}";
// The directories that will hold the profile, from / down: {1} the directory, {2} one of the
// reasons below, {3} its permissions.
inline constexpr std::string_view kProfilePlaceOpenText =
    "личный профиль LibreOffice не создан: другие пользователи могли бы подменить его и выполнить "
    "свой код от имени программы, так как {1} {2} (права {3})";
inline constexpr std::string_view kOwnedByUserReason = "принадлежит пользователю {1}";
inline constexpr std::string_view kWritableByGroupReason =
    "доступен для записи группе {1} без бита sticky";
// {1} who: entries such as the two below, joined by ", ".
inline constexpr std::string_view kWritableThroughAclReason =
    "доступен для записи по списку управления доступом (ACL) {1} без бита sticky";
inline constexpr std::string_view kAclUserEntry = "пользователю {1}";
inline constexpr std::string_view kAclGroupEntry = "группе {1}";
inline constexpr std::string_view kWritableByOthersReason =
    "доступен для записи всем пользователям без бита sticky";
inline constexpr std::string_view kSymbolicLinkReason = "— символическая ссылка";
inline constexpr std::string_view kNotADirectoryReason = "— не каталог";
inline constexpr std::string_view kOwnTemporaryDirectoryAdvice =
    "Укажите в переменной окружения TMPDIR каталог, который можете изменять только вы (например, "
    "mkdir -m 700 ~/tmp; TMPDIR=~/tmp secant-root), и запустите программу снова.";
inline constexpr std::string_view kStartNotPreparedText =
    "не удаётся подготовить запуск LibreOffice: {1}";
inline constexpr std::string_view kOfficeNotStartedText = "не удаётся запустить LibreOffice: {1}";
inline constexpr std::string_view kProgramNotRunText = "не удаётся выполнить {1}: {2}";
inline constexpr std::string_view kNoCallLimitText =
    "не удаётся ограничить время вызова LibreOffice Calc: {1}";
// {1} "прервано" or "не удалось", then what the system says.
inline constexpr std::string_view kConnectionBrokenText = "соединение с LibreOffice {1}";
inline constexpr std::string_view kConnectionEndedWord = "прервано";
inline constexpr std::string_view kConnectionFailedWord = "не удалось";
inline constexpr std::string_view kInstanceUnreachableText =
    "не удаётся связаться с новым экземпляром LibreOffice {1}";
inline constexpr std::string_view kUnoRuntimeNotStartedText =
    "не удаётся запустить среду UNO ({1})";
inline constexpr std::string_view kOwnLocationUnknownText =
    "не удаётся определить расположение самой программы ({1})";
inline constexpr std::string_view kModuleNotLoadedText =
    "клиент LibreOffice {1} не загружается ({2})";
inline constexpr std::string_view kModuleOfAnotherProgramText =
    "{1} не является клиентом LibreOffice этой программы ({2})";
inline constexpr std::string_view kOfAnotherVersionText = "другая версия";
inline constexpr std::string_view kProgramEndingText =
    "программа завершается, поэтому LibreOffice не запущен";
// {1} the argument, {2} one of the causes below; the exception follows.
inline constexpr std::string_view kLnFailedText = "LibreOffice Calc не смог вычислить LN({1}): {2}";
inline constexpr std::string_view kInstanceEndedCause = "экземпляр завершил работу";
inline constexpr std::string_view kArgumentRejectedCause = "LN отверг аргумент";
inline constexpr std::string_view kUnknownFunctionCause = "Calc не знает функцию LN";
inline constexpr std::string_view kFailedInOfficeCause = "вызов не удался в LibreOffice";
inline constexpr std::string_view kCallFailedCause = "вызов не удался";
inline constexpr std::string_view kNoInstanceOpenText =
    "для этого контекста не открыт экземпляр LibreOffice Calc";
inline constexpr std::string_view kCalcNotANumberText =
    "LibreOffice Calc вернул для LN({1}) значение типа {2}";
// The safety checks of the new instance's pipe.
inline constexpr std::string_view kPipeIsALinkText =
    "канал {1} нового экземпляра LibreOffice — символическая ссылка на {2}; программа к нему не "
    "подключилась";
inline constexpr std::string_view kPipeIsNotASocketText =
    "канал {1} нового экземпляра LibreOffice — {2}, а не сокет; программа к нему не подключилась";
inline constexpr std::string_view kPipeOfAnotherUserText =
    "канал {1} нового экземпляра LibreOffice принадлежит пользователю {2}; программа к нему не "
    "подключилась";
inline constexpr std::string_view kPipeNotExaminedText =
    "канал {1} нового экземпляра LibreOffice нельзя проверить или подключиться к нему: {2}";
// {2} one of the reasons of kProfilePlaceOpenText, {3} the permissions.
inline constexpr std::string_view kPipeDirectoryOpenText =
    "другие пользователи могут подменять записи в {1}, где LibreOffice создаёт свои каналы, так "
    "как он {2} (права {3}); программа не подключилась к новому экземпляру";
inline constexpr std::string_view kPipeServedByAnotherText =
    "канал {1} нового экземпляра LibreOffice обслуживает процесс {2} пользователя {3}, а не "
    "экземпляр (процесс {4}); программа закрыла соединение";
// {2} one of the two below.
inline constexpr std::string_view kPipeDirectoryFullText =
    "в {1}, где LibreOffice создаёт свои каналы, {2}: экземпляр не может создать канал, и "
    "программа не может к нему подключиться";
inline constexpr std::string_view kNoFreeInodesWord =
    "не осталось свободных индексных дескрипторов (inode)";
inline constexpr std::string_view kNoFreeSpaceWord = "не осталось свободного места";
// {2} the kind of file ("сокет", "символическая ссылка", …), {3} its owner.
inline constexpr std::string_view kSingleInstancePipeTakenText =
    "канал {1}, которым LibreOffice проверяет, не запущен ли уже экземпляр с тем же профилем, "
    "занят: там {2} пользователя {3}; программа остановила запуск экземпляра";
//
// Microsoft Excel (Windows).
inline constexpr std::string_view kComNotInitialisedText =
    "Не удалось инициализировать COM для потока программы";
inline constexpr std::string_view kNoApplicationOpenText =
    "Для этого расчёта не открыто табличное приложение";
inline constexpr std::string_view kNoWorksheetFunctionText =
    "Табличное приложение не вернуло объект WorksheetFunction";
inline constexpr std::string_view kExcelNotANumberText =
    "функция LN табличного приложения вернула значение типа варианта {1}, а не число ({2})";
// Excel turned a call down as busy, also after the message filter's retries: it is starting, or
// waits for the user in a dialog (first start, licensing, file recovery).
inline constexpr std::string_view kExcelBusyAdvice =
    "Microsoft Excel занят или ждёт ответа в одном из своих окон. Ответьте в этом окне или "
    "закройте его, затем запустите расчёт снова.";

// `text` with {1}, {2}, … replaced by the values in that order.
inline std::string FilledText(std::string_view text,
                              std::initializer_list<std::string_view> values) {
    std::string filled(text);
    int place = 0;
    for (const std::string_view value : values) {
        // The mark is written into a buffer of its own rather than concatenated: GCC 12 at -O3
        // warns falsely (-Wrestrict) on "{" + std::to_string(…) once this is inlined.
        char buffer[16] = {'{'};
        char* end = std::to_chars(buffer + 1, buffer + sizeof buffer - 1, ++place).ptr;
        *end++ = '}';
        const std::string_view mark(buffer, static_cast<std::size_t>(end - buffer));
        if (const auto at = filled.find(mark); at != std::string::npos) {
            filled.replace(at, mark.size(), value);
        }
    }
    return filled;
}

// A duration as people read it: "30 с", "0.3 с".
inline std::string SecondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g с", std::chrono::duration<double>(duration).count());
    return text;
}

#ifdef _WIN32
inline constexpr std::string_view kStartSpreadsheetAdvice = kStartExcelAdvice;
#else
inline constexpr std::string_view kStartSpreadsheetAdvice = kStartLibreOfficeAdvice;
#endif

}  // namespace secant_root::texts
