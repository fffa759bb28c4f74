#include "ui/information_window.hpp"

#include <QFont>
#include <QListWidget>
#include <QPalette>

#include "ui/qt_colours.hpp"
#include "ui/twips.hpp"
#include "ui/window_placement.hpp"

namespace kelvrin::ui {

InformationWindow::InformationWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("InformationWindow");
  setWindowTitle("Veltra - Ondrasil");
  setFixedSize(twips_to_pixels(8925, this), twips_to_pixels(3690, this));

  auto* list = new QListWidget(this);
  list->setObjectName("List1");
  list->setGeometry(twips_rect(120, 120, 8715, 3420, this));
  QFont font("Arial");
  font.setPointSizeF(9.75);
  font.setBold(true);
  list->setFont(font);
  QPalette colours = list->palette();
  const QColor navy(0, 0, 128);
  colours.setColor(QPalette::Base, readable_background(navy, colours.color(QPalette::ToolTipBase)));
  colours.setColor(QPalette::Text, navy);
  list->setPalette(colours);
  list->addItems(lines());
  list->setFocus();
  centre_on_screen(this);
}

QStringList InformationWindow::lines() {
  return {
      QString(21, ' ') + "-----  Mudança de Sistema de Referência em ficheiros DXF  -----",
      "",
      "As mudanças entre os sistemas de referência são realizadas através de transformações",
      "polinomiais do 2º grau, à excepção das conversões que envolvem o sistema",
      "Hayford-Gauss Datum Lisboa, que são relizadas recorrendo a uma grelha regular",
      "de pontos previamente transformados.",
      "",
      "As transformações presentes na aplicação utilizam os parâmetros oficiais.",
      "Estes parâmetros podem ser consultados em www.dgterritorio.gov.pt.",
      "",
      "",
      "",
  };
}

}  // namespace kelvrin::ui
