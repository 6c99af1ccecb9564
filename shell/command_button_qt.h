#pragma once

#include <QPushButton>
#include <QRect>
#include <QString>

class QKeyEvent;
class QPaintEvent;

namespace secant_root {

// A push button that behaves like a dialog's command button that is neither default nor cancel:
// Space and Enter click it while it has the focus (a plain QPushButton outside a dialog ignores
// Enter), and its caption wraps at word boundaries when it does not fit on one line.
class CommandButton final : public QPushButton {
    Q_OBJECT

  public:
    CommandButton(const QString& caption, QWidget* parent);

    // Where the caption is drawn: the style's contents area of the button.
    QRect CaptionArea() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace secant_root
