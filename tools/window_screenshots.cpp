// Saves pictures of the main window in both layouts and of the information
// window, as the screen shows them (run under Xvfb by tools/screenshots.sh).
//
//   kelvrin-window-screenshots OUTPUT_FOLDER

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "ui/fonts.hpp"
#include "ui/information_window.hpp"
#include "ui/main_window.hpp"
#include "ui/user_dialogs.hpp"

namespace {

void settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QEventLoop loop;
    QTimer::singleShot(25, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

bool save(QWidget* window, const QString& path) {
  settle();
  const QRect frame = window->frameGeometry();
  const QPixmap picture =
      window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return picture.save(path);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) return 2;
  kelvrin::ui::install_font_substitutes();
  const QDir folder(argv[1]);
  kelvrin::ui::WidgetDialogs dialogs;
  kelvrin::ui::MainWindow window(dialogs, [](auto&, const auto&) {});
  window.show();
  bool saved = save(&window, folder.filePath("main_window_compact.png"));
  window.choose_source("Qualquer");
  saved = save(&window, folder.filePath("main_window_qualquer.png")) && saved;
  window.show_information();
  saved = save(window.information_window(), folder.filePath("information_window.png")) && saved;
  return saved ? 0 : 1;
}
