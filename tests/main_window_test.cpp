// The real windows, headless: the main window's lists, layouts, fields and
// buttons, its work as the conversion job's host, and the information window.

#include "ui/main_window.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <deque>

#include "core/catalogue.hpp"
#include "tests/test_support.hpp"
#include "ui/information_window.hpp"
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
  std::optional<QString> choose_file(QWidget*, const QString& preset) override {
    presets.push_back(preset);
    if (answers.empty()) return std::nullopt;
    const std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  QStringList messages;
  QStringList presets;
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
  EXPECT_EQ(items("Combo2"), QStringList{"ETRS89 TM06"});
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "ETRS89 TM06");

  combo1->setCurrentIndex(9);
  emit combo1->activated(9);
  EXPECT_EQ(items("Combo2"), QStringList{"UTM 28 ITRF93"});
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "UTM 28 ITRF93");

  window_.choose_source("ETRS89 TM06");
  EXPECT_EQ(items("Combo2"),
            (QStringList{"Hayford-Gauss Datum 73", "Hayford-Gauss Datum Lisboa-Ponto Central"}));
  EXPECT_EQ(control<QComboBox>("Combo2")->currentText(), "");
}

TEST_F(MainWindowTest, TypingRunsNothingAndEnterPressesNothing) {
  auto* combo1 = control<QComboBox>("Combo1");
  QTest::keyClicks(combo1->lineEdit(), "Qualquer");
  QTest::keyClick(combo1->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(control<QComboBox>("Combo2")->count(), 0);
  EXPECT_EQ(window_.current_layout(), MainWindow::Layout::compact);
  QTest::keyClick(control<QLineEdit>("Text1"), Qt::Key_Return);
  EXPECT_TRUE(requests_.empty());
  EXPECT_EQ(combo1->count(), 10);
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
  QTest::keyClicks(control<QComboBox>("Combo1")->lineEdit(), "ETRS89 TM06");
  QTest::keyClicks(control<QComboBox>("Combo2")->lineEdit(), "alvo");
  control<QLineEdit>("Text1")->setText("entrada.dxf");
  control<QLineEdit>("Text2")->setText("saída.dxf");
  control<QLineEdit>("Text3")->setText("px.txt");  // hidden, passed all the same
  control<QLineEdit>("Text4")->setText("py.txt");
  QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
  ASSERT_EQ(requests_.size(), 1u);
  EXPECT_EQ(requests_[0].source, "ETRS89 TM06");
  EXPECT_EQ(requests_[0].target, "alvo");
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

TEST_F(MainWindowTest, BrowseButtonsShareOneFileNameAndCancelKeepsTheField) {
  dialogs_.answers = {QString("/d/planta.dxf"), std::nullopt, QString("/d/px.txt")};
  QTest::mouseClick(control<QPushButton>("Command3"), Qt::LeftButton);
  control<QLineEdit>("Text2")->setText("typed.dxf");
  QTest::mouseClick(control<QPushButton>("Command4"), Qt::LeftButton);
  window_.choose_source("Qualquer");
  QTest::mouseClick(control<QPushButton>("Command6"), Qt::LeftButton);
  EXPECT_EQ(dialogs_.presets, (QStringList{"", "/d/planta.dxf", "/d/planta.dxf"}));
  EXPECT_EQ(control<QLineEdit>("Text1")->text(), "/d/planta.dxf");
  EXPECT_EQ(control<QLineEdit>("Text2")->text(), "typed.dxf");
  EXPECT_EQ(control<QLineEdit>("Text3")->text(), "/d/px.txt");
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
  QTest::keyClicks(control<QComboBox>("Combo1")->lineEdit(), "ETRS89 TM06");
  QTest::keyClicks(control<QComboBox>("Combo2")->lineEdit(), "Hayford-Gauss Datum 73");
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
    information->close();
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
