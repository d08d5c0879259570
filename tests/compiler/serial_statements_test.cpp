// Serial and bus statements: SET (RS232, VARNOBUS, ONINT, ONTIMER, ONRECV, HCODE), GET, PUT,
// BCLR, BUSOUT, SEROUT, SERIN, and the output item list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {

struct SerialBytesCase {
  const char* device;
  std::vector<std::string> lines;
  Bytes expected;
};

void ExpectProgram(const SerialBytesCase& tc) {
  SCOPED_TRACE(std::string(tc.device) + ": " + tc.lines.back());
  auto c = Compile(tc.device, tc.lines);
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(ProgramBytes(*c), tc.expected);
}

struct SerialErrorCase {
  const char* device;
  std::vector<std::string> lines;
  int line;  // line the error is reported on
  std::string en;
  std::string ko;  // empty: an English-only message, shown in English in both languages
};

void ExpectError(const SerialErrorCase& tc) {
  SCOPED_TRACE(std::string(tc.device) + ": " + tc.lines.back());
  auto c = Compile(tc.device, tc.lines);
  ASSERT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.line, tc.line);
  EXPECT_EQ(c->Outcome.message.en, tc.en);
  EXPECT_EQ(c->Outcome.message.ko, tc.ko.empty() ? tc.en : tc.ko);
}

const std::string kVnCommand = "Can not use this command at VN-XX device";
const std::string kVnCommandKo = "VN시리즈에서는 이 명령어를 사용할 수 없습니다.";
const std::string kEndOfLine = "Syntax Error on End of Line !";
const std::string kEndOfLineKo = "문법에러 : 한행의 끝에서 해석할 수 없는 문자가 발견되었습니다.";

// BYTE variables take no code: the first is at A0 on KF and at 0000 on WF.
const SerialBytesCase kSetCases[] = {
    {"WF", {"SET RS232 9600"}, {0xA6, 0x72, 0x02}},
    {"WF", {"SET RS232 2400 : SET RS232 115200"}, {0xA6, 0x72, 0x00, 0xA6, 0x72, 0x08}},
    {"KF", {"SET VARNOBUS HIGH"}, {0xA6, 0x01}},
    {"WF", {"SET VARNOBUS HIGH"}, {0xA6, 0x71, 0x01}},
    {"KF", {"SET VARNOBUS LOW"}, {0xA6, 0x02}},
    {"WF", {"SET VARNOBUS"}, {0xA6, 0x71, 0x00}},
    // Without a mode word a comment or the next statement may follow.
    {"KF", {"SET VARNOBUS ' plain", "SET VARNOBUS : SET VARNOBUS LOW"}, {0xA6, 0x00, 0xA6, 0x00, 0xA6, 0x02}},
};

TEST(SerialStatements, SetFormsEmitExactBytes) {
  for (const auto& tc : kSetCases) ExpectProgram(tc);
}

const SerialBytesCase kRs232Cases[] = {
    {"WF", {"DIM A AS BYTE", "SET RS232 9600", "GET A"}, {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x10, 0x00}},
    {"WF",
     {"DIM A AS BYTE", "SET RS232 9600", "GET A, 100"},
     {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x12, 0x64, 0x00}},
    // L is at 27, after SET RS232.
    {"WF",
     {"DIM A AS BYTE", "SET RS232 9600", "L: GET A, 100, L"},
     {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x12, 0x64, 0x88, 0x1B, 0x00}},
    // The statement after GET on the same line is compiled, not dropped. (A ":" one blank
    // after a variable would be its bit specifier.)
    {"WF",
     {"DIM A AS BYTE", "SET RS232 9600", "GET A  : BCLR", "GET A, 5 : BCLR ' done"},
     {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x10, 0x00, 0xAA, 0x9D, 0x15, 0x00, 0x00, 0x12, 0x05, 0x00, 0xAA}},
    {"WF",
     {"DIM A AS BYTE", "SET RS232 19200", "PUT \"OK\", A", "BCLR"},
     {0xA6, 0x72, 0x03, 0xA7, 0x18, 0x4F, 0x4B, 0x00, 0x15, 0x00, 0x00, 0x00, 0xAA}},
};

