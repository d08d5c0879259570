#include "link/download.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "core/text.h"
#include "link/commands.h"
#include "link/identify.h"
#include "platform/usb.h"

namespace vn::link {

namespace {

using core::Hex;
using core::Message;
using core::MessageCode;

// The largest code_addr whose program bytes (0..code_addr - 1) all fit the image.
constexpr long kLargestProgram = core::CodeImage::kLastAddr + 1;

// One download from start to end: the panel, the bar and the one message it may end with.
class Session {
 public:
  // The speed check reports its steps through the link; they belong in the same panel.
  Session(Link& link, DownloadProgress& ui) : ui_(ui), status_(link, ui) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Status(const std::string& text) { ui_.SetStatus(text); }
  void Max(long max) {
    max_ = max;
    ui_.SetProgress(0, max_);
  }
  void Progress(long value) { ui_.SetProgress(value, max_); }

  int Fail(const Message& message, const std::string& status = "") {
    ui_.ShowMessage(message);
    ui_.SetProgress(0, max_);
    ui_.SetStatus(status);
    return -1;
  }
  int NotFound() { return Fail({MessageCode::kModuleNotFound}); }

 private:
  DownloadProgress& ui_;
  LinkStatusToPanel status_;
  long max_ = 0;
};

// The message a failed identification ends the download with.
Message IdentificationMessage(const Identification& id, int kind, bool usb) {
  // Over USB the cable has answered its queries by now; a VNM module that then stays silent
  // is the module answering 0 to its identification: no power, or the wrong module.
  if (kind == 2 && usb && id.message.code == MessageCode::kModuleNotFound) return {MessageCode::kNoPower};
  return id.message;
}

// The empty-image check, the speed check, the panel's "Downloading.." and the identification.
// 0, or -1 after its message.
int Opening(Link& link, Session& s, long code_addr, int kind) {
  link.UseSeries(core::SeriesOfKind(kind));
  if (code_addr <= 0 || code_addr > kLargestProgram) {
    // Nothing to send: both series refuse alike rather than report a download that never was.
    return s.Fail({MessageCode::kNoCompileInfo});
  }
  // The USB cable passes the speed check at once, after its own queries (inside the
  // identification); the parallel cables run it before the panel says "Downloading..".
  if (kind == 1 && link.UseUsb == 0 && link.SpeedCheckOnce() == -1) return s.NotFound();
  s.Status(kStatusDownloading);
  const Identification id = IdentifyForDownload(link, core::SeriesOfKind(kind));
  if (id.result == 0) return 0;
  return s.Fail(IdentificationMessage(id, kind, link.UseUsb != 0));
}

// &H34 and the length, by the byte operations of the series.
int SendLoadCommand(Link& link, long code_addr) {
  if (link.FamilySendByte(CmdLoadCode) == -1) return -1;
  return SendWord(link, code_addr, true);
}

// Sends the code bytes of addresses 0..count - 1: over USB in blocks of kUsbBlockSize, one
// write each, else byte by byte. `sent(n)` after every byte or block with the count so far.
int SendCode(Link& link, const core::CodeImage& code, long count, const std::function<void(long)>& sent) {
  if (link.UseUsb != 0) {
    std::vector<std::uint8_t> block;
    block.reserve(kUsbBlockSize);
    for (long start = 0; start < count; start += kUsbBlockSize) {
      const long end = std::min(count, start + kUsbBlockSize);
      block.clear();
      for (long a = start; a < end; ++a) block.push_back(code.Get(a));
      if (link.UsbSendBlock(block.data(), block.size()) == -1) return -1;
      sent(end);
    }
    return 0;
  }
  for (long a = 0; a < count; ++a) {
    if (link.FamilySendByte(code.Get(a)) == -1) return -1;
    sent(a + 1);
  }
  return 0;
}

}  // namespace

std::string CodeSizeText(long code_addr) { return "Code Size : " + Hex(static_cast<unsigned long>(code_addr)) + " Byte"; }

void ShowModuleNotFound(MessageBoxes& ui) { ui.ShowMessage({MessageCode::kModuleNotFound}); }

void ShowNoCompile(MessageBoxes& ui) { ui.ShowMessage({MessageCode::kNoCompileInfo}); }

// ---- Replies in blocks ----------------------------------------------------------------------------

void ReplyReader::Fetch() {
  block_.clear();
  pos_ = 0;
  const long n = std::min(left_, kUsbBlockSize);
  left_ -= n;
  std::vector<std::uint8_t> wire(static_cast<std::size_t>(2 * n), 0);
  std::size_t received = 0;
  if (link_.UsbReadBlock(wire.data(), wire.size(), received) != platform::UsbLibrary::kOk) received = 0;
  for (std::size_t k = 0; 2 * k + 1 < received; ++k) {
    const std::uint8_t low = wire[2 * k], high = wire[2 * k + 1];
    if (low > 15 || high > 15) break;  // not the wire encoding: the byte is lost
    block_.push_back(16 * high + low);
  }
  if (block_.size() < static_cast<std::size_t>(n)) failed_ = true;
}

int ReplyReader::Next() {
  if (link_.UseUsb == 0) {
    if (failed_) return -1;
    const int b = vn_ ? link_.LinkRecvByte() : link_.NibbleRecvByte();
    if (b == -1) failed_ = true;
    return b;
  }
  if (pos_ >= block_.size()) {
    if (failed_ || left_ <= 0) return -1;
    Fetch();
    if (pos_ >= block_.size()) return -1;
  }
  return block_[pos_++];
}

// ---- The downloads --------------------------------------------------------------------------------

int DownloadVn(Link& link, const core::CodeImage& code, long code_addr, DownloadProgress& ui) {
  Session s(link, ui);
  if (Opening(link, s, code_addr, 1) == -1) return -1;
  s.Max(code_addr / 2);
  if (SendLoadCommand(link, code_addr) == -1) return s.NotFound();
  // The VN module takes one byte beyond the length it was told.
  const long count = code_addr + 1;
  if (SendCode(link, code, count, [&](long n) { s.Progress(std::min(n, code_addr) / 2); }) == -1)
    return s.NotFound();

  s.Status(kStatusNowVerify);
  s.Progress(0);
  ReplyReader echo(link, true, count);
  for (long a = 0; a < count; ++a) {
    const int r = echo.Next();
    if (r == -1) return s.Fail({MessageCode::kEchoMissing, {a, 0, 0}});
    const int pc = code.Get(a);
    if (r != pc) {
      return s.Fail({MessageCode::kEchoMismatch, {a, pc, r}}, CodeSizeText(code_addr));
    }
    s.Progress(a / 2);
  }
  s.Progress(0);
  s.Status(CodeSizeText(code_addr));
  return 0;
}

int DownloadVnm(Link& link, const core::CodeImage& code, long code_addr, DownloadProgress& ui) {
  Session s(link, ui);
  if (Opening(link, s, code_addr, 2) == -1) return -1;
  s.Max(code_addr / 2);
  if (SendLoadCommand(link, code_addr) == -1) return s.NotFound();
  long sum = 0;
  for (long a = 0; a < code_addr; ++a) sum += code.Get(a);
  if (SendCode(link, code, code_addr, [&](long n) { s.Progress(n / 2); }) == -1) return s.NotFound();

  s.Status(kStatusVerifySum);
  const int lo = link.NibbleRecvByte();
  const int hi = link.NibbleRecvByte();
  const long module_sum = static_cast<long>(hi) * 256 + lo;
  const long pc_sum = sum % 65536;
  // A byte of the reply that never came makes it no sum at all, even where the arithmetic
  // would happen to give the right number.
  if (lo == -1 || hi == -1 || module_sum != pc_sum) {
    // A missing byte makes the module's sum negative; it is shown as the 32-bit pattern.
    return s.Fail({MessageCode::kChecksumMismatch, {pc_sum, static_cast<std::uint32_t>(module_sum), 0}},
                  CodeSizeText(code_addr));
  }
  s.Progress(0);
  s.Status(CodeSizeText(code_addr));
  return 0;
}

int Download(Link& link, const core::CodeImage& code, long code_addr, core::Series series, DownloadProgress& ui) {
  return series == core::Series::kVn ? DownloadVn(link, code, code_addr, ui) : DownloadVnm(link, code, code_addr, ui);
}

int RunDownload(Link& link, const core::CodeImage& code, long code_addr, core::Series series, DownloadProgress& ui) {
  link.UseSeries(series);
  link.LinkIdle();
  return Download(link, code, code_addr, series, ui);
}

void WriteEraseProgram(core::CodeImage& code, long& code_addr) {
  // A jump to itself at the first instruction.
  code.Set(isa::kProgramStart, isa::Opcode::kGoto);
  code.Set(isa::kProgramStart + 1, isa::kProgramStart & 0xFF);
  code.Set(isa::kProgramStart + 2, isa::kProgramStart >> 8);
  code_addr = kEraseProgramSize;
}

int ClearFlashMemory(Link& link, core::CodeImage& code, long& code_addr, core::Series series,
                     DownloadProgress& ui) {
  WriteEraseProgram(code, code_addr);
  return Download(link, code, code_addr, series, ui);
}

}  // namespace vn::link
