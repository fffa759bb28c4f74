#include "ui/information_window.hpp"

#include <QFont>
#include <QListWidget>
#include <QPalette>
#include <QShortcut>

#include "ui/information_design.hpp"
#include "ui/qt_colours.hpp"
#include "ui/qt_form_control.hpp"
#include "ui/twips.hpp"
#include "ui/window_placement.hpp"

namespace kelvrin::ui {

InformationWindow::InformationWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("InformationWindow");
  setWindowTitle(from_utf8(information_caption));
  setFixedSize(twips_to_pixels(information_client_width, this),
               twips_to_pixels(information_client_height, this));

  auto* list = new QListWidget(this);
  list->setObjectName("List1");
  list->setGeometry(twips_rect(information_list_rect, this));
  QFont font(from_utf8(information_font.family));
  font.setPointSizeF(information_font.points);
  font.setBold(information_font.bold);
  list->setFont(font);
  QPalette colours = list->palette();
  const QColor navy = to_qcolor(information_text_colour);
  colours.setColor(QPalette::Base, readable_background(navy, colours.color(QPalette::ToolTipBase)));
  colours.setColor(QPalette::Text, navy);
  list->setPalette(colours);
  list->addItems(lines());
  list->setFocus();
  // A note read and done with: Escape puts it away, as it does a dialog.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  centre_on_screen(this);
}

QStringList InformationWindow::lines() {
  QStringList text;
  for (const std::string_view line : information_lines()) {
    text.append(from_utf8(line));
  }
  return text;
}

}  // namespace kelvrin::ui
