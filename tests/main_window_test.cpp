// The real windows, headless: the main window's lists, layouts, fields and
// buttons, its work as the conversion job's host, and the information window.

#include "ui/main_window.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <deque>

#include "core/catalogue.hpp"
#include "tests/test_support.hpp"
#include "ui/information_window.hpp"
#include "ui/output_name.hpp"
#include "ui/qt_colours.hpp"
#include "ui/qt_translations.hpp"
#include "ui/twips.hpp"
#include "ui/user_dialogs.hpp"

namespace kelvrin::ui {
namespace {

using testing::dxf_lines;
using testing::read_file;
using testing::write_file;

// Answers the dialogs from a script and records what was asked.
class ScriptedDialogs final : public UserDialogs {
 public:
  void show_message(QWidget*, const QString& text, const QString& title) override {
    messages.push_back("[" + title + "] " + text);
  }
  bool confirm(QWidget*, const QString& text, const QString&) override {
    questions.push_back(text);
    return confirm_answer;
  }
  std::optional<QString> choose_file(QWidget*, const QString& preset, bool) override {
    presets.push_back(preset);
    return next_answer();
  }
  std::optional<QString> choose_output(QWidget*, const QString& suggested) override {
    suggestions.push_back(suggested);
    return next_answer();
  }
  std::optional<QString> next_answer() {
    if (answers.empty()) return std::nullopt;
    const std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QStringList messages;
  QStringList questions;
  bool confirm_answer = false;
  QStringList presets;
  QStringList suggestions;
  std::deque<std::optional<QString>> answers;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : window_(dialogs_, [this](core::JobHost& host, const core::ConversionRequest& request) {
          requests_.push_back(request);
          if (run_real_job_) core::run_conversion(host, {KELVRIN_DATA_DIR}, request);
        }) {
    window_.show();
    QApplication::setActiveWindow(&window_);  // focus moves only in the active window
  }

  template <typename Widget>
  Widget* control(const char* name) {
    auto* widget = window_.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QStringList items(const char* combo_name) {
    QStringList names;
    auto* combo = control<QComboBox>(combo_name);
    for (int i = 0; i < combo->count(); ++i) names << combo->itemText(i);
    return names;
  }
  int px(int twips) { return twips_to_pixels(twips, &window_); }
  // As a user types: the box gets the focus first, so the one it leaves
  // ends its editing.
  void type_into(const char* combo_name, const QString& text) {
    QLineEdit* line = control<QComboBox>(combo_name)->lineEdit();
    line->setFocus();
    QTest::keyClicks(line, text);
  }

  ScriptedDialogs dialogs_;
  std::vector<core::ConversionRequest> requests_;
  bool run_real_job_ = false;
  MainWindow window_;
};

TEST_F(MainWindowTest, StartsCompactWithTheTenSourcesAndNothingChosen) {
  QStringList expected;
  for (std::string_view name : core::source_list_names()) {
    expected << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  }
  EXPECT_EQ(items("Combo1"), expected);
  EXPECT_EQ(control<QComboBox>("Combo1")->currentIndex(), -1);
  EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "");
  EXPECT_EQ(control<QComboBox>("Combo2")->count(), 0);
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "");
  EXPECT_EQ(window_.windowTitle(), "Veltra - Ondrasil");
  EXPECT_EQ(window_.width(), px(9285));
  EXPECT_EQ(window_.frameGeometry().height(), px(5765));
  EXPECT_EQ(control<QPushButton>("Command1")->geometry(),
            twips_rect(1440, 4460, 1575, 495, &window_));
  EXPECT_EQ(control<QPushButton>("Command2")->geometry(),
            twips_rect(5160, 4460, 1575, 495, &window_));
  for (const char* hidden : {"Label6", "Text3", "Command6", "Label7", "Text4", "Command7"}) {
    EXPECT_FALSE(window_.findChild<QWidget*>(hidden)->isVisible()) << hidden;
  }
  const QWidget* focus = window_.focusWidget();
  EXPECT_TRUE(focus == control<QComboBox>("Combo1") ||
              focus == control<QComboBox>("Combo1")->lineEdit());
}

TEST_F(MainWindowTest, ChoosingASourceFillsTheTargets) {
  auto* combo1 = control<QComboBox>("Combo1");
  combo1->setFocus();
  QTest::keyClick(combo1, Qt::Key_Down);  // the first entry, Datum 73
  EXPECT_EQ(combo1->currentText(), "Hayford-Gauss Datum 73");
  EXPECT_EQ(items("Combo2"),
            (QStringList{"ETRS89 TM06", "Hayford-Gauss Datum Lisboa-Ponto Central",
                         "ETRS89 TM06 (grelhas NTv2)",
                         "Hayford-Gauss Datum Lisboa-Ponto Central (grelhas NTv2)"}));
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "ETRS89 TM06");