TEST(SerialStatements, HardwarePortStatementsEmitExactBytes) {
  for (const auto& tc : kRs232Cases) ExpectProgram(tc);
}

const SerialBytesCase kListCases[] = {
    // The three separators emit nothing; a string item is 18, its bytes, 00 (a string constant operand); the list ends in 00.
    {"KF",
     {"DIM A AS BYTE", "BUSOUT A, 5; \"HI\" + 300"},
     {0x83, 0x15, 0xA0, 0x12, 0x05, 0x18, 0x48, 0x49, 0x00, 0x13, 0x2C, 0x01, 0x00}},
    {"WF", {"DIM A AS BYTE", "BUSOUT A]"}, {0x83, 0x15, 0x00, 0x00, 0x00}},
    {"WF", {"DIM A AS BYTE", "BUSOUT A ' comment"}, {0x83, 0x15, 0x00, 0x00, 0x00}},
    {"KF", {"DIM A AS BYTE", "BUSOUT 1: BUSOUT A"}, {0x83, 0x11, 0x00, 0x83, 0x15, 0xA0, 0x00}},
    // An unterminated string runs to the end of the line.
    {"KF", {"BUSOUT \"A B"}, {0x83, 0x18, 0x41, 0x20, 0x42, 0x00, 0x00}},
    // Built-in functions are items too.
    {"KF", {"DIM A AS BYTE", "BUSOUT IN(3)"}, {0x83, 0xC0, 0x12, 0x03, 0x00}},
};

TEST(SerialStatements, OutputListEmitsExactBytes) {
  for (const auto& tc : kListCases) ExpectProgram(tc);
}

const SerialBytesCase kSeroutCases[] = {
    {"KF", {"DIM X AS BYTE", "SEROUT 1,300,0,5,[X]"}, {0x9A, 0x11, 0x2C, 0x00, 0x05, 0x15, 0xA0, 0x00}},
    {"WF", {"DIM X AS BYTE", "SEROUT 1,300,0,5,[X]"}, {0x9A, 0x11, 0x2C, 0x01, 0x00, 0x05, 0x15, 0x00, 0x00, 0x00}},
    // 9600 is 2580h; the closing bracket may be left out.
    {"KF",
     {"DIM X AS BYTE", "SEROUT 0, 9600, 1, 0, [\"AB\", X"},
     {0x9A, 0x10, 0x80, 0x01, 0x00, 0x18, 0x41, 0x42, 0x00, 0x15, 0xA0, 0x00}},
    {"WF",
     {"DIM P AS BYTE", "CONST BAUD = 9600", "SEROUT P, BAUD, 1, 255, [\"AB\"] ' tail"},
     {0x9A, 0x15, 0x00, 0x00, 0x80, 0x25, 0x01, 0xFF, 0x18, 0x41, 0x42, 0x00, 0x00}},
};

TEST(SerialStatements, SeroutEmitsExactBytes) {
  for (const auto& tc : kSeroutCases) ExpectProgram(tc);
}

