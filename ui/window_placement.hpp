#pragma once

class QWidget;

namespace kelvrin::ui {

// Places a top-level window in the centre of its screen.
void centre_on_screen(QWidget* window);

}  // namespace kelvrin::ui
