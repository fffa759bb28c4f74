// Saves pictures of the main window in both layouts, under a dark theme, of
// the information window and of the output's save dialog with Qt's texts in
// Portuguese, as the screen shows them (run under Xvfb by
// tools/screenshots.sh).
//
//   kelvrin-window-screenshots OUTPUT_FOLDER

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QLocale>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QWidget>

#include "ui/fonts.hpp"
#include "ui/information_window.hpp"
#include "ui/main_window.hpp"
#include "ui/output_name.hpp"
#include "ui/qt_translations.hpp"
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

// A dark desktop theme, as the Fusion style draws one.
QPalette dark_palette() {
  QPalette dark(QColor(53, 53, 53), QColor(35, 35, 35));
  dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Midlight, QColor(70, 70, 70));
  dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
  return dark;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) return 2;
  QApplication::setWindowIcon(QIcon(KELVRIN_ICON));
  kelvrin::ui::install_font_substitutes();
  kelvrin::ui::install_qt_translations(application, QLocale::c());  // Portuguese
  const QDir folder(argv[1]);
  kelvrin::ui::WidgetDialogs dialogs;
  bool saved = true;
  {
    kelvrin::ui::MainWindow window(dialogs, [](auto&, const auto&) {});
    window.set_input_file("/home/topografo/levantamentos/planta.dxf");
    window.show();
    saved = save(&window, folder.filePath("main_window_compact.png")) && saved;
    // The targets of Datum 73, the NTv2 ones after the catalogue's own.
    window.findChild<QComboBox*>("Combo1")->setEditText("Hayford-Gauss Datum 73");
    window.choose_source("Hayford-Gauss Datum 73");
    auto* targets = window.findChild<QComboBox*>("Combo2");
    targets->showPopup();
    settle();
    {
      const QRect frame = window.frameGeometry();
      saved =
          window.screen()
              ->grabWindow(0, frame.x(), frame.y(), frame.width() + 120, frame.height() / 2 + 40)
              .save(folder.filePath("main_window_targets.png")) &&
          saved;
    }
    targets->hidePopup();
    window.findChild<QComboBox*>("Combo1")->setEditText("Qualquer");
    window.choose_source("Qualquer");
    saved = save(&window, folder.filePath("main_window_qualquer.png")) && saved;
    window.show_information();
    saved = save(window.information_window(), folder.filePath("information_window.png")) && saved;

    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      saved = save(dialog, folder.filePath("save_dialog_pt.png")) && saved;
      dialog->reject();
    });
    dialogs.choose_output(&window,
                          QString::fromStdString(kelvrin::ui::suggested_output(
                              (QDir::homePath() + "/planta.dxf").toStdString(), "ETRS89 TM06")));
  }

  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QApplication::setPalette(dark_palette());
  kelvrin::ui::MainWindow dark_window(dialogs, [](auto&, const auto&) {});
  dark_window.findChild<QComboBox*>("Combo1")->setEditText("Hayford-Gauss Datum 73");
  dark_window.choose_source("Hayford-Gauss Datum 73");
  dark_window.set_input_file("/home/topografo/levantamentos/planta.dxf");
  dark_window.show();
  saved = save(&dark_window, folder.filePath("main_window_dark.png")) && saved;
  return saved ? 0 : 1;
}
