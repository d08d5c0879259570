#include "link/flash.h"

#include <cstdio>

#include "core/text.h"
#include "link/commands.h"
#include "link/identify.h"

namespace vn::link {

namespace {

using core::Hex;

// Panel and bar through one read, and the way a failed transfer ends it.
struct Reading {
  DownloadProgress& ui;
  long max = 0;

  void Start(long code_addr) {
    ui.SetStatus(kStatusNowReading);
    max = code_addr / 2;
    ui.SetProgress(0, max);
  }
  int Fail() {
    ShowModuleNotFound(ui);
    ui.SetProgress(0, max);
    ui.SetStatus("");
    return -1;
  }
};

// Receives `code_addr` bytes into `flash`, by the byte operations of the series. 0 or -1.
int ReceiveFlash(Link& link, bool vn, long code_addr, FlashImage& flash, Reading& r) {
  ReplyReader reader(link, vn, code_addr);
  for (long a = 0; a < code_addr; ++a) {
    const int b = reader.Next();
    if (b == -1) return -1;
    flash.Set(a, b);
    r.ui.SetProgress(a / 2, r.max);
  }
  return 0;
}

// The VN firmware sends whole pages of 256 bytes, more than the program's length. The rest of
// the last page is read and dropped, so that no byte of this reply is left for the next
// exchange: the USB cable's chip would hand it to the next read (the about box would show a
// page byte as the firmware version), and a parallel-cable module would still be offering it
// when the PC starts its next command. A module that sends less costs one receive time-out
// here and nothing else: the read-back has its bytes already.
void TakeRestOfPages(Link& link, long code_addr) {
  const long rest = (code_addr / 256 + 1) * 256 - code_addr;
  ReplyReader reader(link, true, rest);
  for (long k = 0; k < rest; ++k)
    if (reader.Next() == -1) return;
}

}  // namespace

int FlashReadBack(Link& link, long code_addr, core::Series series, FlashImage& flash, DownloadProgress& ui) {
  const bool vn = series == core::Series::kVn;
  link.UseSeries(series);
  Reading r{ui};
  if (vn) {
    // The dummy cable's bit timing is found by the speed check, which a download runs; the
    // read-back may be the first exchange of the run (a new process reading a module that was
    // loaded before), and with no timing yet not one byte would get through.
    LinkStatusToPanel status(link, ui);
    if (link.SpeedCheckOnce() == -1) return r.Fail();
  }
  r.Start(code_addr);
  if (link.FamilySendByte(CmdReadFlash) == -1) return r.Fail();
  if (vn) {
    // The VN firmware reads whole pages of 256 bytes.
    if (link.LinkSendByte(static_cast<int>(code_addr / 256 + 1)) == -1) return r.Fail();
  } else if (SendWord(link, code_addr, false) == -1) {
    return r.Fail();
  }
  ui.SetProgress(0, r.max);
  if (ReceiveFlash(link, vn, code_addr, flash, r) == -1) {
    // Bytes of the reply that came late must not be the next exchange's answer either.
    link.UsbDiscardWaiting();
    return r.Fail();
  }
  if (vn) TakeRestOfPages(link, code_addr);
  link.UsbDiscardWaiting();
  ui.SetStatus("");
  ui.SetProgress(0, r.max);
  return 0;
}

int ReadFlashMemory(Link& link, bool compiled, long code_addr, core::Series series, FlashImage& flash,
                    DownloadProgress& ui) {
  if (!compiled) {
    ShowNoCompile(ui);
    return -1;
  }
  return FlashReadBack(link, code_addr, series, flash, ui);
}

int VerifyFlash(Link& link, const core::CodeImage& code, long code_addr, FlashImage& flash, DownloadProgress& ui) {
  link.UseSeries(core::Series::kVnm);
  Reading r{ui};
  r.Start(code_addr);
  if (link.NibbleSendByte(CmdReadFlash) == -1 || SendWord(link, code_addr, false) == -1) return r.Fail();
  if (ReceiveFlash(link, false, code_addr, flash, r) == -1) {
    link.UsbDiscardWaiting();
    return r.Fail();
  }
  ui.SetProgress(0, r.max);
  // The reading is over whatever the comparison finds; "Now Reading..." would stay otherwise.
  ui.SetStatus("");
  for (long a = 0; a < code_addr; ++a) {
    if (flash.Get(a) != code.Get(a)) {
      ui.ShowMessage({core::MessageCode::kVerifyMismatch, {a, code.Get(a), flash.Get(a)}});
      return -1;
    }
  }
  ui.ShowMessage({core::MessageCode::kVerifyOk});
  return 0;
}

int VerifyCommand(Link& link, bool compiled, const core::CodeImage& code, long code_addr, core::Series series,
                  FlashImage& flash, DownloadProgress& ui) {
  if (series == core::Series::kVn) {
    ui.ShowMessage({core::MessageCode::kVerifyNotOnVn});
    return -1;
  }
  if (!compiled) {
    ShowNoCompile(ui);
    return -1;
  }
  return VerifyFlash(link, code, code_addr, flash, ui);
}

std::optional<FirmwareLines> FirmwareQuery(Link& link, bool compiled, core::Series series) {
  if (!compiled) return std::nullopt;
  FirmwareLines lines;
  Identification id;  // only for the texts of its lines
  link.UseSeries(series);
  if (series == core::Series::kVn) {
    id.series = 1;
    // Compiling is enough to open the about box: on the dummy cable this may be the first
    // exchange of the run, before any download has found the bit timing.
    if (link.SpeedCheckOnce() != -1 && link.LinkSendByte(CmdIdentifyVn) != -1) {
      const int r1 = link.LinkRecvByte();
      if (r1 != -1 && link.LinkRecvByte() != -1) {
        for (int k = 3; k <= 7; ++k) link.LinkRecvByte();
        id.firmware = r1;
      }
    }
    lines.fw = FirmwareLine(id);
    return lines;
  }
  id.series = 2;
  if (link.NibbleSendByte(CmdIdentifyVn) == -1) {
    lines.fw = FirmwareLine(id);
    return lines;
  }
  // A version that never came is no version: the line says so instead of showing -1.
  id.firmware = link.NibbleRecvByte();
  lines.fw = FirmwareLine(id);
  if (link.NibbleSendByte(CmdIdentifyVnm) != -1) id.math_firmware = link.NibbleRecvByte();
  lines.fw2 = MathFirmwareLine(id);
  return lines;
}

std::vector<std::string> FlashRows(const FlashImage& flash, long end, long first_row) {
  std::vector<std::string> rows;
  for (long a = first_row * 8; a < end; a += 8) {
    std::string row = Hex(static_cast<unsigned long>(a)) + " : ";
    for (long k = 0; k < 8; ++k) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%02X ", flash.Get(a + k) & 0xFF);
      row += buf;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace vn::link
