#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "core/conversion_job.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvrin::ui {

class InformationWindow;
class UserDialogs;

// How OK runs a conversion; the program runs the conversion job itself,
// tests may look at the six texts instead.
using ConversionRunner = std::function<void(core::JobHost&, const core::ConversionRequest&)>;

// The main window: the source and target systems, the input and output
// drawings, the two parameter files of "Qualquer", OK and Cancelar. It is
// the conversion job's host: message boxes, the mouse pointer, closing.
class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  enum class Layout { compact, qualquer };

  MainWindow(UserDialogs& dialogs, ConversionRunner run_conversion, QWidget* parent = nullptr);
  ~MainWindow() override;

  // What choosing `source` from the source list does: fills the target list
  // and picks the layout. Typing a source name does the same when the
  // editing ends (Enter, Tab, leaving the box).
  void choose_source(const QString& source);

  // Puts a drawing given on the command line in the input field.
  void set_input_file(const QString& path);

  // The name the output's save dialog proposes: the input's folder, its
  // name with the target system added, never the input's own name.
  static QString suggested_output(const QString& input, const QString& target);

  void set_layout(Layout layout);
  Layout current_layout() const { return layout_; }

  // Shows the information window without waiting for it (F1).
  void show_information();
  InformationWindow* information_window() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  class Host;

  void build_controls();
  void browse_into(QLineEdit* field, bool dxf_only);
  void browse_output();
  void source_edited();
  bool confirmed_before_running();
  void run_ok();
  void apply_height();

  UserDialogs& dialogs_;
  ConversionRunner run_conversion_;
  Layout layout_ = Layout::compact;
  QString dialog_file_name_;  // carried over from one browse to the next
  QString reacted_source_;    // the source the targets were last filled for
  QPointer<InformationWindow> information_;
  bool placed_ = false;

  QComboBox* combo1_ = nullptr;
  QComboBox* combo2_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text3_ = nullptr;
  QLineEdit* text4_ = nullptr;
  QPushButton* command1_ = nullptr;
  QPushButton* command2_ = nullptr;
  QList<QWidget*> parameter_rows_;
};

}  // namespace kelvrin::ui
