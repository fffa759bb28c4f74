#include "ui/fonts.hpp"

#include <QFont>
#include <QStringList>

namespace kelvrin::ui {

void install_font_substitutes() {
  const QStringList sans = {"Liberation Sans", "Arimo", "DejaVu Sans"};
  for (const char* family : {"MS Sans Serif", "Microsoft Sans Serif", "Arial"}) {
    QFont::insertSubstitutions(family, sans);
  }
}

}  // namespace kelvrin::ui
