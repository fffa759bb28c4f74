#include "ui/window_placement.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kelvrin::ui {

void centre_on_screen(QWidget* window) {
  const QScreen* screen =
      window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace kelvrin::ui
