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
  // and picks the layout. Typing a name runs nothing.
  void choose_source(const QString& source);

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
  void browse_into(QLineEdit* field);
  void run_ok();
  void apply_height();

  UserDialogs& dialogs_;
  ConversionRunner run_conversion_;
  Layout layout_ = Layout::compact;
  QString dialog_file_name_;  // carried over from one browse to the next
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
