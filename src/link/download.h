// Writing the code image into the module's flash: the download of each series with its check
// (the VN series echoes every byte, the VNM series answers with a 16-bit sum), and the commands
// that start a download (Clear Flash Memory, Download from Object).
//
// Nothing here shows anything. What the user sees goes through DownloadProgress, which the
// main window implements in the IDE and the terminal implements in vnstudio-cli: the texts of
// status panel 2, the progress bar, and the one message box a failure ends with. Messages are
// codes with their data; the implementation renders them in the language it is showing.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/code_image.h"
#include "core/message_table.h"
#include "link/link.h"

namespace vn::link {

// Message box styles and titles as the user sees them (the message table's).
using core::kStyleInformation;
using core::kStylePlain;
using core::kStyleYesNoCancelWarning;
using core::kTitleApplication;
using core::kTitleError;
using core::kTitleErrorCaps;
using core::kTitleMessage;

// Where message boxes go.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void ShowMessage(const core::Message& message) = 0;
};

// What a long link operation reports while it runs.
class DownloadProgress : public MessageBoxes {
 public:
  // Panel 2 of the status bar ("" clears it).
  virtual void SetStatus(const std::string& text) = 0;
  // The progress bar: value out of max.
  virtual void SetProgress(long value, long max) = 0;
};

// For its lifetime, the link's own status texts (the speed check's steps) go to the panel of
// `ui`; the link's earlier receiver is given back afterwards.
class LinkStatusToPanel {
 public:
  LinkStatusToPanel(Link& link, DownloadProgress& ui) : link_(link), saved_(link.StatusText) {
    link_.StatusText = [&ui](const std::string& text) { ui.SetStatus(text); };
  }
  ~LinkStatusToPanel() { link_.StatusText = saved_; }
  LinkStatusToPanel(const LinkStatusToPanel&) = delete;
  LinkStatusToPanel& operator=(const LinkStatusToPanel&) = delete;

 private:
  Link& link_;
  std::function<void(const std::string&)> saved_;
};

// Texts of the status panel.
inline constexpr char kStatusDownloading[] = "Downloading..";
inline constexpr char kStatusNowVerify[] = "Now Verify..";
inline constexpr char kStatusVerifySum[] = "Verify Check Sum";
// "Code Size : " + hexadecimal + " Byte".
std::string CodeSizeText(long code_addr);

// Code bytes per USB block on the way out (and per read of the VN echo).
inline constexpr long kUsbBlockSize = 128;

// Takes a reply of `count` bytes from the module one byte at a time, as LinkRecvByte (`vn`)
// or NibbleRecvByte would give them. Over USB it fetches up to kUsbBlockSize bytes per read
// instead of making one USB read per byte; a byte that did not come, and every byte after it,
// is -1 (the caller stops at the first anyway), so a failure shows at the same address.
class ReplyReader {
 public:
  ReplyReader(Link& link, bool vn, long count) : link_(link), vn_(vn), left_(count) {}
  int Next();

 private:
  void Fetch();

  Link& link_;
  bool vn_;
  long left_;          // bytes not yet fetched
  bool failed_ = false;
  std::vector<int> block_;
  std::size_t pos_ = 0;
};

// The message box of a failed link transfer ("VARNOLIC module not found ...").
void ShowModuleNotFound(MessageBoxes& ui);
// The message box of a command that needs a compiled program ("No compile infomation ...").
void ShowNoCompile(MessageBoxes& ui);

// The download of each series: the code image of addresses 0..code_addr (VN: code_addr + 1
// bytes) or 0..code_addr - 1 (VNM), read through CodeImage::Get, so all of 0..64000 goes out on
// both series; the link speaks the series of the procedure. 0 = the module holds
// and runs the program; -1 = failed, after exactly one message box. An empty image (code_addr
// 0) fails on both series without any traffic.
int DownloadVn(Link& link, const core::CodeImage& code, long code_addr, DownloadProgress& ui);
int DownloadVnm(Link& link, const core::CodeImage& code, long code_addr, DownloadProgress& ui);
// The download of the series `series`.
int Download(Link& link, const core::CodeImage& code, long code_addr, core::Series series, DownloadProgress& ui);
// Run's part after a successful compile: the parallel lines put at rest for the compiled
// series, then its download.
int RunDownload(Link& link, const core::CodeImage& code, long code_addr, core::Series series, DownloadProgress& ui);

// The body of the smallest program (a jump to itself at 24) in place of the code image's
// program: addresses 24..26 := &H88, &H18, &H00 and code_addr := 27. The header stays.
void WriteEraseProgram(core::CodeImage& code, long& code_addr);
inline constexpr long kEraseProgramSize = 27;

// Clear Flash Memory: the erase program into the image, then the download of `series`.
int ClearFlashMemory(Link& link, core::CodeImage& code, long& code_addr, core::Series series,
                     DownloadProgress& ui);

}  // namespace vn::link
