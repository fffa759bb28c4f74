#pragma once

#include <QPointer>
#include <QWidget>
#include <array>

#include "ui/form_model.hpp"
#include "ui/form_view.hpp"

class QComboBox;

namespace kelvrin::ui {

class InformationWindow;
class UserDialogs;

// The main window in Qt Widgets: the controls of form_layout.hpp, drawn and
// read for the FormModel that holds its behaviour, plus what only a
// desktop window has (placement, the information window on F1, themes, a
// drawing dropped on it).
class MainWindow final : public QWidget, private FormView {
  Q_OBJECT

 public:
  using Layout = ui::Layout;

  MainWindow(UserDialogs& dialogs, ConversionRunner run_conversion, QWidget* parent = nullptr);
  ~MainWindow() override;

  // As choosing `source` from the source list.
  void choose_source(const QString& source);

  // Puts a drawing given on the command line in the input field.
  void set_input_file(const QString& path);

  Layout current_layout() const { return model_.layout(); }

  // Shows the information window without waiting for it (F1).
  void show_information();
  InformationWindow* information_window() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // FormView
  std::string text(Control control) const override;
  void set_text(Control control, std::string_view text) override;
  void set_list(Control control, std::span<const std::string_view> entries) override;
  void set_layout(Layout layout) override;
  std::optional<std::string> choose_file(std::string_view preset, FileKind kind) override;
  std::optional<std::string> choose_output(std::string_view suggested) override;
  void show_message(std::string_view text, std::string_view title) override;
  bool ask(std::string_view text, std::string_view title) override;
  void set_busy(bool busy) override;
  void close_window() override;

  void build_controls();
  QWidget* widget(Control control) const { return controls_[static_cast<std::size_t>(control)]; }
  QComboBox* list(Control control) const;
  void apply_height();

  UserDialogs& dialogs_;
  FormModel model_;
  QPointer<InformationWindow> information_;
  bool placed_ = false;
  std::array<QWidget*, control_count> controls_{};
};

}  // namespace kelvrin::ui
