#pragma once

#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace kelvrin::ui {

// The two things the main window asks of the user in a modal dialog. Tests
// answer them with scripts instead of real, blocking dialogs.
class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // A modal message box: the text, the title, an OK button and no icon.
  virtual void show_message(QWidget* parent, const QString& text, const QString& title) = 0;

  // The open-file dialog with `preset` as its file name; the chosen path, or
  // nullopt when the user cancels.
  virtual std::optional<QString> choose_file(QWidget* parent, const QString& preset) = 0;
};

// The real dialogs: QMessageBox and one QFileDialog shared by every browse.
class WidgetDialogs final : public UserDialogs {
 public:
  WidgetDialogs();
  ~WidgetDialogs() override;
  void show_message(QWidget* parent, const QString& text, const QString& title) override;
  std::optional<QString> choose_file(QWidget* parent, const QString& preset) override;
};

}  // namespace kelvrin::ui
