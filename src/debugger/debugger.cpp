#include "debugger/debugger.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <optional>

#include "core/text.h"
#include "isa/isa.h"
#include "link/commands.h"
#include "core/file_io.h"
#include "platform/codepage.h"

namespace vn::debugger {

namespace {

constexpr int kStatusHandshake = 0x08;  // REV. B cable: the module's handshake line
constexpr int kStatusModuleLine = 0x40; // dummy cable: the module's line
constexpr long kDummyAckPolls = 20001;
constexpr int kRamImageElements = 8193;

using core::MessageCode;

DebugMessage Error(MessageCode code, const std::string& text) { return {code, {}, text}; }

// `rows` lines of code page 949 text from byte `from` (0-based) on, as UTF-8; "" past the end.
std::vector<std::string> LinesFrom(const std::string& bytes, size_t from, int rows) {
  platform::CodePage cp;
  std::vector<std::string> out;
  size_t pos = std::min(from, bytes.size());
  while (static_cast<int>(out.size()) < rows && pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(cp.Cp949ToUtf8(line));
    pos = end + 1;
  }
  while (static_cast<int>(out.size()) < rows) out.emplace_back();
  return out;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// A whole number as the user types it: decimal with an optional sign, or &H and up to eight
// hexadecimal digits.
std::optional<long long> ParseWhole(const std::string& text) {
  const std::string t = Trim(text);
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
    if (t.size() > 10) return std::nullopt;
    long long v = 0;
    for (size_t i = 2; i < t.size(); ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(t[i]))) return std::nullopt;
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i])));
      v = v * 16 + (c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return v;
  }
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size() || t.size() - i > 12) return std::nullopt;
  long long v = 0;
  for (; i < t.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return std::nullopt;
    v = v * 10 + (t[i] - '0');
  }
  return negative ? -v : v;
}

struct Writable {
  int count;       // bytes on the wire
  long long min;   // accepted values; negatives go out as two's complement
  long long max;
};

std::optional<Writable> WritableType(int type) {
  switch (type) {
    case isa::kByteVar: return Writable{1, -128, 255};
    case isa::kIntegerVar: return Writable{2, -32768, 65535};
    case isa::kLongVar: return Writable{4, -2147483648LL, 2147483647LL};
    default: return std::nullopt;
  }
}

void Merge(Display& into, const Display& from) {
  into.messages.insert(into.messages.end(), from.messages.begin(), from.messages.end());
  auto timer = [](TimerChange& a, TimerChange b) {
    if (b != TimerChange::kKeep) a = b;
  };
  timer(into.break_timer, from.break_timer);
  timer(into.return_status, from.return_status);
  timer(into.return_status_usb, from.return_status_usb);
  into.stopped |= from.stopped;
  into.reload_source |= from.reload_source;
  into.move_highlight |= from.move_highlight;
  into.status_bar |= from.status_bar;
  into.refresh_variables |= from.refresh_variables;
}

}  // namespace

DebugMessage LinkFailure() { return {MessageCode::kModuleNotFound}; }

DebugMessage NoCompileInfo(bool from_timer) {
  return {from_timer ? MessageCode::kNoCompileInfoDebug : MessageCode::kNoCompileInfo};
}

Debugger::Debugger(compiler::Compiler& compiled, link::Link& link) : compiled_(compiled), link_(link) {
  RamImage.assign(kRamImageElements, 0);
}

// ---- Stop status ----------------------------------------------------------------------------------

int Debugger::ReadModuleStatus(std::vector<DebugMessage>& messages) {
  SyncLink();
  link::StopStatus status;
  bool count_failed = false;
  // A reply that breaks off leaves the last stop as it was rather than half a RAM image.
  if (link::ReadStatusReply(link_, Series(), compiled_.VarBytesUsed, status, &count_failed) != 0) {
    if (count_failed) messages.push_back(LinkFailure());
    return -1;
  }
  ModulePc = std::max(0L, status.ModulePc);
  if (RamImage.size() < status.RamImage.size()) RamImage.resize(status.RamImage.size(), 0);
  std::copy(status.RamImage.begin(), status.RamImage.end(), RamImage.begin());
  return 0;
}

int Debugger::Download(link::DownloadProgress& ui) {
  return link::RunDownload(link_, compiled_.Code, compiled_.CodeAddr, Series(), ui);
}

// ---- Main window ----------------------------------------------------------------------------------

