#include "shell/main_window_qt.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "common/app_error.h"
#include "shell/command_button_qt.h"
#include "shell/error_report.h"
#include "tests/scripted_log_source.h"
#include "tests/shell/window_error_cases.h"

namespace secant_root {
namespace {

using testing::ScriptedLogSource;
using testing::TableLn;
using Kind = ScriptedLogSource::Call::Kind;

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// Posts events as the window system queues them while the GUI thread is busy.
void PostClick(QWidget* target) {
    const QPointF centre = QRectF(target->rect()).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        QCoreApplication::postEvent(
            target, std::make_unique<QMouseEvent>(type, centre, target->mapToGlobal(centre),
                                                  Qt::LeftButton, held, Qt::NoModifier)
                        .release());
    }
}

void PostKey(QWidget* target, Qt::Key key, const QString& text = {}) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(
            target, std::make_unique<QKeyEvent>(type, key, Qt::NoModifier, text).release());
    }
}

// What the error report showed while it was open.
struct ReportSeen {
    bool shown = false;
    QString title;
    QString text;
    int buttons = 0;
    bool modal = false;
    QString answerMeanwhile;
    std::size_t endingsMeanwhile = 0;
};

// Waits for the error report to open, records it, and dismisses it with its button.
class ReportDismisser {
  public:
    explicit ReportDismisser(std::function<void(ReportSeen&)> observe = {})
        : observe_(std::move(observe)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { DismissIfOpen(); });
        poll_.start(5);
    }

    const ReportSeen& seen() const { return seen_; }

  private:
    void DismissIfOpen() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen_.shown = true;
        seen_.title = box->windowTitle();
        seen_.text = box->text();
        seen_.buttons = static_cast<int>(box->buttons().size());
        seen_.modal = box->isModal();
        if (observe_) {
            observe_(seen_);
        }
        box->buttons().front()->click();
    }

    std::function<void(ReportSeen&)> observe_;
    ReportSeen seen_;
    QTimer poll_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : window_(logs_, [this](int status) { endings_.push_back(status); }) {}

    void ShowActive() {
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    template <class Control>
    Control* Find(const char* name) {
        auto* control = window_.findChild<Control*>(Utf8(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QLineEdit* precisionBox() { return Find<QLineEdit>("txtEps"); }
    CommandButton* button() { return Find<CommandButton>("Command1"); }
    QLabel* answer() { return Find<QLabel>("lblAns"); }

    void Type(const char* precision) {
        precisionBox()->clear();
        QTest::keyClicks(precisionBox(), Utf8(precision));
    }
    void TypeAndClick(const char* precision) {
        Type(precision);
        QTest::mouseClick(button(), Qt::LeftButton);
    }

    ScriptedLogSource logs_;
    std::vector<int> endings_;
    MainWindow window_;
};

struct ControlCase {
    const char* name;
    const char* className;
    const char* text;
    QRect pixels;  // at 96 DPI: twips / 15, rounded to nearest
};

const ControlCase kControlCases[] = {
    {"Label1", "QLabel", "Укажите Точность", {16, 8, 57, 33}},
    {"txtEps", "QLineEdit", "", {80, 8, 49, 33}},
    {"Command1", "secant_root::CommandButton", "Проивести рассчет", {136, 8, 89, 33}},
    {"Label2",
     "QLabel",
     "Решение уравнения 0.1*x*x - ln(x)*x=0 на промежутке [1;2] ",
     {8, 56, 129, 49}},
    {"lblAns", "QLabel", "", {152, 56, 65, 41}},
};

QString TextOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* box = qobject_cast<const QLineEdit*>(control)) return box->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    return {};
}

TEST_F(MainWindowTest, StartsWithTheTabledControlsTextsAndPlacesAt96Dpi) {
    ASSERT_EQ(window_.logicalDpiX(), 96);
    ASSERT_EQ(window_.logicalDpiY(), 96);
    EXPECT_EQ(window_.objectName(), "Form1");
    EXPECT_EQ(window_.windowTitle(), "Form1");
    EXPECT_EQ(window_.size(), QSize(250, 170));  // 3744 × 2556 twips

    const QList<QWidget*> children = window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), std::size(kControlCases));
    for (std::size_t i = 0; i < std::size(kControlCases); ++i) {
        const ControlCase& c = kControlCases[i];
        SCOPED_TRACE(c.name);
        const QWidget* control = children[static_cast<qsizetype>(i)];
        EXPECT_EQ(control->objectName(), c.name);
        EXPECT_STREQ(control->metaObject()->className(), c.className);
        EXPECT_EQ(TextOf(control), Utf8(c.text));
        EXPECT_EQ(control->geometry(), c.pixels);
        EXPECT_EQ(control->font(), window_.font());
        EXPECT_FALSE(control->testAttribute(Qt::WA_SetPalette));
    }
    EXPECT_EQ(QFontInfo(window_.font()).family(), "DejaVu Sans");
    EXPECT_TRUE(logs_.calls().empty());
}

