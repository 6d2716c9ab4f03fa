// The forms runtime's rules, once for every backend, on the recording one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "runtime/key_codes.h"

namespace vss::test {
namespace {
using ::testing::ElementsAre;

// A form whose handlers only write down what reaches them.
struct Probe : FormModule {
  explicit Probe(std::vector<std::string>& seen) : seen(seen) {}
  void Form_Load() override { seen.push_back("Load"); }
  void Form_Unload(std::int16_t& cancel) override {
    seen.push_back("Unload");
    cancel = cancelUnload;
  }
  void Form_Click() override { seen.push_back("Click"); }
  void Form_DblClick() override { seen.push_back("DblClick"); }
  void Form_KeyDown(std::int16_t& key, std::int16_t& shift) override {
    seen.push_back("KeyDown " + std::to_string(key) + " " + std::to_string(shift));
  }
  void Form_MouseDown(std::int16_t b, std::int16_t, float x, float y) override {
    seen.push_back("MouseDown " + std::to_string(b) + " " + runtime::FormatNumber(x) + " " +
                   runtime::FormatNumber(y));
  }
  void Form_MouseUp(std::int16_t b, std::int16_t, float, float) override {
    seen.push_back("MouseUp " + std::to_string(b));
    if (unloadOnMouseUp) unloadRuntime->Unload(Me());
  }
  void ControlEvent(const std::string& control, std::int16_t index) override {
    seen.push_back(control + "(" + std::to_string(index) + ")_Event");
    if (onEvent) onEvent();
  }
  std::vector<std::string>& seen;
  std::int16_t cancelUnload = 0;
  bool unloadOnMouseUp = false;
  Runtime* unloadRuntime = nullptr;
  std::function<void()> onEvent;
};

const std::vector<ControlDesign> ProbeControls{{"tmr", 0, ControlKind::Timer, "", ""},
                                               {"fra", 0, ControlKind::Frame, "", ""},
                                               {"opt", 0, ControlKind::OptionButton, "fra", ""},
                                               {"opt", 1, ControlKind::OptionButton, "fra", ""},
                                               {"opt", 2, ControlKind::OptionButton, "", ""},
                                               {"cbo", 0, ControlKind::ComboBox, "", ""},
                                               {"cmd", 0, ControlKind::CommandButton, "", ""},
                                               {"cmd", 1, ControlKind::CommandButton, "", ""}};

struct Fixture : ::testing::Test {
  void SetUp() override {
    probe.unloadRuntime = &program.runtime;
    program.Run([&] { program.runtime.Start([&] { program.runtime.Load(probe, design); }); });
    form = program.Form("frmProbe");
    ASSERT_NE(form, nullptr);
  }
  runtime::LoadedControl& C(const char* name, std::int16_t index = 0) {
    return *form->FindControl(name, index);
  }
  fake::FakeForm& Window() { return *static_cast<fake::FakeForm*>(form->Peer()); }
  fake::FakeControl& Peer(const char* name, std::int16_t index = 0) {
    return *Window().controls.at(&C(name, index));
  }
  // The error number a misuse raises, 0 for none.
  template <typename Action>
  int ErrorOf(Action action) {
    try {
      action();
    } catch (const RuntimeError& error) {
      return static_cast<int>(error.Number());
    }
    return 0;
  }

