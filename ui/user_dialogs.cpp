#include "ui/user_dialogs.hpp"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "points/point_list_file.hpp"

namespace kelvrin::ui {
namespace {

const QString all_files = QStringLiteral("Todos os ficheiros (*)");

}  // namespace

void WidgetDialogs::show_message(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.exec();
}

bool WidgetDialogs::confirm(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> WidgetDialogs::choose_file(QWidget* parent, const QString& preset,
                                                  bool dxf_only) {
  QFileDialog dialog(parent);
  dialog.setWindowTitle(QString());
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(dxf_only ? QStringList{dxf_filter, point_list_filter, all_files}
                                 : QStringList{all_files});
  if (!preset.isEmpty()) dialog.selectFile(preset);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> WidgetDialogs::choose_output(QWidget* parent, const QString& suggested) {
  QFileDialog dialog(parent);
  dialog.setWindowTitle(QString());
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);  // Qt asks before replacing a file
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // A point list's output is offered as a list, with its extension.
  const QString suffix = QFileInfo(suggested).suffix();
  const bool list = points::has_point_list_extension(suggested.toStdString());
  dialog.setNameFilters(list ? QStringList{point_list_filter, dxf_filter, all_files}
                             : QStringList{dxf_filter, point_list_filter, all_files});
  dialog.setDefaultSuffix(list ? suffix : QStringLiteral("dxf"));
  if (!suggested.isEmpty()) dialog.selectFile(suggested);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace kelvrin::ui