TEST_F(MainWindowTest, AssistiveTechnologySeesATopLevelWindowAndAPrecisionBoxNamedByItsPrompt) {
    QAccessibleInterface* form = QAccessible::queryAccessibleInterface(&window_);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->role(), QAccessible::Window);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(precisionBox());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->role(), QAccessible::EditableText);
    EXPECT_EQ(box->text(QAccessible::Name), Utf8("Укажите Точность"));
}

// Leading blanks before the number, pasted at once: at and far beyond the box's default limit
// of 32,767 characters, where the cut text read as 0.00 and the click failed.
struct PasteCase {
    qsizetype blanks;
    const char* number;
    const char* answer;
};

TEST_F(MainWindowTest, APastedPrecisionIsTakenWhole) {
    ShowActive();
    for (const PasteCase& c :
         {PasteCase{32763, "0.001", "1.1189"}, PasteCase{1 << 20, "0.001", "1.1189"},
          PasteCase{1 << 20, "1", "1.1686"}}) {
        SCOPED_TRACE(c.blanks);
        const QString pasted = QString(c.blanks, QLatin1Char(' ')) + Utf8(c.number);
        precisionBox()->clear();
        QGuiApplication::clipboard()->setText(pasted);
        precisionBox()->paste();
        ASSERT_EQ(precisionBox()->text().size(), pasted.size());
        QTest::mouseClick(button(), Qt::LeftButton);
        EXPECT_EQ(answer()->text(), c.answer);
    }
    EXPECT_TRUE(endings_.empty());
}

TEST_F(MainWindowTest, LabelsWrapFromTheTopLeftTakeNoFocusAndShowTextAsIs) {
    for (const char* name : {"Label1", "Label2", "lblAns"}) {
        SCOPED_TRACE(name);
        const QLabel* label = Find<QLabel>(name);
        EXPECT_TRUE(label->wordWrap());
        EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(MainWindowTest, EveryCaptionIsWholeInsideItsRectangle) {
    for (const char* name : {"Label1", "Label2"}) {
        SCOPED_TRACE(name);
        const QLabel* label = Find<QLabel>(name);
        const QRect area = label->contentsRect();
        const QRect needed = label->fontMetrics().boundingRect(
            area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
        EXPECT_TRUE(area.contains(needed)) << needed.width() << "x" << needed.height();
    }
    const QRect area = button()->CaptionArea();
    const QRect needed = button()->fontMetrics().boundingRect(
        area, Qt::AlignCenter | Qt::TextWordWrap, button()->text());
    EXPECT_TRUE(area.contains(needed)) << needed.width() << "x" << needed.height();
    EXPECT_LT(needed.height(), 3 * button()->fontMetrics().lineSpacing());  // two lines at most
}

TEST_F(MainWindowTest, ControlsKeepTheirPlacesWhenTheWindowIsResized) {
    ShowActive();
    for (const QSize size : {QSize(600, 400), QSize(120, 60), QSize(250, 170)}) {
        window_.resize(size);
        for (const ControlCase& c : kControlCases) {
            EXPECT_EQ(Find<QWidget>(c.name)->geometry(), c.pixels)
                << c.name << " at " << size.width();
        }
    }
}

TEST_F(MainWindowTest, FocusStartsInThePrecisionBoxAndTabMovesBetweenBoxAndButton) {
    ShowActive();
    EXPECT_EQ(QApplication::focusWidget(), precisionBox());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), precisionBox());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), button());
}