Display Debugger::BreakTimerTick() {
  Display d;
  SyncLink();
  const int status_port = link_.Ioadr + 1;
  if (Usb()) {
    if (link_.UsbWaiting() <= 0) return d;
    if (link_.NibbleRecvByte() == -1) return d;  // any byte announces; the read wants &HA5
  } else if (Kind() == 1 && link_.CableMode == link::kCableRevB) {
    if ((link_.PortRead(status_port) & kStatusHandshake) != 0) return d;
    if (link_.NibbleRecvByte() == -1) return d;
  } else if (Kind() == 1) {
    // The dummy cable announces with a handshake alone.
    if ((link_.PortRead(status_port) & kStatusModuleLine) != 0) return d;
    link_.PortWrite(link_.Ioadr, 0);
    bool answered = false;
    for (long i = 0; i < kDummyAckPolls && !answered; ++i)
      answered = (link_.PortRead(status_port) & kStatusModuleLine) != 0;
    link_.PortWrite(link_.Ioadr, 1);
    if (!answered) return d;
  } else {
    if ((link_.PortRead(status_port) & kStatusHandshake) != 0) return d;
    if (link_.NibbleRecvByte() != link::kStopAnnounceVnm) return d;
  }
  if (ReadModuleStatus(d.messages) != 0) return d;
  if (!compiled_.CompiledOK) {
    d.messages.push_back(NoCompileInfo(true));
    return d;
  }
  d.stopped = true;
  d.break_timer = TimerChange::kDisable;
  d.open_debug_window = true;
  return d;
}

Display Debugger::Break() {
  Display d;
  if (!compiled_.CompiledOK) {
    d.messages.push_back(NoCompileInfo(false));
    return d;
  }
  SyncLink();
  if (link_.FamilySendByte(link::CmdBreak) == -1) {
    d.messages.push_back(LinkFailure());
    return d;
  }
  d.break_timer = TimerChange::kDisable;
  d.open_debug_window = true;
  InDebug = -1;
  // The status this Break brings supersedes a step report the debug window may still wait for.
  StopPolling(d);
  if (Usb()) {
    // The debug window's USB timer reads the status when it has arrived.
    ReturnStatusUsbEnabled = true;
    d.return_status_usb = TimerChange::kEnable;
    return d;
  }
  if (ReadModuleStatus(d.messages) == 0) {
    d.stopped = true;
  } else {
    // No status yet: the window waits for it instead of showing the last stop as this one.
    ReturnStatusEnabled = true;
    d.return_status = TimerChange::kEnable;
  }
  RebuildListing(d.messages);
  d.focus_editor = true;
  return d;
}

Display Debugger::CheckVariable() {
  Display d;
  if (!compiled_.CompiledOK) {
    d.messages.push_back(NoCompileInfo(false));
    return d;
  }
  SyncLink();
  if (link_.NibbleSendByte(link::CmdCheckVariables) == -1) {
    d.messages.push_back(LinkFailure());
    return d;
  }
  ReadModuleStatus(d.messages);
  RebuildListing(d.messages);
  d.show_check_variable = true;
  d.refresh_variables = true;
  return d;
}

Display Debugger::ModifyVariable(const std::string& name, const std::string& value_text) {
  Display d;
  const std::string name_text = Trim(name);
  if (name_text.empty() || Trim(value_text).empty()) return d;
  std::string upper = name_text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  platform::CodePage cp;
  const auto cp949 = cp.Utf8ToCp949(upper);
  const int i = cp949 ? compiled_.FindVar(core::DecodeAnsi(*cp949)) : -1;
  if (i < 0) {
    d.messages.push_back(Error(MessageCode::kVariableNotFound, upper));
    return d;
  }
  const compiler::VarEntry& var = compiled_.Vars[static_cast<size_t>(i)];
  const auto type = WritableType(var.VarType);
  if (!type) {
    d.messages.push_back(Error(MessageCode::kVariableNotWritable, upper));
    return d;
  }
  const auto value = ParseWhole(value_text);
  if (!value) {
    const std::string shown = Trim(value_text);
    d.messages.push_back(Error(MessageCode::kInvalidValue, shown));
    return d;
  }
  if (*value < type->min || *value > type->max) {
    d.messages.push_back({MessageCode::kValueOutOfRange, {type->min, type->max, 0}, upper});
    return d;
  }

  SyncLink();
  const auto bits = static_cast<std::uint32_t>(static_cast<std::int64_t>(*value));
  const int addr = var.VarAddr;
  if (link_.NibbleSendByte(link::CmdModifyVariable) == -1 || link_.NibbleSendByte(addr % 256) == -1 ||
      link_.NibbleSendByte((addr / 256) & 255) == -1 || link_.NibbleSendByte(type->count) == -1) {
    d.messages.push_back(LinkFailure());
    return d;
  }
  const long base = RamIndex(var.VarAddr, compiled_.Device.AddrWidth);
  for (int k = 0; k < type->count; ++k) {
    const int b = static_cast<int>((bits >> (8 * k)) & 0xFF);
    if (link_.NibbleSendByte(b) == -1) {
      d.messages.push_back(LinkFailure());
      return d;
    }
    // The listing shows the new value without another read.
    const long index = base + k;
    if (index >= 0) {
      if (index >= static_cast<long>(RamImage.size())) RamImage.resize(static_cast<size_t>(index) + 1, 0);
      RamImage[static_cast<size_t>(index)] = b;
    }
  }
  if (InDebug != 0 || DebugWindowOpen) {
    RebuildListing(d.messages);
    d.refresh_variables = true;
  }
  d.close_modify_dialog = true;
  return d;
}