  combo1->setCurrentIndex(9);
  emit combo1->activated(9);
  EXPECT_EQ(items("Combo2"), QStringList{"UTM 28 ITRF93"});
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "UTM 28 ITRF93");

  window_.choose_source("ETRS89 TM06");
  EXPECT_EQ(items("Combo2"),
            (QStringList{"Hayford-Gauss Datum 73", "Hayford-Gauss Datum Lisboa-Ponto Central",
                         "Hayford-Gauss Datum 73 (grelhas NTv2)",
                         "Hayford-Gauss Datum Lisboa-Ponto Central (grelhas NTv2)"}));
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "");
}

// A typed source name reacts when its editing ends, as if chosen from the
// list; Enter ends it and presses nothing.
TEST_F(MainWindowTest, TypedSourcesReactWhenTheirEditingEnds) {
  auto* combo1 = control<QComboBox>("Combo1");
  auto* combo2 = control<QComboBox>("Combo2");
  QTest::keyClicks(combo1->lineEdit(), "ETRS89 TM06");
  EXPECT_EQ(combo2->count(), 0);  // nothing while typing
  QTest::keyClick(combo1->lineEdit(), Qt::Key_Tab);
  EXPECT_EQ(items("Combo2").mid(0, 2),
            (QStringList{"Hayford-Gauss Datum 73", "Hayford-Gauss Datum Lisboa-Ponto Central"}));
  combo2->setCurrentIndex(1);
  combo1->lineEdit()->setFocus();
  QTest::keyClick(combo1->lineEdit(), Qt::Key_Tab);  // the same name again: the choice stays
  EXPECT_EQ(combo2->currentText(), "Hayford-Gauss Datum Lisboa-Ponto Central");

  combo1->lineEdit()->setFocus();
  combo1->lineEdit()->clear();
  QTest::keyClicks(combo1->lineEdit(), "Qualquer");
  QTest::keyClick(combo1->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(window_.current_layout(), MainWindow::Layout::qualquer);
  EXPECT_EQ(window_.frameGeometry().height(), px(7065));
  EXPECT_EQ(combo2->currentText(), "Qualquer");
  EXPECT_TRUE(window_.findChild<QWidget*>("Text3")->isVisible());
  QTest::keyClick(control<QLineEdit>("Text1"), Qt::Key_Return);
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(combo1->count(), 10);
}

TEST_F(MainWindowTest, OkWithAPairNoRouteJoinsSaysSo) {
  type_into("Combo1", "ETRS89 TM06");
  type_into("Combo2", "Datum 73");
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(dialogs_.messages,
            QStringList{"[kelvrin] Não há conversão de \"ETRS89 TM06\" para \"Datum 73\"."});
  EXPECT_TRUE(requests_.empty());
}

TEST_F(MainWindowTest, ConvertingTheInputOverItselfIsAskedFirst) {
  testing::TempFolder folder;
  write_file(folder.file("a.dxf"), "0\r\nEOF\r\n");
  window_.set_input_file(QString::fromStdString(folder.file("a.dxf")));
  control<QLineEdit>("Text2")->setText(QString::fromStdString(folder.file("./a.dxf")));
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  ASSERT_EQ(dialogs_.questions.size(), 1);
  EXPECT_TRUE(dialogs_.questions[0].contains("próprio ficheiro DXF no Sistema 1"));
  EXPECT_TRUE(requests_.empty());
  dialogs_.confirm_answer = true;
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(requests_.size(), 1u);
}

// The output's dialog saves: it starts in the input's folder with a name of
// the input and the target, filters DXF drawings and asks before replacing.
TEST_F(MainWindowTest, TheOutputIsChosenInASaveDialog) {
  window_.set_input_file("/d/planta.dxf");
  window_.choose_source("Hayford-Gauss Datum 73");
  dialogs_.answers = {QString("/e/saida.dxf")};
  QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
  EXPECT_EQ(dialogs_.suggestions, QStringList{"/d/planta_ETRS89_TM06.dxf"});
  EXPECT_EQ(control<QLineEdit>("Text2")->text(), "/e/saida.dxf");

  testing::TempFolder folder;
  const QString input = QString::fromStdString(folder.file("planta.dxf"));
  bool inspected = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->nameFilters().front(), dxf_filter);
    EXPECT_EQ(dialog->directory().absolutePath(), QString::fromStdString(folder.path().string()));
    EXPECT_EQ(dialog->selectedFiles().value(0),
              QString::fromStdString(folder.file("planta_ETRS89_TM06.dxf")));
    inspected = true;
    dialog->reject();
  });
  WidgetDialogs real;
  EXPECT_EQ(real.choose_output(&window_, QString::fromStdString(
                                             suggested_output(input.toStdString(), "ETRS89 TM06"))),
            std::nullopt);
  EXPECT_TRUE(inspected);
}

