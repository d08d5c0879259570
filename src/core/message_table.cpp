#include "core/message_table.h"

#include "core/text.h"

namespace vn::core {

namespace {

using C = MessageCode;

// Messages that were only ever written in English show the same text in both languages.
constexpr MessageRow kRows[] = {
    {C::kNoUsbCable, "Can't find USB cable", "USB케이블을 찾을수 없습니다.", kTitleError, kStyleInformation, false},
    {C::kFirmwareUnmatch, "Firmware Version Unmatch Error !", "펌웨어 버젼이 맞지 않습니다.", kTitleErrorCaps,
     kStyleInformation, false},
    {C::kDeviceTypeMismatch, "Device Type mismatch ! (CONST DEVICE)",
     "디바이스가 일치하지 않습니다. CONST DEVICE를 사용해서 디바이스명을 지정하시기 바랍니다. 사용예 CONST "
     "DEVICE = WF",
     kTitleErrorCaps, kStyleInformation, false},
    {C::kFamilyMismatch, "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!",
     "연결되어 있는 VARNOLIC과 CONST DEVICE에서 지정한 디바이스가 일치하지 않습니다.", kTitleError,
     kStyleInformation, false},
    {C::kNotVnSeries, "Not Vn serise. Check VARNOLIC MODEL number!", "VN시리즈가 아닙니다. VARNOLIC 모델을 확인하십시요!",
     kTitleError, kStyleInformation, false},
    {C::kNoPower,
     "No Power or Cable unpluged or Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!",
     "전원이 공급되고 있지 않거나, 케이블이 연결되어 있지않습니다. 또는 VARNOLIC과 CONST DEVICE에서 지정한 "
     "디바이스가 일치하지 않습니다.",
     kTitleError, kStyleInformation, false},
    {C::kModuleNotFound, "VARNOLIC module not found ! Check cable or power",
     "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!", kTitleErrorCaps, kStyleInformation, true},
    {C::kNoCompileInfo, "No compile infomation ! Try Run !",
     "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.", kTitleApplication, kStylePlain, true},
    {C::kEchoMissing, "Communication ERROR at Verify! Address : {0}", "Communication ERROR at Verify! Address : {0}",
     kTitleErrorCaps, kStyleInformation, false},
    {C::kEchoMismatch, "Verify ERROR at Address : {0}   PC:{1}  VARNOLIC:{2}",
     "Verify ERROR at Address : {0}   PC:{1}  VARNOLIC:{2}", kTitleErrorCaps, kStyleInformation, false},
    {C::kChecksumMismatch, "Check Sum Unmatch !!!   PC : {0}  VARNOLIC : {1}",
     "Check Sum Unmatch !!!   PC : {0}  VARNOLIC : {1}", kTitleErrorCaps, kStyleInformation, false},
    {C::kVerifyCommError, "Communication Error at Verify ! Address :", "통신에러입니다. 주소:", kTitleErrorCaps,
     kStyleInformation, false},
    {C::kVerifyErrorAddress, "Verify Error ! Address", "비교에러입니다. 주소:", kTitleErrorCaps, kStyleInformation,
     false},
    {C::kVerifyMismatch, "Verify Error at {0}  PC : {1}  VARNOLIC : {2}", "Verify Error at {0}  PC : {1}  VARNOLIC : {2}",
     kTitleErrorCaps, kStyleInformation, false},
    {C::kVerifyOk, "Verify OK !", "Verify OK !", kTitleMessage, kStyleInformation, false},
    {C::kVerifyNotOnVn, "Can not use this menu at VN serise", "Can not use this menu at VN serise", kTitleApplication,
     kStylePlain, false},
    {C::kOverwriteObject, "Overwrite ? [{s}] ", "Overwrite ? [{s}] ", kTitleStudio, kStyleYesNoCancelWarning, false},
    {C::kObjectOpenError, "File Open Error :{s}", "File Open Error :{s}", kTitleStudioBang, kStyleInformation, false},
    {C::kObjectReadOpenError, "File Open Error :{s}", "File Open Error :{s}", kTitleErrorCaps, kStyleInformation, false},
    {C::kObjectFormatError, "File Format Error :{s}", "File Format Error :{s}", kTitleErrorCaps, kStyleInformation, false},
    {C::kInitPort, "There is a problem with Initialize Port", "There is a problem with Initialize Port", kTitleStudio,
     kStyleCritical, false},
    {C::kPortRefused,
     "Printer port address &H{0} refused: no ppdev device (/dev/parportN) serves it, and direct port access is only "
     "allowed at &H378, &H278 and &H3BC",
     "Printer port address &H{0} refused: no ppdev device (/dev/parportN) serves it, and direct port access is only "
     "allowed at &H378, &H278 and &H3BC",
     kTitleStudio, kStyleCritical, false},
    {C::kNoUsbCableOnPort, "Can't find VARNOLIC USB CABLE on USB Port", "Can't find VARNOLIC USB CABLE on USB Port",
     kTitleCable, kStyleCritical, false},
    {C::kNoCompileInfoDebug, "No compile infomation ! Try Run !",
     "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.", kTitleErrorCaps, kStyleInformation, true},
    {C::kOpenError, "Open Error:{s}", "Open Error:{s}", kTitleErrorCaps, kStyleInformation, false},
    {C::kVariableNotFound, "Variable Not Found : {s}", "Variable Not Found : {s}", kTitleErrorCaps, kStyleInformation,
     0},
    {C::kVariableNotWritable, "Can not modify this variable (BYTE, INTEGER and LONG only) : {s}",
     "이 변수는 수정할 수 없습니다 (BYTE, INTEGER, LONG만 가능) : {s}", kTitleErrorCaps, kStyleInformation, false},
    {C::kInvalidValue, "Invalid Value ! Enter a whole number : {s}", "잘못된 값입니다. 정수를 입력하십시요 : {s}",
     kTitleErrorCaps, kStyleInformation, false},
    {C::kValueOutOfRange, "Value out of range ! {s} : {d0} .. {d1}", "값의 범위를 벗어났습니다. {s} : {d0} .. {d1}",
     kTitleErrorCaps, kStyleInformation, false},
    {C::kIfWithoutEndIf, "IF without END IF !   Line :", "END IF문이 없는 IF문 블록입니다.  행번호 :", kTitleErrorCaps,
     kStyleInformation, false},
    {C::kWireTraceError, "Can't write the wire trace to {s}", "통신 기록 파일에 쓸 수 없습니다 : {s}", kTitleErrorCaps,
     kStyleCritical, false},
    {C::kFirmwareVersion, "F/W Version is {d0}", "F/W Version is {d0}", kTitleNone, kStyleLine, false},
    {C::kMainFirmware, "Main F/W is {d0}", "Main F/W is {d0}", kTitleNone, kStyleLine, false},
    {C::kMathFirmware, "Math Chip F/W is {d0}", "Math Chip F/W is {d0}", kTitleNone, kStyleLine, false},
    {C::kFirmwareNotFound, "Firmware Not Found !", "Firmware Not Found !", kTitleNone, kStyleLine, false},
};

static_assert(std::size(kRows) == kMessageCodeCount, "every message code has one row");

constexpr bool RowsInCodeOrder() {
  for (std::size_t k = 0; k < std::size(kRows); ++k)
    if (static_cast<std::size_t>(kRows[k].code) != k) return false;
  return true;
}
static_assert(RowsInCodeOrder(), "the rows stand in the order of their codes");

std::string Fill(const std::string& pattern, const Message& m) {
  std::string out;
  for (std::size_t k = 0; k < pattern.size(); ++k) {
    if (pattern[k] == '{') {
      const std::size_t close = pattern.find('}', k);
      const std::string field = close == std::string::npos ? "" : pattern.substr(k + 1, close - k - 1);
      if (field == "s") {
        out += m.subject;
        k = close;
        continue;
      }
      if (field.size() == 1 && field[0] >= '0' && field[0] <= '2') {
        out += Hex(static_cast<unsigned long>(m.n[static_cast<std::size_t>(field[0] - '0')]));
        k = close;
        continue;
      }
      if (field.size() == 2 && field[0] == 'd' && field[1] >= '0' && field[1] <= '2') {
        out += std::to_string(m.n[static_cast<std::size_t>(field[1] - '0')]);
        k = close;
        continue;
      }
    }
    out += pattern[k];
  }
  return out;
}

}  // namespace

const MessageRow& RowOf(MessageCode code) {
  const auto k = static_cast<std::size_t>(code);
  return kRows[k < std::size(kRows) ? k : static_cast<std::size_t>(MessageCode::kModuleNotFound)];
}

std::string MessageTextOf(const Message& message, Language language) {
  const MessageRow& row = RowOf(message.code);
  return Fill(language == Language::kKorean ? row.ko : row.en, message);
}

RenderedMessage Render(const Message& message, Language language) {
  const MessageRow& row = RowOf(message.code);
  return {MessageTextOf(message, language), row.title, row.style};
}

}  // namespace vn::core