TEST_F(MainWindowTest, TypingThePrecisionAndClickingShowsTheRoot) {
    ShowActive();
    TypeAndClick("0.001");

    EXPECT_EQ(answer()->text(), "1.1189");
    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
    EXPECT_EQ(logs_.CountOf(Kind::Ln), 9);
    EXPECT_EQ(logs_.CountOf(Kind::Close), 1);
    EXPECT_TRUE(endings_.empty());
}

TEST_F(MainWindowTest, AnswerStaysWhileThePrecisionIsEditedUntilTheNextClick) {
    ShowActive();
    TypeAndClick("0.001");
    ASSERT_EQ(answer()->text(), "1.1189");

    QTest::keyClick(precisionBox(), Qt::Key_Backspace);
    EXPECT_EQ(answer()->text(), "1.1189");
    Type("1");
    EXPECT_EQ(answer()->text(), "1.1189");

    QTest::mouseClick(button(), Qt::LeftButton);
    EXPECT_EQ(answer()->text(), "1.1686");
    EXPECT_EQ(logs_.CountOf(Kind::Open), 2);
}

class KeysInThePrecisionBox : public MainWindowTest,
                              public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(KeysInThePrecisionBox, DoNothing) {
    ShowActive();
    Type("0.001");
    QTest::keyClick(precisionBox(), GetParam());

    EXPECT_TRUE(logs_.calls().empty());
    EXPECT_EQ(answer()->text(), "");
    EXPECT_EQ(precisionBox()->text(), "0.001");
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(endings_.empty());
}