// TOUT is the first line, so it stands at address 24 (18h).
const SerialBytesCase kSerinCases[] = {
    {"KF",
     {"TOUT:", "DIM A AS BYTE", "SERIN 1,9600,0,100,TOUT,[UNTIL(13),A]"},
     {0x9B, 0x11, 0x80, 0x00, 0x12, 0x64, 0x18, 0x00, 0x0A, 0x0D, 0x00, 0x15, 0xA0, 0x00}},
    {"WF",
     {"TOUT:", "DIM A AS BYTE", "SERIN 1,9600,0,100,TOUT,[UNTIL(13),A]"},
     {0x9B, 0x11, 0x80, 0x25, 0x00, 0x12, 0x64, 0x18, 0x00, 0x0A, 0x0D, 0x00, 0x15, 0x00, 0x00, 0x01}},
    // All three clauses, quoted text in lower case, a pair of bytes, a count.
    {"KF",
     {"TOUT:", "DIM A AS BYTE", "DIM W AS BYTE", "SERIN 1,9600,1,W,TOUT,[WAIT(\"ok\"),UNTIL(13,10),SKIP(2),A~255]"},
     {0x9B, 0x11, 0x80, 0x01, 0x15, 0xA1, 0x18, 0x00, 0x08, 0x4F, 0x4B, 0x0A, 0x0D, 0x0A, 0x0B, 0x02, 0x00, 0x15,
      0xA0, 0x09, 0xFF, 0x00}},
    {"WF",
     {"TOUT:", "DIM A AS BYTE", "DIM W AS BYTE", "SERIN 1,9600,1,W,TOUT,[WAIT(\"OK\"),UNTIL(13,10),SKIP(2),A~255]"},
     {0x9B, 0x11, 0x80, 0x25, 0x01, 0x15, 0x01, 0x00, 0x18, 0x00, 0xAA, 0x4F, 0x4B, 0x0A, 0x0D, 0x0A, 0x0B, 0x02,
      0x00, 0x15, 0x00, 0x00, 0xFF}},
    {"KF",
     {"TOUT:", "DIM A AS BYTE", "SERIN 1,9600,0,0,TOUT,[WAIT(\"A\"),A]"},
     {0x9B, 0x11, 0x80, 0x00, 0x10, 0x18, 0x00, 0x08, 0x41, 0x00, 0x15, 0xA0, 0x00}},
    {"WF",
     {"TOUT:", "DIM S AS STRING * 10", "SERIN 1,9600,0,0,TOUT,[S~10]"},
     {0x91, 0x15, 0x00, 0x00, 0x12, 0x0A, 0x00,  // DIM of the string
      0x9B, 0x11, 0x80, 0x25, 0x00, 0x10, 0x18, 0x00, 0x14, 0x00, 0x00, 0x0A}},
    // A VNM byte array element with a variable index (B at 0000, I at 0004).
    {"WF",
     {"TOUT:", "DIM B(4) AS BYTE", "DIM I AS BYTE", "SERIN 1,9600,0,0,TOUT,[B(I)]"},
     {0x9B, 0x11, 0x80, 0x25, 0x00, 0x10, 0x18, 0x00, 0x08, 0x00, 0x00, 0x15, 0x04, 0x00, 0x01}},
    // A VN array element with a constant index is a plain BYTE variable.
    {"KF",
     {"TOUT:", "DIM B(4) AS BYTE", "SERIN 1,9600,0,0,TOUT,[B(2)] : SET VARNOBUS"},
     {0x9B, 0x11, 0x80, 0x00, 0x10, 0x18, 0x00, 0x15, 0xA2, 0x00, 0xA6, 0x00}},
    // A forward reference: TOUT follows the 11 bytes of SERIN, at 35 (23h).
    {"KF",
     {"DIM A AS BYTE", "SERIN 1,9600,0,100,TOUT,[A]", "TOUT:"},
     {0x9B, 0x11, 0x80, 0x00, 0x12, 0x64, 0x23, 0x00, 0x15, 0xA0, 0x00}},
};

TEST(SerialStatements, SerinEmitsExactBytes) {
  for (const auto& tc : kSerinCases) ExpectProgram(tc);
}

