#include "ui/qt_form_control.hpp"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/qt_colours.hpp"
#include "ui/twips.hpp"

namespace kelvrin::ui {
namespace {

QFont font_of(const Font& design) {
  QFont font(from_utf8(design.family));
  font.setPointSizeF(design.points);
  font.setBold(design.bold);
  return font;
}

// Dark blue text on the light 3-D colour, for the lists and path fields; on
// a lighter grey where a dark theme makes that colour dark.
void colour_as_field(QWidget* widget) {
  QPalette colours = widget->palette();
  colours.setColor(QPalette::Base,
                   readable_background(to_qcolor(dark_blue), colours.color(QPalette::Midlight)));
  colours.setColor(QPalette::Text, to_qcolor(dark_blue));
  widget->setPalette(colours);
}

// The title's dark blue on the window's own colour, or on a band of light
// grey where the window is dark.
void colour_as_title(QWidget* title) {
  QPalette colours = title->palette();
  const QColor window = colours.color(QPalette::Window);
  const QColor background = readable_background(to_qcolor(dark_blue), window);
  if (background != window) {
    colours.setColor(QPalette::Window, background);
    title->setAutoFillBackground(true);
  }
  colours.setColor(QPalette::WindowText, to_qcolor(dark_blue));
  title->setPalette(colours);
}

class SwallowEnter final : public QObject {
 public:
  SwallowEnter(QObject* parent, std::function<void()> on_enter)
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

QWidget* new_widget(const ControlRow& row, QWidget* window, std::function<void()> on_enter) {
  switch (row.kind) {
    case ControlKind::editable_list: {
      auto* box = new QComboBox(window);
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      box->lineEdit()->installEventFilter(new SwallowEnter(window, std::move(on_enter)));
      return box;
    }
    case ControlKind::text_box: return new QLineEdit(window);
    case ControlKind::button: {
      auto* push = new QPushButton(from_utf8(row.caption), window);
      push->setAutoDefault(false);
      push->setDefault(false);
      return push;
    }
    case ControlKind::label: {
      auto* text = new QLabel(from_utf8(row.caption), window);
      text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return text;
    }
  }
  return nullptr;
}

}  // namespace

QWidget* make_form_control(const ControlRow& row, QWidget* window, std::function<void()> on_enter) {
  QWidget* control = new_widget(row, window, std::move(on_enter));
  control->setObjectName(from_utf8(row.name));
  control->setGeometry(twips_rect(row.rect, window));
  control->setFont(font_of(row.font));
  if (row.colours == Colours::field) {
    colour_as_field(control);
    // Some styles draw a list's text box with its own colours.
    if (auto* box = qobject_cast<QComboBox*>(control)) colour_as_field(box->lineEdit());
  }
  if (row.colours == Colours::title) colour_as_title(control);
  if (!row.accessible_name.empty()) control->setAccessibleName(from_utf8(row.accessible_name));
  return control;
}

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kelvrin::ui