// Under a dark theme the design's fixed dark blue gets light backgrounds.
TEST_F(MainWindowTest, FixedTextColoursReadUnderADarkTheme) {
  const QPalette original = QApplication::palette();
  QPalette dark(QColor(45, 45, 45), QColor(30, 30, 30));
  dark.setColor(QPalette::Midlight, QColor(60, 60, 60));
  dark.setColor(QPalette::Base, QColor(25, 25, 25));
  dark.setColor(QPalette::ToolTipBase, QColor(50, 50, 50));
  QApplication::setPalette(dark);
  MainWindow window(dialogs_, [](core::JobHost&, const core::ConversionRequest&) {});
  QList<QWidget*> fields;
  for (const char* name : {"Combo1", "Combo2", "Text1", "Text2", "Text3", "Text4"}) {
    fields << window.findChild<QWidget*>(name);
  }
  fields << window.findChild<QComboBox*>("Combo1")->lineEdit()
         << window.findChild<QComboBox*>("Combo2")->lineEdit();
  for (QWidget* field : fields) {
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
      const QPalette& colours = field->palette();
      EXPECT_GE(contrast_ratio(colours.color(group, QPalette::Text),
                               colours.color(group, QPalette::Base)),
                4.5)
          << field->objectName().toStdString();
    }
  }
  const QPalette title = window.findChild<QLabel*>("Label3")->palette();
  EXPECT_GE(contrast_ratio(title.color(QPalette::WindowText), title.color(QPalette::Window)), 4.5);
  window.show_information();
  const QPalette list = window.information_window()->findChild<QListWidget*>("List1")->palette();
  EXPECT_GE(contrast_ratio(list.color(QPalette::Text), list.color(QPalette::Base)), 4.5);
  QApplication::setPalette(original);
}

TEST_F(MainWindowTest, EveryFieldAndButtonHasItsOwnAccessibleName) {
  QStringList names;
  for (QWidget* widget : window_.findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(widget) != nullptr && widget->parent() != &window_) continue;
    if (qobject_cast<QComboBox*>(widget) || qobject_cast<QLineEdit*>(widget) ||
        qobject_cast<QPushButton*>(widget)) {
      EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
      names << widget->accessibleName();
    }
  }
  EXPECT_EQ(names.size(), 12);
  names.removeDuplicates();
  EXPECT_EQ(names.size(), 12);
}