std::string KeyName(const ::testing::TestParamInfo<Qt::Key>& info) {
    return QKeySequence(info.param).toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(EnterAndEscape, KeysInThePrecisionBox,
                         ::testing::Values(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape), KeyName);

class KeysOnTheButton : public MainWindowTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(KeysOnTheButton, ClickItOnce) {
    ShowActive();
    Type("0.001");
    QTest::keyClick(precisionBox(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), button());

    QTest::keyClick(button(), GetParam());

    EXPECT_EQ(answer()->text(), "1.1189");
    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
}

INSTANTIATE_TEST_SUITE_P(SpaceAndEnter, KeysOnTheButton,
                         ::testing::Values(Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter), KeyName);

TEST_F(MainWindowTest, HeldDownEnterOnTheButtonClicksOnce) {
    ShowActive();
    Type("0.001");
    button()->setFocus();
    for (const bool repeated : {false, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, {}, repeated);
        QApplication::sendEvent(button(), &press);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(button(), &release);

    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
}

TEST_F(MainWindowTest, DuringARunNothingLooksBusyAndClicksAreNotActedOnThenOrAfterwards) {
    ShowActive();
    Type("0.001");
    logs_.ln = [this](int n, double x) {
        if (n == 4) {
            // The window shows no busy state.
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            EXPECT_TRUE(button()->isEnabled());
            EXPECT_TRUE(precisionBox()->isEnabled());

            button()->click();    // handled at once, inside the run
            PostClick(button());  // queued until the run returns
            PostKey(button(), Qt::Key_Space);
            PostKey(button(), Qt::Key_Return);
            PostKey(precisionBox(), Qt::Key_5, QStringLiteral("5"));
        }
        return TableLn(x);
    };

    QTest::mouseClick(button(), Qt::LeftButton);
    QCoreApplication::processEvents();

    EXPECT_EQ(logs_.CountOf(Kind::Open), 1);
    EXPECT_EQ(answer()->text(), "1.1189");
    // What was typed meanwhile is not lost.
    EXPECT_EQ(precisionBox()->text(), "0.0015");

    // The same queued click made while idle does run the command.
    PostClick(button());
    QCoreApplication::processEvents();
    EXPECT_EQ(logs_.CountOf(Kind::Open), 2);
}

class ErrorInTheCommand : public MainWindowTest,
                          public ::testing::WithParamInterface<testing::WindowErrorCase> {};

TEST_P(ErrorInTheCommand, IsReportedThenEndsTheProgramAndLeavesTheAnswer) {
    const testing::WindowErrorCase& c = GetParam();
    ShowActive();
    TypeAndClick("0.001");
    ASSERT_EQ(answer()->text(), "1.1189");
    c.arrange(logs_);
    Type(c.precision);

    const QSignalSpy ended(&window_, &MainWindow::calculationEnded);
    const ReportDismisser dismisser([this](ReportSeen& seen) {
        seen.answerMeanwhile = answer()->text();
        seen.endingsMeanwhile = endings_.size();
    });
    QTest::mouseClick(button(), Qt::LeftButton);

    const ReportSeen& seen = dismisser.seen();
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.text, QString::fromStdString(c.report));
    EXPECT_EQ(seen.title,
              QString::fromUtf8(texts::kReportTitle.data(), texts::kReportTitle.size()));
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.answerMeanwhile, "1.1189");
    EXPECT_EQ(seen.endingsMeanwhile, 0u);  // the program ends only after the report
    EXPECT_EQ(ended.count(), 1);           // also when Open fails: signal handling needs it

    EXPECT_THAT(endings_, ::testing::ElementsAre(kErrorExitStatus));
    EXPECT_NE(kErrorExitStatus, 0);
    EXPECT_EQ(answer()->text(), "1.1189");
    EXPECT_EQ(logs_.CountOf(Kind::Close), logs_.CountOf(Kind::Open));

    // The program is ending: a further click is not acted on.
    const auto callsBefore = logs_.calls().size();
    QTest::mouseClick(button(), Qt::LeftButton);
    EXPECT_EQ(logs_.calls().size(), callsBefore);
}

INSTANTIATE_TEST_SUITE_P(Scripted, ErrorInTheCommand,
                         ::testing::ValuesIn(testing::kWindowErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The real ending: the application's event loop returns the status that main() returns.
class EventLoopEnd : public ::testing::Test {
  protected:
    int RunEventLoop() {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(10000);
        return QApplication::exec();
    }
};

TEST_F(EventLoopEnd, AfterTheErrorReportTheStatusIsAFailure) {
    ScriptedLogSource logs;
    logs.openError = CannotCreateObjectError();
    MainWindow window(logs);
    window.show();
    const ReportDismisser dismisser;
    QTimer::singleShot(0, &window, [&window] {
        window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click();
    });

    EXPECT_EQ(RunEventLoop(), kErrorExitStatus);
    EXPECT_TRUE(dismisser.seen().shown);
}

TEST_F(EventLoopEnd, ClosingTheWindowEndsWithStatusZero) {
    ScriptedLogSource logs;
    MainWindow window(logs);
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.close(); });

    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_TRUE(logs.calls().empty());
}

TEST_F(MainWindowTest, WindowIconShowsTheIconFilesColourImagesAndLargerRenderings) {
    // The icon file holds the 32 × 32 and 16 × 16 colour images first, then the monochrome one.
    QImageReader reader(QStringLiteral(":/icons/secant-root.ico"));
    ASSERT_EQ(reader.imageCount(), 3);
    const QIcon icon = window_.windowIcon();
    for (const int index : {0, 1}) {
        ASSERT_TRUE(reader.jumpToImage(index));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        const QImage shown =
            icon.pixmap(image.size()).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown, image) << image.width();
    }
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    }
}

}  // namespace
}  // namespace secant_root
