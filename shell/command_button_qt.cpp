#include "shell/command_button_qt.h"

#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace secant_root {

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
}

QRect CommandButton::CaptionArea() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter) {
        QPushButton::keyPressEvent(event);
        return;
    }
    // Like Space, a held-down key clicks once.
    if (!event->isAutoRepeat()) {
        click();
    }
    event->accept();
}

void CommandButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;

    // The style draws the frame, the pressed look and the focus indication; the caption is drawn
    // here because the style's label never wraps.
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = CaptionArea();
    if (option.state & (QStyle::State_On | QStyle::State_Sunken)) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         option.palette, isEnabled(), caption, QPalette::ButtonText);
}

}  // namespace secant_root
