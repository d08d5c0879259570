// Reading from the module without changing it: the flash read-back behind the flash view,
// Verify (VNM series), and the firmware versions the about box shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/code_image.h"
#include "link/download.h"
#include "link/link.h"

namespace vn::link {

// The bytes read back from the module's flash, by code address 0..64000 (FlashLo / FlashHi
// as one space). They stay until the next read-back overwrites them; 0 before any.
class FlashImage {
 public:
  static constexpr long kLastAddr = core::CodeImage::kLastAddr;
  FlashImage() : bytes_(static_cast<std::size_t>(kLastAddr + 1), 0) {}
  // Outside 0..64000: reads 0, stores nothing.
  int Get(long addr) const { return core::CodeImage::InRange(addr) ? bytes_[static_cast<std::size_t>(addr)] : 0; }
  void Set(long addr, int value) {
    if (core::CodeImage::InRange(addr)) bytes_[static_cast<std::size_t>(addr)] = static_cast<std::uint8_t>(value);
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

inline constexpr char kStatusNowReading[] = "Now Reading...";

// Reads `code_addr` bytes of the module's flash into `flash` (&H78; the VN series is told the
// number of 256-byte pages, the VNM series the length). 0, or -1 after the link-failure
// message; the bytes read before a failure stay.
int FlashReadBack(Link& link, long code_addr, core::Series series, FlashImage& flash, DownloadProgress& ui);

// The Read Flash Memory command: the no-compile message when nothing is compiled (-1, nothing
// read), else FlashReadBack's result. The IDE shows the flash view afterwards either way.
int ReadFlashMemory(Link& link, bool compiled, long code_addr, core::Series series, FlashImage& flash,
                    DownloadProgress& ui);

// Reads the flash back over the VNM series' operations and compares it with the code image up
// to code_addr: "Verify OK !" and 0, or the first difference (-1); -1 after the link-failure
// message as well.
int VerifyFlash(Link& link, const core::CodeImage& code, long code_addr, FlashImage& flash, DownloadProgress& ui);

// The Verify command: not on the VN series, not without a compile, else VerifyFlash.
int VerifyCommand(Link& link, bool compiled, const core::CodeImage& code, long code_addr, core::Series series,
                  FlashImage& flash, DownloadProgress& ui);

// The about box's firmware lines after one query. `fw2` is set only where the VNM query got as
// far as the second processor.
struct FirmwareLines {
  core::Message fw;
  std::optional<core::Message> fw2;
};

// The about box's timer tick: nullopt when nothing is compiled (the tick does nothing and the
// timer keeps running); otherwise the lines to show, after which the timer stops.
std::optional<FirmwareLines> FirmwareQuery(Link& link, bool compiled, core::Series series);

// The rows of the flash view from `first_row` (eight bytes each) up to `end`, as the object
// code view prints them: "18 : 88 18 00 20 ...".
std::vector<std::string> FlashRows(const FlashImage& flash, long end, long first_row = 0);

}  // namespace vn::link
