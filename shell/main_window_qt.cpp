#include "shell/main_window_qt.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRect>
#include <limits>
#include <string_view>

#include "shell/command_button_qt.h"
#include "shell/error_report.h"
#include "shell/program_icon_qt.h"
#include "shell/window_layout.h"

namespace secant_root {
namespace {

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QRect PixelRect(const layout::TwipRect& twips, int dpiX, int dpiY) {
    return QRect(layout::TwipsToPixels(twips.left, dpiX), layout::TwipsToPixels(twips.top, dpiY),
                 layout::TwipsToPixels(twips.width, dpiX),
                 layout::TwipsToPixels(twips.height, dpiY));
}

// DejaVu Sans at 8 points is the size at which every caption is whole inside its fixed rectangle
// (at 96 DPI the prompt needs two lines within 57 × 33 pixels and the problem statement three
// within 129 × 49). The controls inherit it, and it scales with the screen's DPI as the
// rectangles do.
QFont WindowFont() {
    QFont font(QStringLiteral("DejaVu Sans"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QWidget* CreateControl(const layout::ControlLayout& control, QWidget* window) {
    const QString caption = Text(control.caption);
    switch (control.kind) {
        case layout::ControlKind::Label: {
            auto* label = new QLabel(window);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setText(caption);
            return label;
        }
        case layout::ControlKind::TextBox: {
            auto* box = new QLineEdit(caption, window);
            // A pasted text is taken whole (the default limit of 32,767 characters would cut it
            // silently and change the number it reads as); the reading rejects what is not a
            // number.
            box->setMaxLength(std::numeric_limits<int>::max());
            return box;
        }
        case layout::ControlKind::Button:
            return new CommandButton(caption, window);
    }
    return nullptr;
}

// A plain QWidget is presented to assistive technology as a filler; Form1 is the program's
// top-level window and says so. The accessibility registry owns the interfaces it is handed.
QAccessibleInterface* FormAccessible(const QString& /*className*/, QObject* object) {
    if (auto* form = qobject_cast<MainWindow*>(object)) {
        return new QAccessibleWidget(form, QAccessible::Window);
    }
    return nullptr;
}

// Holds the controls that the calculation reads and writes for the length of one run.
class FormCalcWindow final : public CalcWindow {
  public:
    FormCalcWindow(const QLineEdit& precisionBox, QLabel& answerLabel)
        : precisionBox_(precisionBox), answerLabel_(answerLabel) {}

    // Qt's controls cannot fail a call, so neither operation raises.
    std::string ReadPrecisionText() override { return precisionBox_.text().toStdString(); }
    void SetAnswerText(const std::string& text) override {
        const QString answer = QString::fromStdString(text);
        const bool sameAsShown = answerLabel_.text() == answer;
        // The label's accessible name is its text, and the label tells assistive technology of a
        // new text itself, so that a screen reader reads the answer out. The same answer again is
        // no change to the label, yet the user asked again: it is told once more.
        answerLabel_.setText(answer);
        if (sameAsShown) {
            QAccessibleEvent shown(&answerLabel_, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&shown);
        }
    }

  private:
    const QLineEdit& precisionBox_;
    QLabel& answerLabel_;
};

}  // namespace

void MainWindow::ExitEventLoop(int exitStatus) { QCoreApplication::exit(exitStatus); }

MainWindow::MainWindow(LogSource& logs, EndProgram endProgram)
    : logs_(logs), endProgram_(std::move(endProgram)) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(FormAccessible);
        return true;
    }();
    static_cast<void>(factoryInstalled);
    setObjectName(Text(layout::kFormName));
    setWindowTitle(Text(layout::kFormCaption));
    setWindowIcon(ProgramIcon());
    setFont(WindowFont());
    resize(layout::TwipsToPixels(layout::kClientWidth, logicalDpiX()),
           layout::TwipsToPixels(layout::kClientHeight, logicalDpiY()));
    CreateControls();

    connect(calculateButton_, &QAbstractButton::clicked, this, &MainWindow::Calculate);
    precisionBox_->setFocus();
}

void MainWindow::CreateControls() {
    // No layout manager: the controls keep their places and sizes when the window is resized.
    QWidget* previousInTabOrder = nullptr;
    for (const layout::ControlLayout& control : layout::kControls) {
        QWidget* widget = CreateControl(control, this);
        widget->setObjectName(Text(control.name));
        widget->setGeometry(PixelRect(control.rect, logicalDpiX(), logicalDpiY()));
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previousInTabOrder != nullptr) {
                setTabOrder(previousInTabOrder, widget);
            }
            previousInTabOrder = widget;
        }
    }
    precisionBox_ = findChild<QLineEdit*>(Text(layout::kPrecisionBox));
    calculateButton_ = findChild<CommandButton*>(Text(layout::kCalculateButton));
    answerLabel_ = findChild<QLabel*>(Text(layout::kAnswerLabel));
    // The prompt labels the precision box: a screen reader names the box by it.
    findChild<QLabel*>(Text(layout::kPromptLabel))->setBuddy(precisionBox_);
}

void MainWindow::Calculate() {
    if (busy_) {
        return;
    }
    busy_ = true;
    Q_EMIT calculationStarted();
    const std::optional<AppError> failure = RunCalculateRoot();
    // The run kept the event loop waiting. Input that queued up meanwhile is delivered now, while
    // busy_ still holds, so that a click made during the run is not acted on after it either;
    // keys typed into the precision box meanwhile still arrive.
    QCoreApplication::processEvents();
    Q_EMIT calculationEnded();
    if (failure) {
        ReportAndEnd(*failure);
        return;
    }
    busy_ = false;
}

std::optional<AppError> MainWindow::RunCalculateRoot() {
    FormCalcWindow window(*precisionBox_, *answerLabel_);
    try {
        CalculateRoot(window, logs_);
    } catch (const AppError& error) {
        return error;
    }
    return std::nullopt;
}

void MainWindow::ReportAndEnd(const AppError& error) {
    QMessageBox report(QMessageBox::Critical, Text(kErrorReportTitle),
                       QString::fromStdString(ErrorReportText(error)), QMessageBox::Ok, this);
    report.exec();
    endProgram_(kErrorExitStatus);
}

}  // namespace secant_root
