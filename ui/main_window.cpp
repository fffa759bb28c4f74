#include "ui/main_window.hpp"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>

#include "core/catalogue.hpp"
#include "core/messages.hpp"
#include "core/routes.hpp"
#include "ui/contrast.hpp"
#include "ui/information_window.hpp"
#include "ui/twips.hpp"
#include "ui/user_dialogs.hpp"
#include "ui/window_placement.hpp"

namespace kelvrin::ui {
namespace {

constexpr int client_width = 9285;

struct LayoutGeometry {
  int outer_height;  // twips, title bar and borders included
  int button_top;
  bool parameter_rows;
};

constexpr LayoutGeometry compact_layout{5765, 4460, false};
constexpr LayoutGeometry qualquer_layout{7065, 5760, true};

QString from_name(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QFont font_of(const char* family, double points, bool bold) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

const QColor dark_blue(0, 0, 192);

// Dark blue text on the light 3-D colour, for the lists and path fields; on
// a lighter grey where a dark theme makes that colour dark.
void colour_as_field(QWidget* widget) {
  QPalette colours = widget->palette();
  colours.setColor(QPalette::Base,
                   readable_background(dark_blue, colours.color(QPalette::Midlight)));
  colours.setColor(QPalette::Text, dark_blue);
  widget->setPalette(colours);
}

// The title's dark blue on the window's own colour, or on a band of light
// grey where the window is dark.
void colour_as_title(QLabel* title) {
  QPalette colours = title->palette();
  const QColor window = colours.color(QPalette::Window);
  const QColor background = readable_background(dark_blue, window);
  if (background != window) {
    colours.setColor(QPalette::Window, background);
    title->setAutoFillBackground(true);
  }
  colours.setColor(QPalette::WindowText, dark_blue);
  title->setPalette(colours);
}

// Enter in an editable list must neither pick an entry nor press a button;
// in the source box it ends the editing, which runs the source reaction.
class SwallowEnter final : public QObject {
 public:
  explicit SwallowEnter(QObject* parent, std::function<void()> on_enter = {})
      : QObject(parent), on_enter_(std::move(on_enter)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (on_enter_) on_enter_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> on_enter_;
};

std::string path_bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

// The window as the conversion job's host.
class MainWindow::Host final : public core::JobHost {
 public:
  explicit Host(MainWindow& window) : window_(window) {}

  void show_message(std::string_view text, std::string_view title, core::MessageKind) override {
    window_.dialogs_.show_message(&window_, from_name(text), from_name(title));
  }
  void set_busy_pointer() override { window_.setCursor(Qt::WaitCursor); }
  void restore_pointer() override { window_.unsetCursor(); }
  void close_main_window() override { window_.close(); }
  void end_program() override { window_.close(); }

 private:
  MainWindow& window_;
};

MainWindow::MainWindow(UserDialogs& dialogs, ConversionRunner run_conversion, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      dialogs_(dialogs),
      run_conversion_(std::move(run_conversion)) {
  setObjectName("MainWindow");
  setWindowTitle("Veltra - Ondrasil");
  build_controls();
  for (std::string_view name : core::source_list_names()) combo1_->addItem(from_name(name));
  combo1_->setCurrentIndex(-1);
  set_layout(Layout::compact);
  combo1_->setFocus();

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
  const auto place = [this](QWidget* widget, const char* name, int left, int top, int width,
                            int height, const QFont& font) {
    widget->setObjectName(name);
    widget->setGeometry(twips_rect(left, top, width, height, this));
    widget->setFont(font);
  };
  const QFont sans_bold = font_of("MS Sans Serif", 8.25, true);
  const QFont sans_label = font_of("MS Sans Serif", 9.75, true);
  const QFont arial_bold = font_of("Arial", 9.0, true);
  const QFont arial_small = font_of("Arial", 8.25, false);
  const QFont arial_small_bold = font_of("Arial", 8.25, true);
  const auto combo = [&](const char* name, int left, SwallowEnter* enter) {
    auto* box = new QComboBox(this);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->installEventFilter(enter);
    place(box, name, left, 1560, 4095, 315, sans_bold);
    colour_as_field(box);
    colour_as_field(box->lineEdit());  // some styles draw the text box with its own colours
    return box;
  };
  const auto field = [&](const char* name, int top, int height, const QFont& font) {
    auto* edit = new QLineEdit(this);
    place(edit, name, 480, top, 6735, height, font);
    colour_as_field(edit);
    return edit;
  };
  const auto button = [&](const char* name, const char* caption, int left, int top, int width,
                          int height, const QFont& font) {
    auto* push = new QPushButton(QString::fromUtf8(caption), this);
    push->setAutoDefault(false);
    push->setDefault(false);
    place(push, name, left, top, width, height, font);
    return push;
  };
  const auto label = [&](const char* name, const char* caption, int left, int top, int width,
                         int height, const QFont& font) {
    auto* text = new QLabel(QString::fromUtf8(caption), this);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(text, name, left, top, width, height, font);
    return text;
  };

  // Created in the order the keyboard focus moves through them.
  combo1_ = combo("Combo1", 480, new SwallowEnter(this, [this] { source_edited(); }));
  combo2_ = combo("Combo2", 4800, new SwallowEnter(this));
  text1_ = field("Text1", 2640, 350, arial_bold);
  text2_ = field("Text2", 3720, 350, arial_bold);
  command1_ = button("Command1", "OK", 1440, 4460, 1575, 495, sans_bold);
  command2_ = button("Command2", "Cancelar", 5160, 4460, 1575, 495, sans_bold);
  auto* command3 = button("Command3", "Procurar...", 7320, 2610, 1575, 400, sans_bold);
  auto* command4 = button("Command4", "Procurar...", 7320, 3690, 1575, 400, sans_bold);
  label("Label1", "Sistema 1", 480, 1200, 1695, 255, sans_label);
  label("Label2", "Sistema 2", 4800, 1200, 1695, 255, sans_label);
  QLabel* title = label("Label3", "Mudança de Sistema de Referência em ficheiros DXF", 1200, 360,
                        6975, 735, font_of("Microsoft Sans Serif", 12.75, true));
  colour_as_title(title);
  label("Label4", "Ficheiro DXF no Sistema 1", 480, 2280, 3015, 255, sans_label);
  label("Label5", "Ficheiro DXF no Sistema 2", 480, 3360, 2775, 255, sans_label);
  auto* command6 = button("Command6", "Procurar...", 7320, 4410, 1215, 350, arial_small_bold);
  text3_ = field("Text3", 4440, 285, arial_small);
  QLabel* label6 = label("Label6", "Ficheiro de Parâmetros - X", 480, 4200, 2775, 255, arial_bold);
  text4_ = field("Text4", 5040, 285, arial_small);
  auto* command7 = button("Command7", "Procurar...", 7320, 5010, 1215, 350, arial_small_bold);
  QLabel* label7 = label("Label7", "Ficheiro de Parâmetros - Y", 480, 4800, 2775, 255, arial_bold);
  parameter_rows_ = {label6, text3_, command6, label7, text4_, command7};

  // Screen readers name each field after its label; the four "Procurar..."
  // buttons after the field they fill.
  const std::pair<QWidget*, const char*> accessible[] = {
      {combo1_, "Sistema 1"},
      {combo2_, "Sistema 2"},
      {text1_, "Ficheiro DXF no Sistema 1"},
      {text2_, "Ficheiro DXF no Sistema 2"},
      {text3_, "Ficheiro de Parâmetros - X"},
      {text4_, "Ficheiro de Parâmetros - Y"},
      {command1_, "OK"},
      {command2_, "Cancelar"},
      {command3, "Procurar o ficheiro DXF no Sistema 1"},
      {command4, "Procurar o ficheiro DXF no Sistema 2"},
      {command6, "Procurar o ficheiro de parâmetros - X"},
      {command7, "Procurar o ficheiro de parâmetros - Y"},
  };
  for (const auto& [widget, name] : accessible) widget->setAccessibleName(QString::fromUtf8(name));

  QWidget* focus_order[] = {combo1_,  combo2_,  text1_,   text2_, command1_, command2_,
                            command3, command4, command6, text3_, text4_,    command7};
  for (std::size_t i = 1; i < std::size(focus_order); ++i) {
    setTabOrder(focus_order[i - 1], focus_order[i]);
  }

  connect(combo1_, &QComboBox::activated, this,
          [this](int) { choose_source(combo1_->currentText()); });
  connect(combo1_->lineEdit(), &QLineEdit::editingFinished, this, &MainWindow::source_edited);
  connect(command1_, &QPushButton::clicked, this, &MainWindow::run_ok);
  connect(command2_, &QPushButton::clicked, this, &QWidget::close);
  connect(command3, &QPushButton::clicked, this, [this] { browse_into(text1_, true); });
  connect(command4, &QPushButton::clicked, this, &MainWindow::browse_output);
  connect(command6, &QPushButton::clicked, this, [this] { browse_into(text3_, false); });
  connect(command7, &QPushButton::clicked, this, [this] { browse_into(text4_, false); });
}

void MainWindow::choose_source(const QString& source) {
  const std::string name = source.toStdString();
  const core::SourceSystem* system = core::find_source(name);
  if (system == nullptr) return;
  reacted_source_ = source;
  combo2_->clear();
  for (std::string_view target : core::offered_targets(name)) combo2_->addItem(from_name(target));
  // The list may be wider than the box: the NTv2 names must read whole.
  combo2_->view()->setMinimumWidth(combo2_->view()->sizeHintForColumn(0) +
                                   combo2_->view()->frameWidth() * 2 + 4);
  if (system->first_target_selected) {
    combo2_->setCurrentIndex(0);
  } else {
    combo2_->setCurrentIndex(-1);
    combo2_->clearEditText();
  }
  set_layout(system->shows_parameter_files ? Layout::qualquer : Layout::compact);
}

// A typed source name reacts once, when its editing ends; leaving the box
// again with the same name keeps the target the user has chosen since, and
// a target typed before the source stays when the source offers it.
void MainWindow::source_edited() {
  const QString source = combo1_->currentText();
  if (source == reacted_source_) return;
  const QString typed_target = combo2_->currentText();
  choose_source(source);
  if (!typed_target.isEmpty() && combo2_->findText(typed_target) >= 0) {
    combo2_->setCurrentText(typed_target);
  }
}

void MainWindow::set_input_file(const QString& path) { text1_->setText(path); }

QString MainWindow::suggested_output(const QString& input, const QString& target) {
  const QFileInfo info(input);
  QString label;
  for (const QString& word :
       target.split(QRegularExpression("[^\\w]+", QRegularExpression::UseUnicodePropertiesOption),
                    Qt::SkipEmptyParts)) {
    label += (label.isEmpty() ? "" : "_") + word;
  }
  if (label.isEmpty()) label = "convertido";
  const QString stem = info.completeBaseName().isEmpty() ? "desenho" : info.completeBaseName();
  const QString name = stem + "_" + label + ".dxf";
  return input.isEmpty() ? name : info.dir().filePath(name);
}

void MainWindow::set_layout(Layout layout) {
  layout_ = layout;
  const LayoutGeometry& design = layout == Layout::qualquer ? qualquer_layout : compact_layout;
  apply_height();
  for (QPushButton* button : {command1_, command2_}) {
    button->move(button->x(), twips_to_pixels(design.button_top, this));
  }
  for (QWidget* row : parameter_rows_) row->setVisible(design.parameter_rows);
}

// The designed height includes the title bar and borders: the client area
// gets what this platform's frame leaves of it (all of it where there is no
// frame, as offscreen or with no window manager).
void MainWindow::apply_height() {
  const LayoutGeometry& design = layout_ == Layout::qualquer ? qualquer_layout : compact_layout;
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

void MainWindow::browse_into(QLineEdit* field, bool dxf_only) {
  const std::optional<QString> chosen = dialogs_.choose_file(this, dialog_file_name_, dxf_only);
  if (!chosen) return;  // Cancel leaves the field as it was
  dialog_file_name_ = *chosen;
  field->setText(*chosen);
}

void MainWindow::browse_output() {
  const std::optional<QString> chosen =
      dialogs_.choose_output(this, suggested_output(text1_->text(), combo2_->currentText()));
  if (chosen) text2_->setText(*chosen);
}

// Two questions before a conversion starts: a pair of systems no route
// joins is told (the job would end without a word), and converting the
// input drawing over itself must be meant.
bool MainWindow::confirmed_before_running() {
  const std::string source = combo1_->currentText().toStdString();
  const std::string target = combo2_->currentText().toStdString();
  if (core::find_source(source) != nullptr && !target.empty() &&
      core::find_route(source, target) == nullptr) {
    dialogs_.show_message(this, from_name(core::messages::no_route(source, target)),
                          from_name(core::messages::application_title));
    return false;
  }
  const QFileInfo input(text1_->text());
  const QFileInfo output(text2_->text());
  if (!text1_->text().isEmpty() && input.exists() && output.exists() &&
      input.canonicalFilePath() == output.canonicalFilePath()) {
    return dialogs_.confirm(this,
                            "O ficheiro DXF no Sistema 2 é o próprio ficheiro DXF no Sistema 1:\n" +
                                text1_->text() +
                                "\n\nSubstituir o desenho pelo desenho convertido?",
                            from_name(core::messages::application_title));
  }
  return true;
}

void MainWindow::run_ok() {
  if (!confirmed_before_running()) return;
  Host host(*this);
  run_conversion_(host, {combo1_->currentText().toStdString(), combo2_->currentText().toStdString(),
                         path_bytes(text1_->text()), path_bytes(text2_->text()),
                         path_bytes(text3_->text()), path_bytes(text4_->text())});
}

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

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window ends the program: the information window goes too.
  if (information_) information_->close();
  QWidget::closeEvent(event);
}

}  // namespace kelvrin::ui
