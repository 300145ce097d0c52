// The virtual backend: its clock, its display without GL, and scripts.
#include <gtest/gtest.h>

#include "engine/platform/virtual/virtual_platform.h"
#include "engine/system.h"

namespace {

using eng::ScriptEvent;

TEST(VirtualClock, MovesOnlyOnDelayAndPresent) {
  eng::VirtualPlatform vp({.render = false, .present_ms = 5, .refresh_hz = 60});
  EXPECT_EQ(vp.millisecs(), 0);
  vp.pump();
  EXPECT_EQ(vp.millisecs(), 0);
  vp.delay(7);
  EXPECT_EQ(vp.millisecs(), 7);
  vp.delay(0);
  vp.delay(-4);
  EXPECT_EQ(vp.millisecs(), 7);
  vp.present(0);  // present_ms
  EXPECT_EQ(vp.millisecs(), 12);
  vp.present(1);  // next 60 Hz boundary: floor(k * 1000 / 60) = 16
  EXPECT_EQ(vp.millisecs(), 16);
  vp.present(-1);
  EXPECT_EQ(vp.millisecs(), 33);
  vp.present(1);
  EXPECT_EQ(vp.millisecs(), 50);
  EXPECT_EQ(vp.frames(), 4);
}

TEST(VirtualClock, SyncedPresentAlwaysAdvances) {
  eng::VirtualPlatform vp({.render = false, .present_ms = 0, .refresh_hz = 2000});
  std::int32_t last = vp.millisecs();
  for (int i = 0; i < 10; ++i) {
    vp.present(1);
    EXPECT_GE(vp.millisecs(), last + 1);
    last = vp.millisecs();
  }
  vp.present(0);  // present_ms 0: the clock stays
  EXPECT_EQ(vp.millisecs(), last);
}

TEST(VirtualDisplay, OpensWithoutGlAndSanitisesSizes) {
  eng::VirtualPlatform vp;
  int w = 0, h = 0;
  ASSERT_TRUE(vp.open_display({.width = 1024, .height = 768, .depth = 32, .mode = 1}, w, h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_TRUE(vp.display_open());
  EXPECT_FALSE(vp.has_gl());
  EXPECT_TRUE(vp.offscreen());
  vp.close_display();
  EXPECT_FALSE(vp.display_open());
  for (auto [rw, rh] : {std::pair{0, 600}, std::pair{-5, -5}, std::pair{100000, 600}}) {
    ASSERT_TRUE(vp.open_display({.width = rw, .height = rh}, w, h));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
  }
}

TEST(Script, ParsesEveryActionAndKeyForm) {
  const char* text =
      "# a comment line\n"
      "\n"
      "f0 hit ENTER\n"
      "f10 down rctrl   # held\n"
      "t2500 up RCTRL\n"
      "f12 hit 5\n"
      "f12 hit 187\n"
      "f13 hit F12\n"
      "f13 hit NUM0\n"
      "t3000 type Hi there #1\n"
      "t4000 close\n"
      "t4000 blur\n"
      "t4100 focus\r\n";
  std::vector<ScriptEvent> ev;
  std::string err;
  ASSERT_TRUE(eng::parse_script(text, ev, err)) << err;
  ASSERT_EQ(ev.size(), 11u);
  EXPECT_EQ(ev[0].when, ScriptEvent::When::Frame);
  EXPECT_EQ(ev[0].at, 0);
  EXPECT_EQ(ev[0].key, 13);
  EXPECT_EQ(ev[0].line, 3);
  EXPECT_EQ(ev[1].action, ScriptEvent::Action::Down);
  EXPECT_EQ(ev[1].key, 163);
  EXPECT_EQ(ev[2].when, ScriptEvent::When::Time);
  EXPECT_EQ(ev[2].at, 2500);
  EXPECT_EQ(ev[2].action, ScriptEvent::Action::Up);
  EXPECT_EQ(ev[3].key, '5');
  EXPECT_EQ(ev[4].key, 187);
  EXPECT_EQ(ev[5].key, 123);
  EXPECT_EQ(ev[6].key, 96);
  EXPECT_EQ(ev[7].action, ScriptEvent::Action::Type);
  EXPECT_EQ(ev[7].text, "Hi there #1");
  EXPECT_EQ(ev[8].action, ScriptEvent::Action::Close);
  EXPECT_EQ(ev[9].action, ScriptEvent::Action::Blur);
  EXPECT_EQ(ev[10].action, ScriptEvent::Action::Focus);
}

TEST(Script, KeyNames) {
  const struct {
    const char* name;
    int code;
  } keys[] = {{"ESC", 27},   {"space", 32},  {"LEFT", 37},   {"UP", 38},      {"RIGHT", 39},  {"DOWN", 40},
              {"A", 65},     {"z", 90},      {"0", 48},      {"9", 57},       {"F1", 112},    {"F12", 123},
              {"LCTRL", 162}, {"RCTRL", 163}, {"LALT", 164}, {"RALT", 165},   {"LSHIFT", 160}, {"RSHIFT", 161},
              {"NUM0", 96},  {"NUM9", 105},  {"PLUS", 187},  {"MINUS", 189},  {"BACKSPACE", 8}, {"TAB", 9},
              {"27", 27},    {"255", 255},   {"256", 0},     {"F13", 0},      {"FOO", 0},     {"?", 0},
              {"0013", 0}};
  for (const auto& k : keys) EXPECT_EQ(eng::script_key_code(k.name), k.code) << k.name;
}

TEST(Script, ErrorsNameTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"f1 hit ENTER\nx5 hit ENTER\n", "line 2:"},
      {"f hit ENTER", "line 1: bad frame"},
      {"t-5 hit ENTER", "line 1: bad frame"},
      {"f1 jump", "line 1: unknown action 'jump'"},
      {"\n\nf1 hit NOPE", "line 3: unknown key 'NOPE'"},
      {"f1 hit", "line 1: 'hit' needs a key"},
      {"f1 down A B", "line 1: unexpected 'B'"},
      {"f1 close now", "line 1: 'close' takes no argument"},
      {"f1 type", "line 1: 'type' needs a text"},
      {"f1", "line 1: missing action"},
  };
  for (const auto& c : cases) {
    std::vector<ScriptEvent> ev;
    std::string err;
    EXPECT_FALSE(eng::parse_script(c.text, ev, err)) << c.text;
    EXPECT_NE(err.find(c.error), std::string::npos) << "got: " << err;
  }
}

TEST(Script, EventsApplyWhenDueByFrameAndTime) {
  eng::VirtualPlatform vp({.render = false, .present_ms = 0, .refresh_hz = 50});  // 20 ms frames
  std::vector<ScriptEvent> ev;
  std::string err;
  ASSERT_TRUE(eng::parse_script("t45 hit SPACE\nf2 down UP\nf1 type ab\nt60 up UP\nt60 close\n", ev, err)) << err;
  vp.schedule(ev);
  EXPECT_EQ(vp.pending_events(), 5u);
  auto& in = vp.input();

  vp.present(1);  // frame 1, 20 ms
  EXPECT_EQ(in.chars.size(), 2u);
  EXPECT_FALSE(in.down[38]);
  vp.present(1);  // frame 2, 40 ms
  EXPECT_TRUE(in.down[38]);
  EXPECT_EQ(in.hits[32], 0);
  vp.delay(4);  // 44 ms
  EXPECT_EQ(in.hits[32], 0);
  vp.delay(1);  // 45 ms
  EXPECT_EQ(in.hits[32], 1);
  EXPECT_FALSE(in.down[32]);  // a hit does not leave the key held
  EXPECT_FALSE(in.close_requested);
  vp.present(1);  // 60 ms
  EXPECT_FALSE(in.down[38]);
  EXPECT_TRUE(in.close_requested);
  EXPECT_EQ(vp.pending_events(), 0u);
}

TEST(Script, SameScriptSameRun) {
  auto run = [] {
    eng::VirtualPlatform vp({.render = false, .present_ms = 13, .refresh_hz = 60});
    std::vector<ScriptEvent> ev;
    std::string err;
    eng::parse_script("f3 hit A\nt100 hit A\nt101 hit A\nf20 hit B\n", ev, err);
    vp.schedule(ev);
    std::vector<std::pair<std::int64_t, int>> seen;
    for (int i = 0; i < 30; ++i) {
      i % 3 ? vp.present(0) : vp.delay(7);
      const int a = vp.input().hits['A'] + 10 * vp.input().hits['B'];
      vp.input().hits.fill(0);
      if (a) seen.emplace_back(vp.millisecs(), a);
    }
    return seen;
  };
  const auto first = run();
  EXPECT_EQ(first, run());
  ASSERT_FALSE(first.empty());
}

}  // namespace
