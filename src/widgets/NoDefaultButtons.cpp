#include "widgets/NoDefaultButtons.h"

#include <QPushButton>
#include <QWidget>

void TakeDefaultFromButtons(QWidget& window)
{
    const auto buttons = window.findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}
