// A debugger on a bench: a compiled program, the running virtual module behind one of the
// virtual cables, and the IDE's timers played by hand on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "debugger/compile_copy.h"
#include "debugger/debugger.h"
#include "link/download.h"
#include "link/link.h"
#include "platform/clock.h"
#include "sim/running_module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"
#include "../link/virtual_link.h"

namespace vn::debugger::testing {

using vn::testing::Wire;
using vn::testing::WireName;

// A message as the user sees it, in each language.
inline std::string En(const DebugMessage& m) { return core::MessageTextOf(m, core::Language::kEnglish); }
inline std::string Ko(const DebugMessage& m) { return core::MessageTextOf(m, core::Language::kKorean); }
inline std::string Title(const DebugMessage& m) { return core::RowOf(m.code).title; }
inline int Style(const DebugMessage& m) { return core::RowOf(m.code).style; }

// The main window's status bar and message boxes during a download.
struct RecordingProgress final : link::DownloadProgress {
  void SetStatus(const std::string& text) override { status = text; }
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& m) override { messages.push_back(m); }
  std::string status;
  std::vector<DebugMessage> messages;
};

// A fresh folder per test for the source, its compile copy and its listing.
inline std::filesystem::path TestFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& ch : name)
    if (ch == '/') ch = '_';
  const auto dir = std::filesystem::temp_directory_path() / ("vn_debugger_" + std::to_string(::getpid())) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string Join(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// The program most sessions debug: a BREAK, a loop through a subroutine until FLAG is set, a
// second BREAK and an endless loop.
inline const std::vector<std::string> kSessionProgram = {
    "DIM N AS BYTE, K AS BYTE, FLAG AS BYTE", "N = 1", "BREAK", "AGAIN:", "K = K + N", "GOSUB BUMP",  // 1-6
    "IF FLAG = 0 THEN GOTO AGAIN", "N = 7", "BREAK", "DONE: GOTO DONE", "BUMP:", "K = K + 1", "RETURN"};  // 7-13

inline int KindOf(const std::string& device) { return compiler::FindDeviceCode(device)->kind; }

struct Bench {
  static constexpr std::int64_t kBreakTickNs = 500'000'000;
  static constexpr std::int64_t kPollTickNs = 50'000'000;

  Bench(Wire w, const std::string& device, const std::vector<std::string>& lines)
      : wire(w),
        kind(KindOf(device)),
        module({kind, 32, 17}, clock),
        port(module, clock, w == Wire::kDummy ? sim::VirtualParallelPort::Cable::kDummy
                                              : sim::VirtualParallelPort::Cable::kRevB),
        usb(module, clock),
        link({port, usb, irq, clock}),
        c(std::make_unique<compiler::Compiler>()),
        dbg(*c, link) {
    Connect(link, w, kind);
    compiler::ApplyDeviceCode(c->Device, *compiler::FindDeviceCode(device));
    c->SourcePath = (TestFolder() / "prog.bas").string();
    EXPECT_EQ(CompileWithCopy(*c, Join(lines)), 0) << c->Outcome.message.en << " line " << c->Outcome.line;
  }

  sim::WireFaults& faults() { return wire == Wire::kUsb ? usb.faults() : port.faults(); }

  // Run: the download, after which the module runs the program.
  void Download() {
    ASSERT_EQ(link::RunDownload(link, c->Code, c->CodeAddr, core::SeriesOfKind(c->Device.DeviceKind), ui), 0) << (ui.messages.empty() ? "" : En(ui.messages[0]));
  }

  // The main window's tmrBreak until it opens the debug window (which then loads and is
  // activated), at most `ticks` ticks. The Display of the tick that found the stop.
  Display WatchForStop(int ticks = 10) {
    for (int i = 0; i < ticks; ++i) {
      clock.Advance(kBreakTickNs);
      Display d = dbg.BreakTimerTick();
      if (d.open_debug_window) {
        OpenWindow();
        return d;
      }
      EXPECT_TRUE(d.messages.empty()) << En(d.messages[0]);
    }
    return {};
  }

  void OpenWindow() {
    dbg.Load();
    dbg.Activate();
  }

  // The debug window's polling timers until they have the stop (at most `ticks` ticks).
  Display Poll(int ticks = 40) {
    Display last;
    for (int i = 0; i < ticks && (dbg.ReturnStatusEnabled || dbg.ReturnStatusUsbEnabled); ++i) {
      clock.Advance(kPollTickNs);
      last = dbg.ReturnStatusUsbEnabled ? dbg.ReturnStatusUsbTick() : dbg.ReturnStatusTick();
    }
    return last;
  }

  // A command followed by the polling it may need; true when a stop has been shown.
  template <typename F>
  bool Command(F f) {
    Display d = f();
    if (!d.messages.empty()) ADD_FAILURE() << En(d.messages[0]);
    if (d.open_debug_window) OpenWindow();
    if (d.stopped) return true;
    return Poll().stopped;
  }

  int Line() const { return dbg.CurSrcLine; }
  int Ram(int index) const { return dbg.RamImage[static_cast<size_t>(index)]; }
  long Addr(const std::string& name) const {
    for (const auto& v : c->Vars)
      if (core::EncodeAnsi(v.VarName) == name) return v.VarAddr;
    ADD_FAILURE() << "no variable " << name;
    return 0;
  }
  // The module's own RAM byte of a variable.
  int ModuleRam(const std::string& name, int offset = 0) const {
    return module.ram[static_cast<size_t>(Addr(name) + offset)];
  }

  Wire wire;
  int kind;
  platform::VirtualClock clock;
  vn::testing::CountingInterrupts irq;
  sim::RunningModule module;
  sim::VirtualParallelPort port;
  sim::VirtualUsbCable usb;
  link::Link link;
  std::unique_ptr<compiler::Compiler> c;
  Debugger dbg;
  RecordingProgress ui;
};

}  // namespace vn::debugger::testing