// ---- Debug window ---------------------------------------------------------------------------------

Display Debugger::Load() {
  Display d;
  DebugWindowOpen = true;
  RebuildListing(d.messages);
  d.show_check_variable = true;
  d.refresh_variables = true;
  return d;
}

Display Debugger::Activate() {
  Display d;
  UpdateSourceLine(d);
  d.reload_source = true;
  d.move_highlight = false;
  EraseOnExit = 0;
  return d;
}

void Debugger::UpdateSourceLine(Display& d) {
  PrevSrcLine = CurSrcLine;
  // The line map covers both code halves, so a counter above 32000 finds its line too.
  CurSrcLine = compiled_.Code.LineOf(ModulePc);
  if (SrcTopLine < CurSrcLine && CurSrcLine < SrcTopLine + SrcVisibleLines - 4) {
    d.move_highlight = true;
    return;
  }
  SrcTopLine = CurSrcLine > 6 ? CurSrcLine - 6 : CurSrcLine;
  d.reload_source = true;
}

void Debugger::ShowStop(Display& d) {
  UpdateSourceLine(d);
  RebuildListing(d.messages);
  d.refresh_variables = true;
  d.status_bar = true;
  d.stopped = true;
}

Display Debugger::ReadAndDisplay() {
  Display d;
  if (Usb()) {
    ReturnStatusUsbEnabled = true;
    d.return_status_usb = TimerChange::kEnable;
    return d;
  }
  if (ReadModuleStatus(d.messages) == -1) {
    ReturnStatusEnabled = true;
    d.return_status = TimerChange::kEnable;
    return d;
  }
  ShowStop(d);
  return d;
}

Display Debugger::ReturnStatusTick() {
  Display d;
  if (!ReturnStatusEnabled) return d;
  SyncLink();
  if (Kind() == 2 && (link_.PortRead(link_.Ioadr + 1) & kStatusHandshake) != 0) return d;
  if (ReadModuleStatus(d.messages) != 0) return d;
  ShowStop(d);
  ReturnStatusEnabled = false;
  d.return_status = TimerChange::kDisable;
  return d;
}

Display Debugger::ReturnStatusUsbTick() {
  Display d;
  if (!ReturnStatusUsbEnabled) return d;
  SyncLink();
  if (link_.UsbWaiting() <= 0) return d;
  if (ReadModuleStatus(d.messages) != 0) return d;
  ShowStop(d);
  ReturnStatusUsbEnabled = false;
  d.return_status_usb = TimerChange::kDisable;
  return d;
}

Display Debugger::Stepping(int command, bool vnm_only) {
  Display d;
  if ((vnm_only && Kind() == 1) || ReturnStatusEnabled || ReturnStatusUsbEnabled) {
    d.ignored = true;
    return d;
  }
  SyncLink();
  const int sent = Kind() == 1 ? link_.LinkSendByte(command) : link_.NibbleSendByte(command);
  if (sent == -1) {
    d.messages.push_back(LinkFailure());
    return d;
  }
  Merge(d, ReadAndDisplay());
  return d;
}

Display Debugger::StepInto() { return Stepping(link::CmdStepInto, false); }

Display Debugger::StepOver() {
  const bool gosub = compiled_.Code.Get(ModulePc) == isa::Opcode::kGosub;
  return Stepping(gosub ? link::CmdStepOut : link::CmdStepInto, true);
}

Display Debugger::StepOut() { return Stepping(link::CmdStepOut, true); }

Display Debugger::Reset() { return Stepping(link::CmdReset, true); }