// Qt's own texts (file dialogs, buttons) follow the user's language where
// Qt has it, Portuguese otherwise.
TEST(QtTranslations, PortugueseWhereTheLocaleHasNone) {
  QCoreApplication& app = *QCoreApplication::instance();
  const auto remove_all = [&app] {
    for (auto* translator : app.findChildren<QTranslator*>()) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
  };
  const auto tr = [](const char* context, const char* text) {
    return QCoreApplication::translate(context, text);
  };
  for (const QLocale& user : {QLocale::c(), QLocale(QLocale::Greek, QLocale::Greece),
                              QLocale(QLocale::Portuguese, QLocale::Portugal)}) {
    install_qt_translations(app, user);
    EXPECT_EQ(tr("QFileDialog", "File &name:"), "&Nome do Ficheiro:") << user.name().toStdString();
    EXPECT_NE(tr("QFileDialog", "Look in:"), "Look in:");
    EXPECT_EQ(tr("QPlatformTheme", "Cancel"), "Cancelar");
    remove_all();
  }
  install_qt_translations(app, QLocale(QLocale::French, QLocale::France));
  EXPECT_EQ(tr("QFileDialog", "File &name:"), "&Nom de fichier :");
  remove_all();
  install_qt_translations(app, QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(tr("QFileDialog", "Look in:"), "Look in:");
}

TEST_F(MainWindowTest, QualquerLayoutShowsTheParameterRows) {
  window_.choose_source("Qualquer");
  EXPECT_EQ(window_.current_layout(), MainWindow::Layout::qualquer);
  EXPECT_EQ(window_.frameGeometry().height(), px(7065));
  EXPECT_EQ(control<QPushButton>("Command1")->y(), px(5760));
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "Qualquer");
  for (const char* shown : {"Label6", "Text3", "Command6", "Label7", "Text4", "Command7"}) {
    EXPECT_TRUE(window_.findChild<QWidget*>(shown)->isVisible()) << shown;
  }
  control<QLineEdit>("Text3")->setText("x.txt");
  window_.choose_source("Hayford-Gauss Datum 73");
  EXPECT_EQ(control<QPushButton>("Command2")->y(), px(4460));
  EXPECT_EQ(control<QLineEdit>("Text3")->text(), "x.txt");  // hidden, not emptied
}

TEST_F(MainWindowTest, OkHandsTheSixTextsToTheJob) {
  type_into("Combo1", "ETRS89 TM06");
  type_into("Combo2", "Hayford-Gauss Datum 73");
  control<QLineEdit>("Text1")->setText("entrada.dxf");
  control<QLineEdit>("Text2")->setText("saída.dxf");
  control<QLineEdit>("Text3")->setText("px.txt");  // hidden, passed all the same
  control<QLineEdit>("Text4")->setText("py.txt");
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].source, "ETRS89 TM06");
  EXPECT_EQ(requests_[0].target, "Hayford-Gauss Datum 73");
  EXPECT_EQ(requests_[0].input, "entrada.dxf");
  EXPECT_EQ(requests_[0].output, "saída.dxf");
  EXPECT_EQ(requests_[0].param_x, "px.txt");
  EXPECT_EQ(requests_[0].param_y, "py.txt");
}

