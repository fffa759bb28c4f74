// The main window's behaviour without a toolkit: the form model driven
// through a recording view, and the design table it is drawn from.

#include "ui/form_model.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "core/catalogue.hpp"
#include "tests/test_support.hpp"
#include "ui/output_name.hpp"

namespace kelvrin::ui {
namespace {

using List = std::vector<std::string>;

// Keeps the texts and lists it is given, answers the dialogs from a script
// and records everything else as lines of `events`.
class RecordingView final : public FormView {
 public:
  std::string text(Control control) const override {
    const auto found = texts.find(control);
    return found == texts.end() ? "" : found->second;
  }
  void set_text(Control control, std::string_view text) override { texts[control] = text; }
  void set_list(Control control, std::span<const std::string_view> entries) override {
    lists[control] = List(entries.begin(), entries.end());
    texts[control].clear();
  }
  void set_layout(Layout shown) override { layout = shown; }
  std::optional<std::string> choose_file(std::string_view preset, FileKind) override {
    events.push_back("open [" + std::string(preset) + "]");
    return next_answer();
  }
  std::optional<std::string> choose_output(std::string_view suggested) override {
    events.push_back("save [" + std::string(suggested) + "]");
    return next_answer();
  }
  void show_message(std::string_view text, std::string_view title) override {
    events.push_back("[" + std::string(title) + "] " + std::string(text));
  }
  bool ask(std::string_view text, std::string_view) override {
    events.push_back("? " + std::string(text));
    return yes;
  }
  void set_busy(bool busy) override { events.push_back(busy ? "busy" : "normal"); }
  void close_window() override { events.push_back("close"); }

  std::optional<std::string> next_answer() {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::map<Control, std::string> texts;
  std::map<Control, List> lists;
  std::optional<Layout> layout;
  std::deque<std::optional<std::string>> answers;
  bool yes = false;
  std::vector<std::string> events;
};

class FormModelTest : public ::testing::Test {
 protected:
  FormModelTest()
      : model_(view_, [this](core::JobHost& host, const core::ConversionRequest& request) {
          requests_.push_back(request);
          if (run_real_job_) core::run_conversion(host, {KELVRIN_DATA_DIR}, request);
        }) {
    model_.start();
  }

  void type(Control control, const std::string& text) { view_.texts[control] = text; }
  const List& targets() { return view_.lists[Control::target_box]; }

