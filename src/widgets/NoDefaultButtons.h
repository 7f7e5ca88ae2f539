#pragma once

class QWidget;

// In a dialog every push button is an "auto default" one: whichever had the
// focus last answers Enter, so a stray Enter adds a heat or closes a window
// that is about to store a race. Windows whose buttons write data, or close
// over data about to be written, answer Enter with nothing: this takes the
// default role from every push button inside the window.
void TakeDefaultFromButtons(QWidget& window);
