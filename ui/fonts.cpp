#include "ui/fonts.hpp"

#include <QFont>
#include <QStringList>

#include "ui/form_layout.hpp"

namespace kelvrin::ui {

void install_font_substitutes() {
  const QStringList sans = {"Liberation Sans", "Arimo", "DejaVu Sans"};
  for (const std::string_view family :
       {font_family::ms_sans_serif, font_family::microsoft_sans_serif, font_family::arial}) {
    QFont::insertSubstitutions(
        QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size())), sans);
  }
}

}  // namespace kelvrin::ui
