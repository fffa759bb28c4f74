// kelvrin: the main window of the conversion tool.

#include <QApplication>

#include "core/conversion_job.hpp"
#include "core/executable_folder.hpp"
#include "core/messages.hpp"
#include "platform/own_files.hpp"
#include "ui/fonts.hpp"
#include "ui/main_window.hpp"
#include "ui/qt_translations.hpp"
#include "ui/user_dialogs.hpp"

int main(int argc, char** argv) {
  // The session may end under the window (logout, a closed terminal): the
  // conversion's files go with it.
  kelvrin::platform::install_interruption_handlers(kelvrin::core::messages::last_words("kelvrin"));
  QApplication application(argc, argv);
  QApplication::setApplicationName("kelvrin");
  QApplication::setWindowIcon(QIcon(":/kelvrin.png"));
  kelvrin::ui::install_font_substitutes();
  kelvrin::ui::install_qt_translations(application);

  const kelvrin::core::JobSettings settings{kelvrin::core::grid_folder()};
  kelvrin::ui::WidgetDialogs dialogs;
  kelvrin::ui::MainWindow window(
      dialogs,
      [&settings](kelvrin::core::JobHost& host, const kelvrin::core::ConversionRequest& request) {
        kelvrin::core::run_conversion(host, settings, request);
      });
  // A drawing given on the command line or by a file manager's "open with".
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) window.set_input_file(arguments.at(1));
  window.show();
  return QApplication::exec();
}
