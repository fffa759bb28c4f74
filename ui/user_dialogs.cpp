#include "ui/user_dialogs.hpp"

#include <QFileDialog>
#include <QMessageBox>

namespace kelvrin::ui {

WidgetDialogs::WidgetDialogs() = default;
WidgetDialogs::~WidgetDialogs() = default;

void WidgetDialogs::show_message(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.exec();
}

std::optional<QString> WidgetDialogs::choose_file(QWidget* parent, const QString& preset) {
  // The same dialog for the output as for the inputs: it must accept the
  // name of a file that does not exist yet. No filter, no title of its own,
  // no initial folder, no default extension.
  QFileDialog dialog(parent);
  dialog.setWindowTitle(QString());
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (!preset.isEmpty()) dialog.selectFile(preset);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace kelvrin::ui
