#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace kelvrin::ui {

// What the main window asks of the user in a modal dialog. Tests answer
// them with scripts instead of real, blocking dialogs.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // A modal message box: the text, the title, an OK button and no icon.
  virtual void show_message(QWidget* parent, const QString& text, const QString& title) = 0;

  // A question with Yes and No; No is the default answer.
  virtual bool confirm(QWidget* parent, const QString& text, const QString& title) = 0;

  // The open-file dialog with `preset` as its file name; `dxf_only` offers
  // the filter of DXF drawings first. The chosen path, or nullopt when the
  // user cancels.
  virtual std::optional<QString> choose_file(QWidget* parent, const QString& preset,
                                             bool dxf_only) = 0;

  // The save dialog for the converted drawing, in the folder of and with the
  // name of `suggested`; it asks before an existing file is replaced.
  virtual std::optional<QString> choose_output(QWidget* parent, const QString& suggested) = 0;
};

// The real dialogs: QMessageBox and QFileDialog.
class WidgetDialogs final : public UserDialogs {
 public:
  void show_message(QWidget* parent, const QString& text, const QString& title) override;
  bool confirm(QWidget* parent, const QString& text, const QString& title) override;
  std::optional<QString> choose_file(QWidget* parent, const QString& preset,
                                     bool dxf_only) override;
  std::optional<QString> choose_output(QWidget* parent, const QString& suggested) override;
};

// The filters of the file dialogs for drawings and for point lists.
inline const char* const dxf_filter = "Desenhos DXF (*.dxf *.DXF)";
inline const char* const point_list_filter = "Listas de pontos (*.csv *.txt)";

}  // namespace kelvrin::ui