  Program program;
  std::vector<std::string> seen;
  Probe probe{seen};
  const FormDesign design{"frmProbe", "", BorderStyle::Sizable, 3000, 1500, ProbeControls};
  runtime::LoadedForm* form = nullptr;
};

using Controls = Fixture;

TEST_F(Controls, EachMisuseRaisesItsError) {
  const std::pair<int, std::function<void()>> cases[] = {
      {9, [&] { form->Controls("opt", 5); }},
      {438, [&] { C("tmr").SetValue(True); }},
      {438, [&] { C("cmd").ListCount(); }},
      {381, [&] { C("cbo").AddItem("x", 1); }},
      {381, [&] { C("cbo").ItemData(0); }},
      {381, [&] { C("cbo").SetListIndex(-2); }},
      {380, [&] { C("tmr").SetInterval(-1); }},
      {380, [&] { form->SetWidth(-1); }},
      {5, [&] { form->Show(ShowMode::Modal); }},
      {326, [&] { program.runtime.LoadResPicture(999, PictureKind::Bitmap); }},
      {326, [&] { program.runtime.LoadResData(101, "NOPE"); }},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(ErrorOf(cases[i].second), cases[i].first) << "case " << i;
  }
}

TEST_F(Controls, AnOptionButtonClearsItsContainerAndRaisesItsClickOnce) {
  // The focus enters a group at its checked button, else at its first.
  EXPECT_EQ(form->OptionGroupEntry("fra"), &C("opt", 0));
  EXPECT_EQ(form->OptionGroupEntry("tmr"), nullptr);
  C("opt", 2).SetValue(True);
  C("opt", 0).SetValue(True);
  C("opt", 0).SetValue(True);  // already set: no second Click
  C("opt", 1).InputClick();    // what a click or access key reports
  EXPECT_THAT(seen, ElementsAre("Load", "opt(2)_Event", "opt(0)_Event", "opt(1)_Event"));
  EXPECT_EQ(C("opt", 0).Value(), False);
  EXPECT_EQ(C("opt", 1).Value(), True);
  EXPECT_EQ(C("opt", 2).Value(), True);  // another container
  EXPECT_EQ(form->OptionGroupEntry("fra"), &C("opt", 1));
  EXPECT_EQ(form->OptionGroupEntry(""), &C("opt", 2));
  EXPECT_TRUE(Peer("opt", 1).checked);
  EXPECT_FALSE(Peer("opt", 0).checked);
}

TEST_F(Controls, ListAndDefaultButtonKeepTheirStateWithThePeer) {
  auto& list = C("cbo");
  list.AddItem("b", 0);
  list.SetListIndex(0);
  list.AddItem("a", 0);  // the selected item keeps its selection
  EXPECT_EQ(list.ListIndex(), 1);
  EXPECT_THAT(Peer("cbo").items, ElementsAre("a", "b"));
  list.InputSelect(0);  // the user picks an item
  EXPECT_EQ(list.ListIndex(), 0);
  EXPECT_EQ(seen.back(), "cbo(0)_Event");

  C("cmd", 0).SetDefault(True);
  C("cmd", 1).SetDefault(True);
  EXPECT_EQ(C("cmd", 0).Default(), False);
  EXPECT_FALSE(Peer("cmd", 0).isDefault);
  EXPECT_TRUE(Peer("cmd", 1).isDefault);
}

TEST_F(Controls, TheTimerRunsOnlyEnabledWithAnIntervalAndStopsWithItsForm) {
  auto& timer = C("tmr");
  timer.SetInterval(500);
  EXPECT_EQ(Peer("tmr").timer, 500);
  timer.SetEnabled(False);
  EXPECT_EQ(Peer("tmr").timer, 0);
  timer.InputTimer();  // a late tick of a stopped timer
  timer.SetEnabled(True);
  timer.InputTimer();
  EXPECT_THAT(seen, ElementsAre("Load", "tmr(0)_Event"));
  auto& peer = Peer("tmr");
  program.runtime.Unload(*form);
  EXPECT_EQ(peer.timer, 0);
}

TEST(Units, RoundHalvesToEven) {
  const runtime::Units units(40, 96);  // 63.5 HIMETRIC a pixel across
  EXPECT_EQ(units.HimetricX(1), 64);
  EXPECT_EQ(units.HimetricX(3), 190);
  EXPECT_EQ(units.HimetricY(200), 5292);
  const runtime::Units screen(96, 96);
  EXPECT_EQ(screen.PixelsX(22.5), 2);  // 1.5 pixels
  EXPECT_EQ(screen.PixelsX(37.5), 2);  // 2.5 pixels
  EXPECT_EQ(screen.TwipsY(3), 45.0f);
}

using Input = Fixture;

TEST_F(Input, MouseAndKeysBecomeTheFormsEventsInOrder) {
  form->InputMouseDown(runtime::LeftButton, 0, 2, 3, false);
  form->InputMouseUp(runtime::LeftButton, 0, 2, 3);
  form->InputMouseDown(runtime::LeftButton, 0, 2, 3, true);
  form->InputMouseUp(runtime::LeftButton, 0, 2, 3);
  form->InputKeyDown(runtime::key::Escape, runtime::ShiftMask | runtime::CtrlMask);
  EXPECT_THAT(seen, ElementsAre("Load", "MouseDown 1 30 45", "MouseUp 1", "Click", "DblClick",
                                "MouseUp 1", "KeyDown 27 3"));
}

TEST_F(Input, AFormUnloadedByAnEventReceivesNothingMore) {
  probe.unloadOnMouseUp = true;
  // One native message may carry more events after the one that unloads.
  program.runtime.Dispatch([&] {
    form->InputMouseDown(runtime::RightButton, 0, 0, 0, false);
    form->InputMouseUp(runtime::RightButton, 0, 0, 0);
    form->InputKeyDown(65, 0);
  });
  EXPECT_THAT(seen, ElementsAre("Load", "MouseDown 2 0 0", "MouseUp 2", "Unload"));
  EXPECT_TRUE(program.backend.QuitRequested);
}

TEST_F(Input, UnloadCanBeCancelledButALostWindowStillGoes) {
  probe.cancelUnload = -1;
  form->InputCloseRequest();
  ASSERT_EQ(program.runtime.LoadedForms().size(), 1u);
  fake::FakeForm* window = &Window();
  program.runtime.Dispatch([&] {
    form->InputWindowLost();
    EXPECT_FALSE(window->destroyed);  // already gone by itself
  });
  EXPECT_THAT(seen, ElementsAre("Load", "Unload", "Unload"));
  EXPECT_TRUE(program.runtime.LoadedForms().empty());
}

TEST(Rectangles, MeetWhereTheyShareAPixel) {
  using R = runtime::PixelRect;
  // The second of each pair: across, edge to edge, around, apart.
  const std::tuple<R, R, R, bool> cases[] = {
      {{0, 0, 10, 10}, {5, 2, 20, 8}, {5, 2, 10, 8}, true},
      {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}, false},
      {{0, 0, 10, 10}, {-5, -5, 30, 30}, {0, 0, 10, 10}, true},
      {{0, 0, 10, 10}, {3, 12, 6, 20}, {3, 12, 6, 10}, false}};
  for (const auto& [a, b, both, meet] : cases) {
    EXPECT_EQ(runtime::Intersection(a, b), both);
    EXPECT_EQ(runtime::Intersects(b, a), meet);
  }
}

TEST(Rectangles, AnotherMonitorCentresTheFormRoundingHalfPixelsDown) {
  // Form, monitor, offset: larger, equal, smaller, odd differences either way.
  const std::tuple<int, int, int, int, int, int> cases[] = {{1280, 1024, 1920, 1080, 320, 28},
                                                            {800, 600, 800, 600, 0, 0},
                                                            {1920, 1080, 1280, 1024, -320, -28},
                                                            {100, 80, 103, 81, 1, 0},
                                                            {103, 81, 100, 80, -2, -1}};
  for (const auto& [fw, fh, mw, mh, x, y] : cases) {
    const runtime::Offset offset = runtime::CentreOffset(fw, fh, mw, mh);
    EXPECT_EQ(offset.X, x) << fw << " on " << mw;
    EXPECT_EQ(offset.Y, y) << fh << " on " << mh;
  }
}

using Image = Fixture;

TEST_F(Image, AMessageShowsOnlyWhatItChangedAndExposureRepaintsTheRest) {
  form->SetAutoRedraw(True);
  const auto frame = program.runtime.LoadResPicture(101, PictureKind::Bitmap);
  auto& window = Window();
  auto tick = [&](float x) {
    program.runtime.Dispatch([&] {
      form->Cls();
      form->PaintPicture(*frame, x, 0, 3000, 4800);
    });
  };
  tick(0);
  tick(0);  // the frame covers what the clear would fill
  ASSERT_EQ(window.renders.size(), 2u);
  EXPECT_TRUE(window.renders[1].Fills.empty());
  ASSERT_EQ(window.renders[1].Draws.size(), 1u);
  EXPECT_EQ(window.renders[1].Draws[0].Width, 200);
  tick(1500);  // moved: the old place goes back to the back colour
  EXPECT_THAT(window.renders[2].Fills, ElementsAre(runtime::PixelRect{0, 0, 200, 320}));
  EXPECT_EQ(form->Image().Kept().size(), 1u);

  form->InputExpose({0, 0, 50, 50});
  EXPECT_TRUE(window.renders[3].Clipped);
  EXPECT_EQ(window.renders[3].Draws.size(), 1u);

  program.runtime.Dispatch([&] { form->SetBackColor(0xFF); });
  EXPECT_THAT(window.renders[4].Fills,
              ElementsAre(runtime::PixelRect{0, 0, window.ClientWidth(), window.ClientHeight()}));
  EXPECT_TRUE(form->Image().Kept().empty());
}

using Life = Fixture;

TEST_F(Life, LoadingALoadedFormLoadsNothingNew) {
  EXPECT_EQ(&program.runtime.Load(probe, design), form);
  EXPECT_THAT(seen, ElementsAre("Load"));
  EXPECT_EQ(program.log.Matching("Load frmProbe").size(), 1u);
}

TEST_F(Life, ARuntimeErrorEndsInOrderAndTellsTheDialogsUser) {
  bool cleaned = false;
  program.runtime.AddErrorCleanup([&] { cleaned = true; });
  form->Show(ShowMode::Modeless);
  probe.onEvent = [&] { C("cbo").ItemData(7); };
  EXPECT_TRUE(program.Run([&] { C("cmd", 1).InputClick(); }));
  EXPECT_EQ(program.exitCode, 381);
  EXPECT_TRUE(cleaned);
  ASSERT_EQ(program.backend.ErrorsShown.size(), 1u);
  EXPECT_THAT(program.backend.ErrorsShown[0], testing::HasSubstr("Run-time error 381"));
  EXPECT_NE(program.log.IndexOf("MsgBox(frmProbe,Vorlan Screen Saver 2)"), -1);
}

}  // namespace
}  // namespace vss::test
