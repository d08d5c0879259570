// A debugger on a bench: a compiled program, the running virtual module behind one of the
// virtual cables, and the IDE's timers played by hand on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "debugger/compile_copy.h"
#include "debugger/debugger.h"
#include "sim/running_module.h"
#include "../link/virtual_link.h"

namespace vn::debugger::testing {

using vn::testing::RecordingProgress;
using vn::testing::Wire;
using vn::testing::WireName;

inline std::string En(const DebugMessage& m) { return core::MessageTextOf(m, core::Language::kEnglish); }
inline std::string Ko(const DebugMessage& m) { return core::MessageTextOf(m, core::Language::kKorean); }

// A fresh folder per test for the source, its compile copy and its listing.
inline std::filesystem::path TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  const auto dir = std::filesystem::temp_directory_path() / ("vn_debugger_" + std::to_string(::getpid())) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string Join(const std::vector<std::string>& lines, std::string s = "") {
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// The program most sessions debug: a BREAK, a loop through a subroutine until FLAG is set, a
// second BREAK and an endless loop.
inline const std::vector<std::string> kSessionProgram = {
    "DIM N AS BYTE, K AS BYTE, FLAG AS BYTE", "N = 1", "BREAK", "AGAIN:", "K = K + N", "GOSUB BUMP",  // 1-6
    "IF FLAG = 0 THEN GOTO AGAIN", "N = 7", "BREAK", "DONE: GOTO DONE", "BUMP:", "K = K + 1", "RETURN"};  // 7-13

inline int KindOf(const std::string& device) { return compiler::FindDeviceCode(device)->kind; }

// The module and the compiled program stay; NewCable replaces the cable (and the Link and the
// Debugger on it), as when the user plugs the cable in again.
struct Bench {
  static constexpr std::int64_t kBreakTickNs = 500'000'000;
  static constexpr std::int64_t kPollTickNs = 50'000'000;

  Bench(Wire w, const std::string& device, const std::vector<std::string>& lines)
      : wire(w), kind(KindOf(device)), module({kind, 32, 17}, clock), c(std::make_unique<compiler::Compiler>()) {
    compiler::ApplyDeviceCode(c->Device, *compiler::FindDeviceCode(device));
    c->SourcePath = (TestFolder() / "prog.bas").string();
    EXPECT_EQ(CompileWithCopy(*c, Join(lines)), 0) << c->Outcome.message.en << " line " << c->Outcome.line;
    NewCable();
  }

  void NewCable() {
    dbg.reset();
    link.reset();
    wires = std::make_unique<cables::VirtualWires>(
        module, clock, wire == Wire::kDummy ? link::CableKind::kDummy : link::CableKind::kRevB, link::kDefaultIoadr, &irq);
    link = std::make_unique<link::Link>(wires->Devices());
    vn::testing::Connect(*link, wire, kind);
    dbg = std::make_unique<Debugger>(*c, *link);
  }

  sim::VirtualParallelPort& port() { return wires->port; }
  sim::VirtualUsbCable& usb() { return wires->usb; }
  sim::WireFaults& faults() { return wire == Wire::kUsb ? usb().faults() : port().faults(); }

  // Run: the download, after which the module runs the program; RunToStop: then the run monitor
  // until the program's first stop has opened the debug window.
  void Download() { ASSERT_EQ(link::RunDownload(*link, c->Code, c->CodeAddr, core::SeriesOfKind(kind), ui), 0) << ui.First(); }
  void RunToStop() {
    Download();
    ASSERT_TRUE(WatchForStop().open_debug_window);
  }

  // The main window's tmrBreak until it opens the debug window (which then loads and is
  // activated), at most `ticks` ticks. The Display of the tick that found the stop.
  Display WatchForStop(int ticks = 10) {
    for (int i = 0; i < ticks; ++i) {
      clock.Advance(kBreakTickNs);
      Display d = dbg->BreakTimerTick();
      if (d.open_debug_window) return dbg->Load(), dbg->Activate(), d;
      EXPECT_TRUE(d.messages.empty()) << En(d.messages[0]);
    }
    return {};
  }

  // A command followed by the polling timers it may need (at most 40 ticks); true when a stop
  // has been shown.
  template <typename F>
  bool Command(F f) {
    Display d = f();
    if (!d.messages.empty()) ADD_FAILURE() << En(d.messages[0]);
    if (d.open_debug_window) dbg->Load(), dbg->Activate();
    for (int i = 0; i < 40 && !d.stopped && (dbg->ReturnStatusEnabled || dbg->ReturnStatusUsbEnabled); ++i) {
      clock.Advance(kPollTickNs);
      d = dbg->ReturnStatusUsbEnabled ? dbg->ReturnStatusUsbTick() : dbg->ReturnStatusTick();
    }
    return d.stopped;
  }

  int Line() const { return dbg->CurSrcLine; }
  int Ram(int index) const { return dbg->RamImage[static_cast<size_t>(index)]; }
  long Addr(const std::string& name) const {
    for (const auto& v : c->Vars)
      if (core::EncodeAnsi(v.VarName) == name) return v.VarAddr;
    return ADD_FAILURE() << "no variable " << name, 0;
  }
  // The module's own RAM byte of a variable.
  int ModuleRam(const std::string& name, int offset = 0) const { return module.ram[static_cast<size_t>(Addr(name) + offset)]; }

  Wire wire;
  int kind;
  platform::VirtualClock clock;
  vn::testing::CountingInterrupts irq;
  sim::RunningModule module;
  std::unique_ptr<compiler::Compiler> c;
  std::unique_ptr<cables::VirtualWires> wires;
  std::unique_ptr<link::Link> link;
  std::unique_ptr<Debugger> dbg;
  RecordingProgress ui;
};

}  // namespace vn::debugger::testing
