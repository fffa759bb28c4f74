#include "ui/qt_translations.hpp"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvrin::ui {
namespace {

// Installs one catalogue; a translator installed later takes precedence.
bool install(QCoreApplication& application, const QLocale& locale, const QString& name) {
  auto* translator = new QTranslator(&application);
  if (translator->load(locale, name, "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
    return true;
  }
  delete translator;
  return false;
}

}  // namespace

void install_qt_translations(QCoreApplication& application) {
  install_qt_translations(application, QLocale::system());
}

void install_qt_translations(QCoreApplication& application, const QLocale& user) {
  if (user.language() == QLocale::English) return;
  const QLocale portugal(QLocale::Portuguese, QLocale::Portugal);
  const bool portuguese = user.language() == QLocale::Portuguese;
  if (!portuguese) {
    // "qt" gathers Qt's modules for a language.
    if (install(application, user, "qt")) return;
  }
  // Qt's European Portuguese catalogue is older than its Brazilian one and
  // lacks some texts (the file dialog's "Look in:", the standard buttons):
  // the Brazilian one fills those gaps, the European one has precedence.
  install(application, QLocale(QLocale::Portuguese, QLocale::Brazil), "qtbase");
  install(application, portuguese ? user : portugal, "qt");
}

}  // namespace kelvrin::ui