const SerialErrorCase kSetErrors[] = {
    {"KF", {"SET RS232 9600"}, 1, kVnCommand, kVnCommandKo},
    {"WF",
     {"DIM A AS BYTE", "SET RS232 9601"},
     2,
     "Avaiable 2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200",
     "보레이트는 2400,4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200중 하나만 사용가능합니다."},
    // A named constant is not accepted as the baud rate.
    {"WF",
     {"CONST B = 9600", "SET RS232 B"},
     2,
     "Avaiable 2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200",
     "보레이트는 2400,4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200중 하나만 사용가능합니다."},
    {"KF", {"SET ONINT ON"}, 1, kVnCommand, kVnCommandKo},
    {"WF", {"SET ONINT OFF"}, 1, "[ON INT ....] Command Not Found !", "ON INT 명령어가 정의되어 있어야 사용가능합니다."},
    {"WF",
     {"DIM A AS BYTE", "SET ONTIMER ON"},
     2,
     "[ON TIMER ....] Command Not Found !",
     "ON TIMER 명령어가 정의되어 있어야 사용가능합니다."},
    {"WF",
     {"SET RS232 9600", "SET ONRECV ON"},
     2,
     "[ON RECV ....] Command Not Found !",
     "ON RECV 명령어가 정의되어 있어야 사용가능합니다."},
    // The flags follow the source text: a handler further down does not count.
    {"WF",
     {"SET ONINT ON", "ON INT(0) GOSUB H", "H:"},
     1,
     "[ON INT ....] Command Not Found !",
     "ON INT 명령어가 정의되어 있어야 사용가능합니다."},
    {"KF", {"SET HCODE UTF8"}, 1, "SET HCODE [JOHAP/KS5601]", "SET HCODE JOHAP 또는 KS5601로 작성하셔야 합니다."},
    {"KF",
     {"SET BAUD 9600"},
     1,
     "Syntax Error ! Use SET RS232, VARNOBUS, ONINT, ONTIMER, ONRECV or HCODE",
     "문법에러 : SET 다음에는 RS232, VARNOBUS, ONINT, ONTIMER, ONRECV, HCODE중 하나를 사용해야 합니다."},
    {"WF",
     {"SET"},
     1,
     "Syntax Error ! Use SET RS232, VARNOBUS, ONINT, ONTIMER, ONRECV or HCODE",
     "문법에러 : SET 다음에는 RS232, VARNOBUS, ONINT, ONTIMER, ONRECV, HCODE중 하나를 사용해야 합니다."},
    // A misspelt mode word is not taken for the default mode.
    {"KF", {"SET VARNOBUS HIHG"}, 1, kEndOfLine, kEndOfLineKo},
};

TEST(SerialStatements, SetErrors) {
  for (const auto& tc : kSetErrors) ExpectError(tc);
}

const SerialErrorCase kRs232Errors[] = {
    {"KF", {"DIM A AS BYTE", "GET A"}, 2, "Can not use at this DEVICE", "VN시리즈에서는 사용할 수 없는 명령입니다."},
    {"WF",
     {"DIM A AS BYTE", "GET A", "SET RS232 9600"},
     2,
     "[SET RS232 ..] Command Not Found !",
     "SET RS232 명령을 먼저 정의해주어야 합니다."},
    {"WF",
     {"DIM A AS BYTE", "SET RS232 9600", "GET A, Q"},
     3,
     "Syntax Error in WaitTime value !",
     "문법에러 : 대기시간이 잘못되었습니다."},
    {"WF", {"DIM A AS BYTE", "SET RS232 9600", "GET A B"}, 3, kEndOfLine, kEndOfLineKo},
    {"KF", {"PUT 1"}, 1, kVnCommand, kVnCommandKo},
    {"KF", {"BCLR"}, 1, kVnCommand, kVnCommandKo},
    {"WF", {"PUT 1"}, 1, "[SET RS232 ..] Command Not Found !", "SET RS232명령이 사전에 정의되어 있어야 합니다."},
    // A failed SET RS232 does not count as one.
    {"WF",
     {"SET RS232 9601 : BCLR"},
     1,
     "Avaiable 2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200",
     "보레이트는 2400,4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200중 하나만 사용가능합니다."},
};

TEST(SerialStatements, HardwarePortErrors) {
  for (const auto& tc : kRs232Errors) ExpectError(tc);
}