  RecordingView view_;
  std::vector<core::ConversionRequest> requests_;
  bool run_real_job_ = false;
  FormModel model_;
};

TEST_F(FormModelTest, StartsCompactWithTheSourceListAndNothingChosen) {
  EXPECT_EQ(view_.lists[Control::source_box],
            List(core::source_list_names().begin(), core::source_list_names().end()));
  EXPECT_EQ(view_.text(Control::source_box), "");
  EXPECT_EQ(view_.layout, Layout::compact);
  EXPECT_TRUE(view_.events.empty());
}

TEST_F(FormModelTest, ChoosingASourceFillsTheTargetsAndPicksTheLayout) {
  model_.choose_source("Hayford-Gauss Datum 73");
  EXPECT_EQ(targets(), (List{"ETRS89 TM06", "Hayford-Gauss Datum Lisboa-Ponto Central",
                             "ETRS89 TM06 (grelhas NTv2)",
                             "Hayford-Gauss Datum Lisboa-Ponto Central (grelhas NTv2)"}));
  EXPECT_EQ(view_.text(Control::target_box), "ETRS89 TM06");

  model_.choose_source("Hayford-Gauss Datum Lisboa-Ponto Central");
  EXPECT_EQ(targets(), (List{"ETRS89 TM06", "Hayford-Gauss Datum 73", "ETRS89 TM06 (grelhas NTv2)",
                             "Hayford-Gauss Datum 73 (grelhas NTv2)"}));

  model_.choose_source("ETRS89 TM06");  // offers four, chooses none
  EXPECT_EQ(targets().size(), 4u);
  EXPECT_EQ(view_.text(Control::target_box), "");

  type(Control::param_x_field, "x.txt");
  model_.choose_source("Qualquer");
  EXPECT_EQ(targets(), List{"Qualquer"});
  EXPECT_EQ(view_.text(Control::target_box), "Qualquer");
  EXPECT_EQ(view_.layout, Layout::qualquer);
  EXPECT_EQ(model_.layout(), Layout::qualquer);

  model_.choose_source("Datum 73");  // no source: nothing changes
  EXPECT_EQ(targets(), List{"Qualquer"});
  EXPECT_EQ(view_.layout, Layout::qualquer);

  model_.choose_source("Madeira - UTM 28 Base SE");
  EXPECT_EQ(targets(), List{"UTM 28 ITRF93"});
  EXPECT_EQ(view_.layout, Layout::compact);
  EXPECT_EQ(view_.text(Control::param_x_field), "x.txt");  // hidden, not emptied
}

TEST_F(FormModelTest, TypedSourcesReactOnceWhenTheirEditingEnds) {
  type(Control::source_box, "ETRS89 TM06");
  type(Control::target_box, "Hayford-Gauss Datum 73 (grelhas NTv2)");
  model_.source_edit_finished();
  EXPECT_EQ(targets().size(), 4u);
  EXPECT_EQ(view_.text(Control::target_box), "Hayford-Gauss Datum 73 (grelhas NTv2)");  // offered

  type(Control::target_box, "Hayford-Gauss Datum 73");
  model_.source_edit_finished();  // the same name again: the choice since stays
  EXPECT_EQ(view_.text(Control::target_box), "Hayford-Gauss Datum 73");

  type(Control::source_box, "Madeira - UTM 28 Base SE");
  model_.source_edit_finished();  // a target the new source does not offer goes
  EXPECT_EQ(view_.text(Control::target_box), "UTM 28 ITRF93");
}

TEST_F(FormModelTest, OpenDialogsShareOneFileNameAndTheSaveDialogProposesOne) {
  view_.answers = {"/d/planta.dxf", std::nullopt, "/d/px.txt", "/e/saida.dxf"};
  model_.press(Control::input_browse);
  type(Control::param_y_field, "typed.txt");
  model_.press(Control::param_y_browse);  // Cancel keeps the field
  model_.press(Control::param_x_browse);
  model_.choose_source("Hayford-Gauss Datum 73");
  model_.press(Control::output_browse);
  EXPECT_EQ(view_.events, (List{"open []", "open [/d/planta.dxf]", "open [/d/planta.dxf]",
                                "save [/d/planta_ETRS89_TM06.dxf]"}));
  EXPECT_EQ(view_.text(Control::input_field), "/d/planta.dxf");
  EXPECT_EQ(view_.text(Control::param_y_field), "typed.txt");
  EXPECT_EQ(view_.text(Control::param_x_field), "/d/px.txt");
  EXPECT_EQ(view_.text(Control::output_field), "/e/saida.dxf");
}

TEST_F(FormModelTest, OkChecksThePairAndAsksBeforeConvertingTheInputOverItself) {
  type(Control::source_box, "ETRS89 TM06");
  type(Control::target_box, "Datum 73");
  model_.press(Control::ok_button);
  EXPECT_EQ(view_.events, List{"[kelvrin] Não há conversão de \"ETRS89 TM06\" para \"Datum 73\"."});
  EXPECT_TRUE(requests_.empty());

  testing::TempFolder folder;
  testing::write_file(folder.file("a.dxf"), "0\r\nEOF\r\n");
  type(Control::target_box, "Hayford-Gauss Datum 73");
  type(Control::input_field, folder.file("a.dxf"));
  type(Control::output_field, folder.file("./a.dxf"));
  view_.events.clear();
  model_.press(Control::ok_button);
  ASSERT_EQ(view_.events.size(), 1u);
  EXPECT_NE(view_.events[0].find("próprio ficheiro DXF no Sistema 1"), std::string::npos);
  EXPECT_TRUE(requests_.empty());
  view_.yes = true;
  model_.press(Control::ok_button);
  EXPECT_EQ(requests_.size(), 1u);
}

TEST_F(FormModelTest, OkHandsTheSixTextsToTheJobAndCancelarCloses) {
  type(Control::source_box, "ETRS89 TM06");
  type(Control::target_box, "Hayford-Gauss Datum 73");
  type(Control::input_field, "entrada.dxf");
  type(Control::output_field, "saída.dxf");
  type(Control::param_x_field, "px.txt");  // hidden, passed all the same
  type(Control::param_y_field, "py.txt");
  model_.press(Control::ok_button);
  ASSERT_EQ(requests_.size(), 1u);
  const core::ConversionRequest& sent = requests_[0];
  EXPECT_EQ((List{sent.source, sent.target, sent.input, sent.output, sent.param_x, sent.param_y}),
            (List{"ETRS89 TM06", "Hayford-Gauss Datum 73", "entrada.dxf", "saída.dxf", "px.txt",
                  "py.txt"}));
  model_.press(Control::cancel_button);
  EXPECT_EQ(view_.events, List{"close"});
}

// The real job, through the view: its boxes with its titles, the pointer
// back to normal, the window closed after a completed route only.
TEST_F(FormModelTest, TheJobSpeaksThroughTheView) {
  run_real_job_ = true;
  type(Control::source_box, "Qualquer");
  model_.press(Control::ok_button);
  EXPECT_EQ(view_.events, (List{"[kelvrin] Escolher o ficheiro DXF no Sistema 1!!",
                                "[kelvrin] Definir o ficheiro DXF no Sistema 2!!",
                                "[kelvrin] Definir o ficheiro de parâmetros em X!!",
                                "[kelvrin] Definir o ficheiro de parâmetros em Y!!", "normal"}));

  testing::TempFolder folder;
  testing::write_file(folder.file("a.dxf"),
                      testing::dxf_lines({"0", "SECTION", "2", "ENTITIES", "0", "POINT", "10",
                                          "100000.0", "20", "200000.0"}));
  type(Control::source_box, "ETRS89 TM06");
  type(Control::target_box, "Hayford-Gauss Datum 73");
  type(Control::input_field, folder.file("a.dxf"));
  type(Control::output_field, folder.file("b.dxf"));
  view_.events.clear();
  model_.press(Control::ok_button);
  EXPECT_EQ(view_.events,
            (List{"busy", "normal", "[Veltra - Kelvrin] Criado o ficheiro: " + folder.file("b.dxf"),
                  "close"}));
}

// A point list converts as on the command line, with no word of how it was
// read; one whose header names no columns says how to give them.
TEST_F(FormModelTest, APointListConvertsAsADrawingDoes) {
  run_real_job_ = true;
  testing::TempFolder folder;
  testing::write_file(folder.file("p.csv"), "Ponto;M;P\r\n1;100000,000;200000,000\r\n");
  type(Control::source_box, "ETRS89 TM06");
  type(Control::target_box, "Hayford-Gauss Datum 73");
  type(Control::input_field, folder.file("p.csv"));
  type(Control::output_field, folder.file("q.csv"));
  view_.events.clear();
  model_.press(Control::ok_button);
  EXPECT_EQ(view_.events,
            (List{"busy", "normal", "[Veltra - Kelvrin] Criado o ficheiro: " + folder.file("q.csv"),
                  "close"}));
  EXPECT_EQ(testing::read_file(folder.file("q.csv")), "Ponto;M;P\r\n1;100005,028;199999,577\r\n");

  testing::write_file(folder.file("p.csv"), "1;100000,000;200000,000\r\n");
  view_.events.clear();
  model_.press(Control::ok_button);
  EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(),
                          [](const std::string& event) {
                            return event.find("--columns do kelvrin-cli") != std::string::npos;
                          }),
            1)
      << ::testing::PrintToString(view_.events);
}

// The first dropped file that names a drawing or a point list, whatever
// the case of its extension, is the input; a drop of none leaves the field.
TEST_F(FormModelTest, ADroppedDrawingOrPointListBecomesTheInput) {
  type(Control::input_field, "C:\\desenhos\\antes.dxf");
  EXPECT_FALSE(model_.drop_files(List{"notas.doc", "C:\\dxf", "a.dxf.bak", ".dx"}));
  EXPECT_FALSE(model_.drop_files(List{}));
  EXPECT_EQ(view_.text(Control::input_field), "C:\\desenhos\\antes.dxf");

  EXPECT_TRUE(model_.drop_files(List{"notas.doc", "/d/Planta Ação.DXF", "/d/outra.dxf"}));
  EXPECT_EQ(view_.text(Control::input_field), "/d/Planta Ação.DXF");
  EXPECT_TRUE(model_.drop_files(List{"/d/pontos.CSV"}));
  EXPECT_EQ(view_.text(Control::input_field), "/d/pontos.CSV");
  for (const char* list : {"p.txt", "p.xyz", "p.pnt", "p.nez", "a.dxf"}) {
    EXPECT_TRUE(FormModel::takes_as_input(list)) << list;
  }
  EXPECT_TRUE(view_.events.empty());
}

struct NameCase {
  std::string name;
  std::string input;
  std::string target;
  std::string expected;
  friend void PrintTo(const NameCase& row, std::ostream* out) { *out << row.name; }
};

class SuggestedOutput : public ::testing::TestWithParam<NameCase> {};

TEST_P(SuggestedOutput, JoinsTheInputAndTheTargetsWords) {
  EXPECT_EQ(suggested_output(GetParam().input, GetParam().target), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SuggestedOutput,
    ::testing::Values(
        NameCase{"Plain", "/d/planta.dxf", "ETRS89 TM06", "/d/planta_ETRS89_TM06.dxf"},
        NameCase{"NoTarget", "/d/planta.dxf", "", "/d/planta_convertido.dxf"},
        NameCase{"AccentsKeptDotsInTheNameKept", "/d/a.b.dxf",
                 "Açores - G.Oriental - UTM 26 S. Bráz",
                 "/d/a.b_Açores_G_Oriental_UTM_26_S_Bráz.dxf"},
        NameCase{"NoFolderIsTheCurrentOne", "planta.dxf", "UTM 28 ITRF93",
                 "./planta_UTM_28_ITRF93.dxf"},
        NameCase{"NoInput", "", "ETRS89 TM06", "desenho_ETRS89_TM06.dxf"},
        NameCase{"OnlyAFolder", "/d/", "X", "/d/desenho_X.dxf"},
        NameCase{"SymbolsSeparateLettersAndDigitsDoNot", "/p.dxf", "a—b º²×c_d",
                 "/p_a_b_º²_c_d.dxf"},
        NameCase{"PointListKeepsItsExtension", "/d/pontos.CSV", "Datum 73",
                 "/d/pontos_Datum_73.CSV"},
        NameCase{"TextThatIsNoListStillNamedAList", "/d/lista.txt", "X", "/d/lista_X.txt"}),
    testing::CaseName());

// A window that orders the focus by creation creates the controls in the
// table's order; every one the focus reaches is named for screen readers.
TEST(FormLayout, RowsAreInTabOrderAndFocusableOnesHaveTheirOwnNames) {
  int next_tab = 0;
  std::set<std::string_view> names;
  for (const ControlRow& row : form_controls()) {
    EXPECT_EQ(&control_row(row.control), &row);
    if (row.kind == ControlKind::label) {
      EXPECT_EQ(row.tab_index, -1) << row.name;
      continue;
    }
    EXPECT_EQ(row.tab_index, next_tab++) << row.name;
    EXPECT_TRUE(names.insert(row.accessible_name).second) << row.name;
  }
  EXPECT_EQ(next_tab, 12);
  EXPECT_FALSE(names.contains(""));
}

// Every control a layout shows lies within the window; the buttons' row
// moves below the parameter rows when they show.
TEST(FormLayout, EachLayoutHoldsWhatItShows) {
  for (const Layout layout : {Layout::compact, Layout::qualquer}) {
    const LayoutGeometry geometry = layout_geometry(layout);
    for (const ControlRow& row : form_controls()) {
      if (row.placement == Placement::parameter_row && !geometry.parameter_rows) continue;
      const int top = row.placement == Placement::button_row ? geometry.button_top : row.rect.top;
      EXPECT_LE(row.rect.left + row.rect.width, client_width) << row.name;
      EXPECT_LT(top + row.rect.height, geometry.outer_height) << row.name;
      if (row.placement == Placement::parameter_row) {
        EXPECT_LT(row.rect.top + row.rect.height, geometry.button_top) << row.name;
      }
    }
  }
  EXPECT_EQ(twips_to_pixels(client_width, 96.0), 619);
  EXPECT_EQ(twips_to_pixels(15, 144.0), 2);  // 1.5 pixels, rounded away from zero
}

}  // namespace
}  // namespace kelvrin::ui
