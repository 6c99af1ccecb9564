#pragma once

#include <array>
#include <string_view>

// The main window described as data, shared by every realisation of the window. Positions and
// sizes are in twips (1/1440 inch) relative to the top-left corner of the client area.
namespace secant_root::layout {

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

enum class ControlKind { Label, TextBox, Button };

struct ControlLayout {
    std::string_view name;
    ControlKind kind;
    TwipRect rect;
    std::string_view caption;  // UTF-8; the initial text of the text box
};

inline constexpr std::string_view kFormName = "Form1";
inline constexpr std::string_view kFormCaption = "Form1";
inline constexpr int kClientWidth = 3744;
inline constexpr int kClientHeight = 2556;

inline constexpr std::string_view kPromptLabel = "Label1";
inline constexpr std::string_view kPrecisionBox = "txtEps";
inline constexpr std::string_view kCalculateButton = "Command1";
inline constexpr std::string_view kProblemLabel = "Label2";
inline constexpr std::string_view kAnswerLabel = "lblAns";

// In tab order. The captions are the program's own texts and stand exactly as written.
inline constexpr std::array<ControlLayout, 5> kControls{{
    {kPromptLabel, ControlKind::Label, {240, 120, 852, 492}, "Укажите Точность"},
    {kPrecisionBox, ControlKind::TextBox, {1200, 120, 732, 492}, ""},
    {kCalculateButton, ControlKind::Button, {2040, 120, 1332, 492}, "Проивести рассчет"},
    {kProblemLabel,
     ControlKind::Label,
     {120, 840, 1932, 732},
     "Решение уравнения 0.1*x*x - ln(x)*x=0 на промежутке [1;2] "},
    {kAnswerLabel, ControlKind::Label, {2280, 840, 972, 612}, ""},
}};

// Twips to whole pixels at `dpi` logical dots per inch, rounded to nearest (15 twips make one
// pixel at 96 DPI).
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

}  // namespace secant_root::layout
