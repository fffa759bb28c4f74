#include "ui/main_window.hpp"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "ui/information_window.hpp"
#include "ui/qt_form_control.hpp"
#include "ui/twips.hpp"
#include "ui/user_dialogs.hpp"
#include "ui/window_placement.hpp"

namespace kelvrin::ui {

MainWindow::MainWindow(UserDialogs& dialogs, ConversionRunner run_conversion, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      dialogs_(dialogs),
      model_(*this, std::move(run_conversion)) {
  setObjectName("MainWindow");
  setWindowTitle(from_utf8(window_caption));
  setAcceptDrops(true);
  build_controls();
  model_.start();
  widget(Control::source_box)->setFocus();

  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(f1, &QShortcut::activated, this, &MainWindow::show_information);
}

MainWindow::~MainWindow() {
  // The controls outlive this part of the window: a text box that loses the
  // focus as they go would otherwise call into a window no longer there.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
  if (information_) delete information_.data();
}

void MainWindow::build_controls() {
  std::vector<const ControlRow*> focus_order;
  for (const ControlRow& row : form_controls()) {
    std::function<void()> on_enter;
    if (row.control == Control::source_box) on_enter = [this] { model_.source_edit_finished(); };
    QWidget* control = make_form_control(row, this, std::move(on_enter));
    controls_[static_cast<std::size_t>(row.control)] = control;
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      connect(button, &QPushButton::clicked, this,
              [this, pressed = row.control] { model_.press(pressed); });
    }
    if (row.tab_index >= 0) focus_order.push_back(&row);
  }
  std::ranges::sort(focus_order, {}, &ControlRow::tab_index);
  for (std::size_t i = 1; i < focus_order.size(); ++i) {
    setTabOrder(widget(focus_order[i - 1]->control), widget(focus_order[i]->control));
  }

  // A file dropped on a field is the window's to take, as anywhere else on
  // it, not text for the field.
  for (QLineEdit* field : findChildren<QLineEdit*>()) field->setAcceptDrops(false);

  QComboBox* source = list(Control::source_box);
  connect(source, &QComboBox::activated, this,
          [this, source](int) { model_.choose_source(source->currentText().toStdString()); });
  connect(source->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { model_.source_edit_finished(); });
}

QComboBox* MainWindow::list(Control control) const {
  return qobject_cast<QComboBox*>(widget(control));
}

void MainWindow::choose_source(const QString& source) {
  model_.choose_source(source.toStdString());
}

void MainWindow::set_input_file(const QString& path) { model_.set_input_file(path.toStdString()); }

std::string MainWindow::text(Control control) const {
  if (QComboBox* box = list(control)) return box->currentText().toStdString();
  if (auto* field = qobject_cast<QLineEdit*>(widget(control))) return field->text().toStdString();
  return {};
}

void MainWindow::set_text(Control control, std::string_view text) {
  if (QComboBox* box = list(control)) {
    const int entry = box->findText(from_utf8(text));
    if (entry >= 0) {
      box->setCurrentIndex(entry);
    } else {
      box->setEditText(from_utf8(text));
    }
  } else if (auto* field = qobject_cast<QLineEdit*>(widget(control))) {
    field->setText(from_utf8(text));
  }
}

void MainWindow::set_list(Control control, std::span<const std::string_view> entries) {
  QComboBox* box = list(control);
  if (box == nullptr) return;
  box->clear();
  for (std::string_view entry : entries) box->addItem(from_utf8(entry));
  box->setCurrentIndex(-1);
  box->clearEditText();
  // The list may be wider than the box: the NTv2 names must read whole.
  QAbstractItemView* popup = box->view();
  popup->setMinimumWidth(popup->sizeHintForColumn(0) + popup->frameWidth() * 2 + 4);
}

void MainWindow::set_layout(Layout layout) {
  const LayoutGeometry design = layout_geometry(layout);
  apply_height();
  for (const ControlRow& row : form_controls()) {
    QWidget* control = widget(row.control);
    if (row.placement == Placement::button_row) {
      control->move(control->x(), twips_to_pixels(design.button_top, this));
    } else if (row.placement == Placement::parameter_row) {
      control->setVisible(design.parameter_rows);  // hidden fields keep their texts
    }
  }
}

// The designed height includes the title bar and borders: the client area
// gets what this platform's frame leaves of it (all of it where there is no
// frame, as offscreen or with no window manager).
void MainWindow::apply_height() {
  const LayoutGeometry design = layout_geometry(model_.layout());
  const int frame = isVisible() ? frameGeometry().height() - height() : 0;
  setFixedSize(twips_to_pixels(client_width, this),
               twips_to_pixels(design.outer_height, this) - std::max(frame, 0));
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) {
    placed_ = true;
    centre_on_screen(this);
  }
  // The window manager may add its frame only after the window is shown.
  apply_height();
  QTimer::singleShot(100, this, [this] { apply_height(); });
}

std::optional<std::string> MainWindow::choose_file(std::string_view preset, FileKind kind) {
  const std::optional<QString> chosen =
      dialogs_.choose_file(this, from_utf8(preset), kind == FileKind::drawing);
  if (!chosen) return std::nullopt;
  return chosen->toStdString();
}

std::optional<std::string> MainWindow::choose_output(std::string_view suggested) {
  const std::optional<QString> chosen = dialogs_.choose_output(this, from_utf8(suggested));
  if (!chosen) return std::nullopt;
  return chosen->toStdString();
}

void MainWindow::show_message(std::string_view text, std::string_view title) {
  dialogs_.show_message(this, from_utf8(text), from_utf8(title));
}

bool MainWindow::ask(std::string_view text, std::string_view title) {
  return dialogs_.confirm(this, from_utf8(text), from_utf8(title));
}

void MainWindow::set_busy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void MainWindow::close_window() { close(); }

void MainWindow::show_information() {
  if (!information_) {
    information_ = new InformationWindow();
    information_->setAttribute(Qt::WA_DeleteOnClose);
  }
  information_->show();
  information_->raise();
  information_->activateWindow();
}

InformationWindow* MainWindow::information_window() const { return information_.data(); }

namespace {

// The local files a drag carries, as UTF-8 paths.
std::vector<std::string> dragged_files(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace

// Only a drag that holds a drawing or a point list shows it would be taken.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const std::vector<std::string> paths = dragged_files(event->mimeData());
  if (std::ranges::any_of(paths, &FormModel::takes_as_input)) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (model_.drop_files(dragged_files(event->mimeData()))) event->acceptProposedAction();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program: the information window goes too.
  if (information_) information_->close();
  QWidget::closeEvent(event);
}

}  // namespace kelvrin::ui
