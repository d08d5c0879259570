// Message pairs: every message the user sees exists in English and in Korean.
#pragma once

#include <string>

namespace vn::compiler {

struct Msg {
  std::string en;
  std::string ko;
};

// The fixed entries of the program-wide message table, used by the compiler, the link and
// the views. Index = entry number.
inline const Msg kMsgTable[] = {
    {"", ""},
    {"VARNOLIC module not found ! Check cable or power",
     "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!"},
    {"Firmware Version Unmatch Error !", "펌웨어 버젼이 맞지 않습니다."},
    {"Device Type mismatch ! (CONST DEVICE)",
     "디바이스가 일치하지 않습니다. CONST DEVICE를 사용해서 디바이스명을 지정하시기 바랍니다. 사용예 CONST "
     "DEVICE = WF"},
    {"Communication Error at Verify ! Address :", "통신에러입니다. 주소:"},
    {"Verify Error ! Address", "비교에러입니다. 주소:"},
    {"No compile infomation ! Try Run !", "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다."},
    {"IF without END IF !   Line :", "END IF문이 없는 IF문 블록입니다.  행번호 :"},
};

// Message box titles and texts of the compile commands.
inline constexpr const char* kErrorTitle = "VARNOLIC Studio ERROR !";
inline constexpr const char* kMessageTitle = "VARNOLIC Studio Message";
inline constexpr const char* kSyntaxOk = "Syntax is OK !. Very Good !";
inline constexpr const char* kNowCompile = "Now Compile...";

}  // namespace vn::compiler