const SerialErrorCase kListErrors[] = {
    {"KF", {"DIM A AS BYTE", "BUSOUT A - 1"}, 2, "Invalid Charactor in String !", ""},
    {"WF", {"DIM A AS BYTE", "SET RS232 9600", "PUT A * 2"}, 3, "Invalid Charactor in String !", ""},
    {"KF", {"BUSOUT 1,"}, 1, "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
    {"KF", {"BUSOUT 1] X"}, 1, kEndOfLine, kEndOfLineKo},
};

TEST(SerialStatements, OutputListErrors) {
  for (const auto& tc : kListErrors) ExpectError(tc);
}

const std::string kSeroutExample = "Syntax Error ! Example:SEROUT Port,Baud,Mode,ByteSpace,[Variable...]";
const std::string kCommaKo = "문법에러 : 쉼표를 찾을 수 없습니다.";

const SerialErrorCase kSeroutErrors[] = {
    {"KF", {"DIM X AS BYTE", "SEROUT 1 300,0,5,[X]"}, 2, kSeroutExample, kCommaKo},
    {"WF", {"DIM X AS BYTE", "SEROUT 1,300,0,5 [X]"}, 2, kSeroutExample, kCommaKo},
    {"KF", {"DIM X AS BYTE", "SEROUT 1,300,0,5,X"}, 2, kSeroutExample, "문법에러 : 대괄호를 찾을 수 없습니다."},
    {"KF", {"DIM X AS BYTE", "SEROUT 1,X,0,5,[X]"}, 2, "Syntax Error ! Invalid BaudRate ! ", ""},
    {"WF", {"DIM X AS BYTE", "SEROUT 1,-300,0,5,[X]"}, 2, "Syntax Error ! Invalid BaudRate ! ", ""},
    {"KF",
     {"DIM X AS BYTE", "SEROUT 1,300,2,5,[X]"},
     2,
     "Syntax Error ! Invalid Mode value ! ",
     "문법에러 : 모드값이 잘못되었습니다. 0또는 1만 사용가능합니다."},
    {"WF",
     {"DIM X AS BYTE", "SEROUT 1,300,0,X,[X]"},
     2,
     "Syntax Error ! Invalid ByteSpace value ! ",
     "문법에러 : 바이트 간격 값이 잘못되었습니다."},
    {"KF",
     {"DIM X AS BYTE", "SEROUT 1,300,0,256,[X]"},
     2,
     "Syntax Error ! ByteSpace value must be 0 ~ 255 ",
     "문법에러 : 바이트 간격 값은 0~255 사이의 값만 사용가능합니다."},
    {"KF", {"DIM X AS BYTE", "SEROUT 65,300,0,5,[X]"}, 2, "Out of I/O port number", "I/O포트의 사용범위가 아닙니다."},
};

TEST(SerialStatements, SeroutErrors) {
  for (const auto& tc : kSeroutErrors) ExpectError(tc);
}

const std::string kSerinExample = "Syntax Error ! Example: SERIN Port,Baud,Mode,WaitTime,WaitLabel, [Variable...]";
const std::string kOrder = "Syntax Error ! Write order to WAIT, UNTIL, SKIP";
const std::string kOrderKo = "문법에러 : WAIT, UNTIL, SKIP순으로 작성해야 합니다.";
const std::string kWaitClause = "Syntax Error in WAIT clause !";
const std::string kWaitClauseKo = "문법에러 : WAIT 제어문이 잘못되었습니다.";
const std::string kUntilClause = "Syntax Error in UNTIL clause !";
const std::string kUntilClauseKo = "문법에러 : Until 제어문이 잘못되었습니다.";
const std::string kRecvVar = "Syntax Error ! Variable use only BYTE type and STRING type";
const std::string kRecvVarKo = "문법에러 : 수신변수는 BYTE형 (또는 String형)만 사용가능 합니다.";

// Each source declares A (BYTE) on line 1 and the label T on line 2; SERIN is on line 3.
SerialErrorCase SerinError(const char* device, const std::string& serin, const std::string& en,
                           const std::string& ko, const std::string& decl = "DIM A AS BYTE") {
  return {device, {decl, "T:", serin}, 3, en, ko};
}

TEST(SerialStatements, SerinErrors) {
  const SerialErrorCase cases[] = {
      SerinError("KF", "SERIN 1 9600,0,100,T,[A]", kSerinExample, kCommaKo),
      SerinError("WF", "SERIN 1,9600,0,100,T [A]", kSerinExample, kCommaKo),
      SerinError("KF", "SERIN 1,9600,0,100,T,A", "Syntax Error in Variable area !",
                 "문법에러 : 대괄호 ([)를 찾을 수 없습니다."),
      SerinError("KF", "SERIN 1,A,0,100,T,[A]", "Syntax Error in BaudRate value !",
                 "문법에러 : 보레이트 값이 잘못되었습니다."),
      SerinError("WF", "SERIN 1,9600,3,100,T,[A]", "Syntax Error in Mode value !",
                 "문법에러 : 모드값이 잘못되었습니다. (0또는 1만 사용가능)"),
      SerinError("WF", "SERIN 1,9600,0,Q,T,[A]", "Syntax Error in WaitTime value !",
                 "문법에러 : 대기시간이 잘못되었습니다."),
      SerinError("KF", "SERIN 1,9600,0,100,T,[WAIT(1),WAIT(2),A]", "Syntax Error ! order to WAIT, UNTIL, SKIP",
                 kOrderKo),
      SerinError("KF", "SERIN 1,9600,0,100,T,[SKIP(1),UNTIL(13),A]", kOrder, kOrderKo),
      SerinError("WF", "SERIN 1,9600,0,100,T,[UNTIL(13),WAIT(1),A]", kOrder, kOrderKo),
      SerinError("WF", "SERIN 1,9600,0,100,T,[SKIP(1),SKIP(1),A]", kOrder, kOrderKo),
      SerinError("KF", "SERIN 1,9600,0,100,T,[WAIT 1,A]", kWaitClause, kWaitClauseKo),
      SerinError("WF", "SERIN 1,9600,0,100,T,[WAIT(\"OK\",A]", kWaitClause, kWaitClauseKo),
      SerinError("KF", "SERIN 1,9600,0,100,T,[WAIT(256),A]", kWaitClause, kWaitClauseKo),
      SerinError("WF", "SERIN 1,9600,0,100,T,[UNTIL(13) A]", kUntilClause, kUntilClauseKo),
      SerinError("KF", "SERIN 1,9600,0,100,T,[UNTIL(\"한\"),A]", kUntilClause, kUntilClauseKo),
      SerinError("KF", "SERIN 1,9600,0,100,T,[SKIP(X),A]", "Syntax Error in SKIP clause !", ""),
      SerinError("WF", "SERIN 1,9600,0,100,T,[A]", kRecvVar, kRecvVarKo, "DIM A AS INTEGER"),
      SerinError("KF", "SERIN 1,9600,0,100,T,[A(I)]", kRecvVar, kRecvVarKo, "DIM A(4) AS BYTE, I AS BYTE"),
      SerinError("KF", "SERIN 1,9600,0,100,T,[A~256]", "Invalid Continue Value (~N) !",
                 "문법에러 : 연속수신 횟수는 255이상 사용할 수 없습니다."),
      SerinError("WF", "SERIN 1,9600,0,100,T,[A~A]", "Invalid Continue Value (~N) !",
                 "문법에러 : 연속수신 횟수 표현이 잘못되었습니다."),
      SerinError("WF", "SERIN 1,9600,0,100,T,[A~-2]", "Invalid Continue Value (~N) !",
                 "문법에러 : 연속수신 횟수 표현이 잘못되었습니다."),
      SerinError("KF", "SERIN 1,9600,0,100,T,[A,A]", "Syntax Error ! ", "문법에러 : 닫는 대괄호를 찾을 수 없습니다. "),
  };
  for (const auto& tc : cases) ExpectError(tc);
}

TEST(SerialStatements, UnknownTimeOutLabelIsReportedOnItsLine) {
  auto c = Compile("KF", {"DIM A AS BYTE", "SERIN 1,9600,0,100,NOPE,[A]", "BUSOUT A"});
  ASSERT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.line, 2);
  EXPECT_EQ(c->Outcome.message.en, "Invalid label : NOPE");
}

