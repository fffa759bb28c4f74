#pragma once

class QCoreApplication;
class QLocale;

namespace kelvrin::ui {

// Qt's own texts (file dialogs, standard buttons) in the user's language
// where Qt has a translation for it, in Portuguese otherwise, so that they
// match the window's own Portuguese texts. English needs no translation.
void install_qt_translations(QCoreApplication& application);
void install_qt_translations(QCoreApplication& application, const QLocale& user);

}  // namespace kelvrin::ui