void Debugger::StopPolling(Display& d) {
  ReturnStatusEnabled = false;
  ReturnStatusUsbEnabled = false;
  d.return_status = TimerChange::kDisable;
  d.return_status_usb = TimerChange::kDisable;
}

Display Debugger::ModifyVariableCommand() {
  Display d;
  StopPolling(d);
  return d;
}

Display Debugger::EraseFlash() {
  Display d;
  StopPolling(d);
  EraseOnExit = -1;
  d.close_debug_window = true;
  return d;
}

Display Debugger::Exit() {
  Display d;
  StopPolling(d);
  d.close_debug_window = true;
  return d;
}

Display Debugger::Close(link::DownloadProgress& ui) {
  Display d;
  SyncLink();
  const int sent = Kind() == 1 ? link_.LinkSendByte(link::CmdReset) : link_.NibbleSendByte(link::CmdLeaveDebugVnm);
  if (sent == -1) {
    d.messages.push_back(LinkFailure());
  } else if (EraseOnExit != 0) {
    link::WriteEraseProgram(compiled_.Code, compiled_.CodeAddr);
    link::Download(link_, compiled_.Code, compiled_.CodeAddr, Series(), ui);
    compiled_.CompiledOK = false;
  }
  // Whether or not the module heard the leave command, the debugger's own state goes back to
  // watching, so that the next Break or stop report is not refused by a window that is gone.
  EraseOnExit = 0;
  InDebug = 0;
  DebugWindowOpen = false;
  StopPolling(d);
  d.break_timer = TimerChange::kEnable;
  d.widen_main_window = true;
  d.close_check_variable = true;
  return d;
}

Display Debugger::ScrollSource(int top_line) {
  Display d;
  SrcTopLine = top_line;
  d.reload_source = true;
  return d;
}

Rows Debugger::SourceLines(int top_line, int rows) const {
  Rows r;
  if (compiled_.TempSourcePath.empty() || rows <= 0) return r;
  const int top = std::max(1, top_line);
  const auto& index = compiled_.LineOffset;
  if (top >= compiled_.LineCountPlus1 || top >= static_cast<int>(index.size()) || index[static_cast<size_t>(top)] <= 0) {
    r.lines.assign(static_cast<size_t>(rows), "");
    return r;
  }
  r.lines = LinesFrom(compiled_.CompileCopy, static_cast<size_t>(index[static_cast<size_t>(top)] - 1), rows);
  return r;
}

int Debugger::HighlightRow() const {
  if (SrcTopLine <= CurSrcLine && CurSrcLine <= SrcTopLine + SrcVisibleLines) return CurSrcLine - SrcTopLine;
  return -1;
}

std::string Debugger::StatusPc() const { return " PC : " + core::Hex(static_cast<unsigned long>(ModulePc)); }

std::string Debugger::StatusObjectCode() const {
  return " Object Code : " + core::Hex(compiled_.Code.Get(ModulePc));
}

// ---- Check-variable window ------------------------------------------------------------------------

std::string Debugger::VarFilePath() const {
  const std::string& source = compiled_.SourcePath;
  if (source.size() < 4) return "";
  return source.substr(0, source.size() - 4) + ".var";
}

void Debugger::RebuildListing(std::vector<DebugMessage>& messages) {
  listing_ = BuildVarListing(compiled_.Vars, compiled_.Device.AddrWidth, RamImage);
  const std::string path = VarFilePath();
  if (path.empty()) return;
  // Never onto the source, should its name end in ".var".
  core::ReplaceOptions keep_source;
  keep_source.inputs = {compiled_.SourcePath, compiled_.TempSourcePath};
  if (const core::FileError e = core::ReplaceFile(path, listing_.bytes, keep_source); !e.ok())
    messages.push_back(Error(MessageCode::kOpenError, path + ": " + e.Reason()));
}

Display Debugger::ScrollVariables(int top_line) {
  Display d;
  VarTopLine = top_line;
  RebuildListing(d.messages);
  d.refresh_variables = true;
  return d;
}

Rows Debugger::VariableLines(int top_line, int rows) const {
  Rows r;
  if (rows <= 0) return r;
  if (listing_.offsets.size() < 2) {  // nothing listed yet
    r.lines.assign(static_cast<size_t>(rows), "");
    return r;
  }
  const int top = std::clamp(top_line, 1, listing_.line_count_plus1);
  const size_t from = static_cast<size_t>(listing_.offsets[static_cast<size_t>(top)] - 1);
  r.lines = LinesFrom(listing_.bytes, from, rows);
  return r;
}

}  // namespace vn::debugger