TEST_F(MainWindowTest, JobMessagesAreModalBoxesWithTheJobsTitles) {
  run_real_job_ = true;
  QTest::keyClicks(control<QComboBox>("Combo1")->lineEdit(), "Qualquer");
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(dialogs_.messages, (QStringList{"[kelvrin] Escolher o ficheiro DXF no Sistema 1!!",
                                            "[kelvrin] Definir o ficheiro DXF no Sistema 2!!",
                                            "[kelvrin] Definir o ficheiro de parâmetros em X!!",
                                            "[kelvrin] Definir o ficheiro de parâmetros em Y!!"}));
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(window_.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(MainWindowTest, OpenDialogsShareOneFileNameAndCancelKeepsTheField) {
  dialogs_.answers = {QString("/d/planta.dxf"), std::nullopt, QString("/d/px.txt")};
  QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
  control<QLineEdit>("Text2")->setText("typed.dxf");
  QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
  window_.choose_source("Qualquer");
  QTest::mouseClick(control<QPushButton>("Command6"), Qt::LeftButton);
  EXPECT_EQ(dialogs_.presets, (QStringList{"", "/d/planta.dxf"}));
  EXPECT_EQ(control<QLineEdit>("Text1")->text(), "/d/planta.dxf");
  EXPECT_EQ(control<QLineEdit>("Text2")->text(), "typed.dxf");
  EXPECT_EQ(control<QLineEdit>("Text3")->text(), "/d/px.txt");
}

// A drag over the window, a field of it included, shows it would be taken
// only when it holds a drawing or a point list; the drop puts that in the
// input. (Qt hands a drop to where the drag was last accepted.)
TEST_F(MainWindowTest, ADroppedDrawingBecomesTheInput) {
  const auto drop = [](const QStringList& paths, QWidget* target) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint centre(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent event(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
  };
  EXPECT_FALSE(drop({"/d/notas.doc"}, &window_));
  EXPECT_EQ(control<QLineEdit>("Text1")->text(), "");
  EXPECT_TRUE(drop({"/d/notas.doc", "/d/planta ação.DXF"}, &window_));
  EXPECT_EQ(control<QLineEdit>("Text1")->text(), "/d/planta ação.DXF");
  EXPECT_TRUE(drop({"/d/pontos.csv"}, control<QLineEdit>("Text2")));
  EXPECT_EQ(control<QLineEdit>("Text1")->text(), "/d/pontos.csv");
  EXPECT_EQ(control<QLineEdit>("Text2")->text(), "");
}

TEST_F(MainWindowTest, CancelarClosesWithoutAQuestion) {
  QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
  EXPECT_FALSE(window_.isVisible());
  EXPECT_TRUE(dialogs_.messages.isEmpty());
}

TEST_F(MainWindowTest, ConvertsARealDrawingAndCloses) {
  run_real_job_ = true;
  testing::TempFolder folder;
  write_file(folder.file("a.dxf"), dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10",
                                              "100000.0", "20", "200000.0"}));
  type_into("Combo1", "ETRS89 TM06");
  type_into("Combo2", "Hayford-Gauss Datum 73");
  QTest::keyClicks(control<QLineEdit>("Text1"), QString::fromStdString(folder.file("a.dxf")));
  QTest::keyClicks(control<QLineEdit>("Text2"), QString::fromStdString(folder.file("b.dxf")));
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  EXPECT_EQ(read_file(folder.file("b.dxf")),
            dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "100005.02816", "20",
                       "199999.57661"}));
  EXPECT_EQ(dialogs_.messages, QStringList{"[Veltra - Kelvrin] Criado o ficheiro: " +
                                           QString::fromStdString(folder.file("b.dxf"))});
  EXPECT_FALSE(window_.isVisible());
}

TEST_F(MainWindowTest, AnNtv2TargetConvertsThroughTheGrids) {
  run_real_job_ = true;
  testing::TempFolder folder;
  write_file(folder.file("a.dxf"), dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10",
                                              "100000.0", "20", "200000.0"}));
  type_into("Combo1", "ETRS89 TM06");
  control<QComboBox>("Combo2")->lineEdit()->setFocus();  // the source reacts
  control<QComboBox>("Combo2")->setCurrentText("Hayford-Gauss Datum 73 (grelhas NTv2)");
  window_.set_input_file(QString::fromStdString(folder.file("a.dxf")));
  control<QLineEdit>("Text2")->setText(QString::fromStdString(folder.file("b.dxf")));
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  // cs2cs with the same grid gives 100004.96955 199999.54391.
  EXPECT_EQ(read_file(folder.file("b.dxf")),
            dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10", "100004.96955", "20",
                       "199999.54391"}));
}

TEST_F(MainWindowTest, InformationWindowHoldsItsTwelveLinesOnce) {
  for (int round = 0; round < 2; ++round) {
    QTest::keyClick(&window_, Qt::Key_F1);
    window_.show_information();  // already open: brought to the front only
    InformationWindow* information = window_.information_window();
    ASSERT_NE(information, nullptr);
    auto* list = information->findChild<QListWidget*>("List1");
    ASSERT_EQ(list->count(), 12);
    EXPECT_EQ(list->item(0)->text().size(), 84);
    EXPECT_TRUE(list->item(0)->text().startsWith(QString(21, ' ') + "-----"));
    for (int empty : {1, 6, 9, 10, 11}) EXPECT_TRUE(list->item(empty)->text().isEmpty());
    // Closed by Escape the first time round.
    if (round == 0) {
      QApplication::setActiveWindow(information);
      QTest::keyClick(list, Qt::Key_Escape);
      EXPECT_FALSE(information->isVisible());
    } else {
      information->close();
    }
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window_.information_window(), nullptr);
  }
}

TEST_F(MainWindowTest, ClosingTheMainWindowClosesTheInformationWindow) {
  window_.show_information();
  ASSERT_TRUE(window_.information_window()->isVisible());
  window_.close();
  EXPECT_FALSE(window_.information_window() != nullptr &&
               window_.information_window()->isVisible());
}

}  // namespace
}  // namespace kelvrin::ui

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