TEST(SerialStatements, KoreanInterfaceShowsKoreanAndEnglishOnlyTexts) {
  auto c = Compile("WF", {"SET ONRECV ON"});
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), "ON RECV 명령어가 정의되어 있어야 사용가능합니다.");
  c = Compile("KF", {"DIM X AS BYTE", "SEROUT 1,X,0,5,[X]"});
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), "Syntax Error ! Invalid BaudRate ! ");
}

TEST(SerialStatements, Rs232SeenOnlyAfterAValidSetRs232) {
  auto c = Compile("WF", {"SET RS232 4800"});
  ASSERT_EQ(c->Outcome.result, 0);
  EXPECT_TRUE(c->Rs232Seen);
  c->CompileSource(Source({"BCLR"}));
  EXPECT_EQ(c->Outcome.result, 1) << "the flag must not survive into the next compile";
  EXPECT_FALSE(c->Rs232Seen);
  c = Compile("WF", {"SET RS232 4801"});
  EXPECT_FALSE(c->Rs232Seen);
}

// 한 and 글 are D065 8B69 in Johab and C7D1 B1DB in code page 949.
TEST(SerialStatements, HangulItemsFollowSetHcode) {
  for (const char* device : {"KF", "WF"}) {
    SCOPED_TRACE(device);
    auto c = Compile(device, {"BUSOUT \"한글\"", "SET HCODE KS5601", "BUSOUT \"한글\"", "SET HCODE JOHAP",
                              "BUSOUT \"A한\"", "SET HCODE KS", "BUSOUT \"한\""});
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    EXPECT_EQ(ProgramBytes(*c), Bytes({0x83, 0x18, 0xD0, 0x65, 0x8B, 0x69, 0x00, 0x00,  //
                                       0x83, 0x18, 0xC7, 0xD1, 0xB1, 0xDB, 0x00, 0x00,  //
                                       0x83, 0x18, 0x41, 0xD0, 0x65, 0x00, 0x00,        //
                                       0x83, 0x18, 0xC7, 0xD1, 0x00, 0x00}));
    EXPECT_TRUE(c->HangulKS);
    // A new compile starts with Johab again.
    c->CompileSource(Source({"BUSOUT \"한\""}));
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    EXPECT_FALSE(c->HangulKS);
    EXPECT_EQ(ProgramBytes(*c), Bytes({0x83, 0x18, 0xD0, 0x65, 0x00, 0x00}));
  }
}

