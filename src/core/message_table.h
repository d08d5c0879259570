// The message boxes of the link and the debugger as values: a code names the message and the
// data it shows (an address, bytes, a port, a name), and one table gives each code its English
// and Korean text, its title and its style. The layers below the front ends hand these values
// up; the IDE and the command line render them in the language they are showing, so nothing
// is ever recognised by its text.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>

namespace vn::core {

enum class Language { kEnglish, kKorean };

inline constexpr Language LanguageOf(bool korean) { return korean ? Language::kKorean : Language::kEnglish; }

enum class MessageCode {
  // Finding the module.
  kNoUsbCable,
  kFirmwareUnmatch,
  kDeviceTypeMismatch,  // the CONST DEVICE of the program is not the module's
  kFamilyMismatch,
  kNotVnSeries,
  kNoPower,
  kModuleNotFound,
  // Downloads.
  kNoCompileInfo,     // a command that needs a compiled program, from a menu
  kEchoMissing,       // n[0] the address whose echo never came
  kEchoMismatch,      // n[0] address, n[1] the PC's byte, n[2] the module's
  kChecksumMismatch,  // n[0] the PC's sum, n[1] the module's
  kVerifyCommError,   // the start of the text; the address follows
  kVerifyErrorAddress,  // the same
  // The flash.
  kVerifyMismatch,  // n[0] address, n[1] the PC's byte, n[2] the module's
  kVerifyOk,
  kVerifyNotOnVn,
  // Object files; `subject` is the file (and the reason).
  kOverwriteObject,
  kObjectOpenError,      // saving
  kObjectReadOpenError,  // loading
  kObjectFormatError,
  // Opening the cable.
  kInitPort,
  kPortRefused,  // n[0] the printer port address
  kNoUsbCableOnPort,
  // The debugger.
  kNoCompileInfoDebug,   // the same text from the debugger's timer
  kOpenError,            // subject: the file and the reason
  kVariableNotFound,     // subject: the name
  kVariableNotWritable,  // subject: the name
  kInvalidValue,         // subject: the value as typed
  kValueOutOfRange,      // subject: the name; n[0]..n[1] the range
  // The compiler's, in front of the line number of the IF.
  kIfWithoutEndIf,
  // The wire trace of Port Setup.
  kWireTraceError,  // subject: the file and the reason
  // The firmware versions a module reports, as lines of the about box and the identify
  // command (no box of their own); n[0] the version.
  kFirmwareVersion,    // the VN series
  kMainFirmware,       // the VNM series' main processor
  kMathFirmware,       // the VNM series' second processor
  kFirmwareNotFound,   // a version that never came
};
inline constexpr std::size_t kMessageCodeCount = static_cast<std::size_t>(MessageCode::kFirmwareNotFound) + 1;

// One message box to show: its code and the data its text carries.
struct Message {
  Message() = default;
  Message(MessageCode message_code, std::array<long long, 3> numbers = {0, 0, 0}, std::string message_subject = {})
      : code(message_code), n(numbers), subject(std::move(message_subject)) {}

  MessageCode code = MessageCode::kModuleNotFound;
  std::array<long long, 3> n = {0, 0, 0};
  std::string subject;  // the file, name or value the text names
  bool operator==(const Message&) const = default;
};

// Message box styles: buttons plus icon.
inline constexpr int kStylePlain = 0;
inline constexpr int kStyleCritical = 16;
inline constexpr int kStyleInformation = 64;
inline constexpr int kStyleYesNoCancelQuestion = 35;
inline constexpr int kStyleYesNoCancelWarning = 51;
// Not a box: a line shown inside a window (the about box's firmware lines), with no title.
inline constexpr int kStyleLine = -1;

// The titles the boxes carry. Both spellings of the error title are the system's own and each
// stays on the messages that have always used it.
inline constexpr char kTitleError[] = "VARNOLIC Studio Error !";
inline constexpr char kTitleErrorCaps[] = "VARNOLIC Studio ERROR !";
inline constexpr char kTitleMessage[] = "VARNOLIC Studio Message";
inline constexpr char kTitleApplication[] = "VNstudio";
inline constexpr char kTitleStudio[] = "VARNOLIC Studio";
inline constexpr char kTitleStudioBang[] = "VARNOLIC Studio !";
inline constexpr char kTitleCable[] = "KALVO-IDE";
inline constexpr char kTitleNone[] = "";  // the lines of kStyleLine

// A row of the table. In the texts "{0}" "{1}" "{2}" stand for n[k] in upper-case hexadecimal,
// "{d0}" "{d1}" for n[k] in decimal and "{s}" for the subject. A row `in_startup_language` is
// shown by the IDE in the language it started in, whatever language it shows now; the others
// follow the language switch.
struct MessageRow {
  MessageCode code;
  const char* en;
  const char* ko;
  const char* title;
  int style;
  bool in_startup_language;
};

// The row of `code`.
const MessageRow& RowOf(MessageCode code);

// A message as the user sees it.
struct RenderedMessage {
  std::string text;
  std::string title;
  int style = 0;
  bool operator==(const RenderedMessage&) const = default;
};

// The text of `message` in `language`, with its data filled in.
std::string MessageTextOf(const Message& message, Language language);
RenderedMessage Render(const Message& message, Language language);

}  // namespace vn::core
