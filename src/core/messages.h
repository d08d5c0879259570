// Message pairs: every message the user sees exists in English and in Korean.
#pragma once

#include <string>

#include "core/message_table.h"

namespace vn::core {

struct Msg {
  std::string en;
  std::string ko;
};

// Compile messages used by several statement families.
inline const Msg kMsgCommandVn{"Can not use this command at VN-XX device", "VN시리즈에서는 이 명령어를 사용할 수 없습니다."};
inline const Msg kMsgInvalidConstant{"Invalid Constant or Command !",
                                     "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."};
inline const Msg kMsgNotAConstant{"Syntax Error ! Invalid Constant", "문법에러: 잘못된 상수표현입니다."};
inline const Msg kMsgTooComplex{"Statement Too Complex ! Make Simple !",
                                "해석하기에 너무 복잡한 연산식입니다. 단순한 식 여러개로 분리해서 작성하십시요"};
inline const Msg kMsgInvalidParameter{"Invalid Parameter ! ", "인수가 잘못되었습니다."};
inline const Msg kMsgCodeTooLarge{"Program too large ! (Code area ends at address 64000)",
                                  "프로그램이 너무 큽니다. 코드 영역은 64000번지까지입니다."};
inline const Msg kMsgBadCharacter{"Character not available in the Korean code page (949) !",
                                  "한글 코드(949)로 변환할 수 없는 문자가 있습니다."};

// Message box titles and texts of the compile commands.
inline constexpr const char* kErrorTitle = kTitleErrorCaps;
inline constexpr const char* kMessageTitle = kTitleMessage;
inline constexpr const char* kSyntaxOk = "Syntax is OK !. Very Good !";
inline constexpr const char* kNowCompile = "Now Compile...";

}  // namespace vn::core