TEST(SerialStatements, SetHcodeFailureKeepsTheCodeSet) {
  auto c = Compile("WF", {"SET HCODE KS", "SET HCODE KSC"});
  ASSERT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.line, 2);
  EXPECT_TRUE(c->HangulKS);
}

TEST(SerialStatements, StatementsRecordTheirLine) {
  auto c = Compile("KF", {"T:", "DIM A AS BYTE", "SET HCODE KS", "", "SERIN 1,9600,0,0,T,[A]", "SET VARNOBUS"});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(c->Code.LineOf(24), 5);  // SERIN; SET HCODE emits nothing
  EXPECT_EQ(c->Code.LineOf(25), 1);
  EXPECT_EQ(c->Code.LineOf(34), 6);  // SET VARNOBUS after the 10 bytes of SERIN
}

// The switches need their handler declared above them; these depend on ON INT, ON TIMER and
// ON RECV being compiled.
TEST(SerialStatements, HandlerSwitchesBelowTheirHandlers) {
  const struct {
    std::vector<std::string> lines;
    Bytes tail;
  } cases[] = {
      {{"ON INT(0) GOSUB H", "SET ONINT OFF", "H:"}, {0xA6, 0x73, 0x00}},
      {{"ON TIMER(1) GOSUB H", "SET ONTIMER ON", "H:"}, {0xA6, 0x74, 0x01}},
      {{"SET RS232 9600", "ON RECV GOSUB H", "SET ONRECV ' default on", "H:"}, {0xA6, 0x75, 0x01}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.lines[1]);
    auto c = Compile("WF", tc.lines);
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    const Bytes all = ProgramBytes(*c);
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(Bytes(all.end() - 3, all.end()), tc.tail);
  }
}

// An item list in the THEN part of a single-line IF leaves ELSE to the IF.
TEST(SerialStatements, ItemListStopsBeforeElse) {
  auto c = Compile("KF", {"DIM A AS BYTE", "IF A = 1 THEN BUSOUT A ELSE BUSOUT 1"});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  const Bytes all = ProgramBytes(*c);
  const Bytes then_part{0x83, 0x15, 0xA0, 0x00, 0x88};  // BUSOUT A, then the jump over ELSE
  EXPECT_NE(std::search(all.begin(), all.end(), then_part.begin(), then_part.end()), all.end());
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(Bytes(all.end() - 3, all.end()), Bytes({0x83, 0x11, 0x00}));
}

}  // namespace
}  // namespace vn::compiler::testing
