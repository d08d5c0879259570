// Serial and bus statements: SET, GET, PUT, BCLR, BUSOUT, SEROUT, SERIN, and the output item list.
#include <gtest/gtest.h>
#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {
// BYTE variables take no code: the first is at A0 on KF and at 0000 on WF.
const ByteRow kRows[] = {
    {"WF", "ON INT(0) GOSUB H|SET ONINT OFF|H:", {0x8C, 0, 31, 0, 0xA6, 0x73, 0x00}},  // The switches need their handler declared above them.
    {"WF", "ON TIMER(1) GOSUB H|SET ONTIMER ON|H:", {0x8D, 2, 31, 0, 0xA6, 0x74, 0x01}},
    {"WF", "SET RS232 9600|ON RECV GOSUB H|SET ONRECV ' default on|H:", {0xA6, 0x72, 0x02, 0xA8, 33, 0, 0xA6, 0x75, 0x01}},
    // The item list leaves ELSE to the IF.
    {"KF", "DIM A AS BYTE|IF A = 1 THEN BUSOUT A ELSE BUSOUT 1",
     {0x80, 39, 0, 0x15, 0xA0, 0x35, 0x11, 0x00, 0x83, 0x15, 0xA0, 0x00, 0x88, 42, 0, 0x83, 0x11, 0x00}},
    {"WF", "SET RS232 2400 : SET RS232 115200", {0xA6, 0x72, 0x00, 0xA6, 0x72, 0x08}}, {"KF", "SET VARNOBUS HIGH", {0xA6, 0x01}},
    {"KF", "SET VARNOBUS LOW", {0xA6, 0x02}}, {"WF", "SET VARNOBUS", {0xA6, 0x71, 0x00}},
    // Without a mode word a comment or the next statement may follow.
    {"KF", "SET VARNOBUS ' plain|SET VARNOBUS : SET VARNOBUS LOW", {0xA6, 0x00, 0xA6, 0x00, 0xA6, 0x02}},
    {"WF", "DIM A AS BYTE|SET RS232 9600|GET A", {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x10, 0x00}},
    // L is at 27, after SET RS232.
    {"WF", "DIM A AS BYTE|SET RS232 9600|L: GET A, 100, L", {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x12, 0x64, 0x88, 0x1B, 0x00}},
    // The statement after GET on the same line is compiled, not dropped. (A ":" one blank after a variable would be its bit specifier.)
    {"WF", "DIM A AS BYTE|SET RS232 9600|GET A  : BCLR|GET A, 5 : BCLR ' done",
     {0xA6, 0x72, 0x02, 0x9D, 0x15, 0x00, 0x00, 0x10, 0x00, 0xAA, 0x9D, 0x15, 0x00, 0x00, 0x12, 0x05, 0x00, 0xAA}},
    {"WF", "DIM A AS BYTE|SET RS232 19200|PUT \"OK\", A|BCLR", {0xA6, 0x72, 0x03, 0xA7, 0x18, 0x4F, 0x4B, 0x00, 0x15, 0x00, 0x00, 0x00, 0xAA}},
    // The three separators emit nothing; a string item is 18, its bytes, 00 (a string constant operand); the list ends in 00.
    {"KF", "DIM A AS BYTE|BUSOUT A, 5; \"HI\" + 300", {0x83, 0x15, 0xA0, 0x12, 0x05, 0x18, 0x48, 0x49, 0x00, 0x13, 0x2C, 0x01, 0x00}},
    {"WF", "DIM A AS BYTE|BUSOUT A]", {0x83, 0x15, 0x00, 0x00, 0x00}}, {"WF", "DIM A AS BYTE|BUSOUT A ' comment", {0x83, 0x15, 0x00, 0x00, 0x00}},
    {"KF", "DIM A AS BYTE|BUSOUT 1: BUSOUT A", {0x83, 0x11, 0x00, 0x83, 0x15, 0xA0, 0x00}},
    {"KF", "BUSOUT \"A B", {0x83, 0x18, 0x41, 0x20, 0x42, 0x00, 0x00}},  // an open string runs to the line end
    {"KF", "DIM A AS BYTE|BUSOUT IN(3)", {0x83, 0xC0, 0x12, 0x03, 0x00}},  // functions are items too
    {"KF", "DIM X AS BYTE|SEROUT 1,300,0,5,[X]", {0x9A, 0x11, 0x2C, 0x00, 0x05, 0x15, 0xA0, 0x00}},
    {"WF", "DIM X AS BYTE|SEROUT 1,300,0,5,[X]", {0x9A, 0x11, 0x2C, 0x01, 0x00, 0x05, 0x15, 0x00, 0x00, 0x00}},
    // 9600 is 2580h; the closing bracket may be left out.
    {"KF", "DIM X AS BYTE|SEROUT 0, 9600, 1, 0, [\"AB\", X", {0x9A, 0x10, 0x80, 0x01, 0x00, 0x18, 0x41, 0x42, 0x00, 0x15, 0xA0, 0x00}},
    {"WF", "DIM P AS BYTE|CONST BAUD = 9600|SEROUT P, BAUD, 1, 255, [\"AB\"] ' tail",
     {0x9A, 0x15, 0x00, 0x00, 0x80, 0x25, 0x01, 0xFF, 0x18, 0x41, 0x42, 0x00, 0x00}},
    // All three clauses, quoted text in lower case, a pair of bytes, a count.
    {"KF", "TOUT:|DIM A AS BYTE|DIM W AS BYTE|SERIN 1,9600,1,W,TOUT,[WAIT(\"ok\"),UNTIL(13,10),SKIP(2),A~255]",
     {0x9B, 0x11, 0x80, 0x01, 0x15, 0xA1, 0x18, 0x00, 0x08, 0x4F, 0x4B, 0x0A, 0x0D, 0x0A, 0x0B, 0x02, 0x00, 0x15, 0xA0, 0x09, 0xFF, 0x00}},
    {"WF", "TOUT:|DIM A AS BYTE|DIM W AS BYTE|SERIN 1,9600,1,W,TOUT,[WAIT(\"OK\"),UNTIL(13,10),SKIP(2),A~255]",
     {0x9B, 0x11, 0x80, 0x25, 0x01, 0x15, 0x01, 0x00, 0x18, 0x00, 0xAA, 0x4F, 0x4B, 0x0A, 0x0D, 0x0A, 0x0B, 0x02, 0x00, 0x15, 0x00, 0x00, 0xFF}},
    {"WF", "TOUT:|DIM S AS STRING * 10|SERIN 1,9600,0,0,TOUT,[S~10]",
     {0x91, 0x15, 0x00, 0x00, 0x12, 0x0A, 0x00, /* the string's DIM */ 0x9B, 0x11, 0x80, 0x25, 0x00, 0x10, 0x18, 0x00, 0x14, 0x00, 0x00, 0x0A}},
    // A VNM byte array element with a variable index (B at 0000, I at 0004).
    {"WF", "TOUT:|DIM B(4) AS BYTE|DIM I AS BYTE|SERIN 1,9600,0,0,TOUT,[B(I)]",
     {0x9B, 0x11, 0x80, 0x25, 0x00, 0x10, 0x18, 0x00, 0x08, 0x00, 0x00, 0x15, 0x04, 0x00, 0x01}},
    // A VN array element with a constant index is a plain BYTE variable.
    {"KF", "TOUT:|DIM B(4) AS BYTE|SERIN 1,9600,0,0,TOUT,[B(2)] : SET VARNOBUS",
     {0x9B, 0x11, 0x80, 0x00, 0x10, 0x18, 0x00, 0x15, 0xA2, 0x00, 0xA6, 0x00}},
    // A forward reference: TOUT follows the 11 bytes of SERIN, at 35 (23h).
    {"KF", "DIM A AS BYTE|SERIN 1,9600,0,100,TOUT,[A]|TOUT:", {0x9B, 0x11, 0x80, 0x00, 0x12, 0x64, 0x23, 0x00, 0x15, 0xA0, 0x00}},
    // SET HCODE emits nothing: SERIN is at 24, SET VARNOBUS after its 10 bytes.
    {"KF", "T:|DIM A AS BYTE|SET HCODE KS||SERIN 1,9600,0,0,T,[A]|SET VARNOBUS",
     {0x9B, 0x11, 0x80, 0x00, 0x10, 0x18, 0x00, 0x15, 0xA0, 0x00, 0xA6, 0x00}, {{24, 5}, {25, 1}, {34, 6}}},
};
const Text kBaud{"Avaiable 2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200",
                 "보레이트는 2400,4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200중 하나만 사용가능합니다."};
const Text kOnInt{"[ON INT ....] Command Not Found !", "ON INT 명령어가 정의되어 있어야 사용가능합니다."};
const Text kSetWord{"Syntax Error ! Use SET RS232, VARNOBUS, ONINT, ONTIMER, ONRECV or HCODE"};
const char* const kOrder = "Syntax Error ! Write order to WAIT, UNTIL, SKIP";
const char* const kOrderKo = "문법에러 : WAIT, UNTIL, SKIP순으로 작성해야 합니다.";
const Text kRecvVar{"Syntax Error ! Variable use only BYTE type and STRING type"};
const char* const kContinue = "Invalid Continue Value (~N) !";
const ErrorRow kErrors[] = {
    {"KF", "SET RS232 9600", kDeviceVn}, {"WF", "DIM A AS BYTE|SET RS232 9601", kBaud},
    {"WF", "CONST B = 9600|SET RS232 B", kBaud},  // A named constant is not accepted as the baud rate.
    {"WF", "SET ONINT OFF", kOnInt}, {"WF", "DIM A AS BYTE|SET ONTIMER ON", {"[ON TIMER ....] Command Not Found !"}},
    {"WF", "SET RS232 9600|SET ONRECV ON", {"[ON RECV ....] Command Not Found !"}},
    {"WF", "SET ONINT ON|ON INT(0) GOSUB H|H:", kOnInt, 1},  // The flags follow the source text: a handler further down does not count.
    {"KF", "SET HCODE UTF8", {"SET HCODE [JOHAP/KS5601]", "SET HCODE JOHAP 또는 KS5601로 작성하셔야 합니다."}}, {"KF", "SET BAUD 9600", kSetWord},
    {"WF", "SET", kSetWord}, {"KF", "SET VARNOBUS HIHG", kEndOfLine},  // A misspelt mode word is not taken for the default mode.
    {"KF", "DIM A AS BYTE|GET A", {"Can not use at this DEVICE", "VN시리즈에서는 사용할 수 없는 명령입니다."}},
    {"WF", "DIM A AS BYTE|GET A|SET RS232 9600", {"[SET RS232 ..] Command Not Found !", "SET RS232 명령을 먼저 정의해주어야 합니다."}, 2},
    {"WF", "DIM A AS BYTE|SET RS232 9600|GET A, Q", {"Syntax Error in WaitTime value !"}}, {"KF", "BCLR", kDeviceVn},
    {"WF", "PUT 1", {"[SET RS232 ..] Command Not Found !", "SET RS232명령이 사전에 정의되어 있어야 합니다."}},
    {"WF", "SET RS232 9601 : BCLR", kBaud},  // A failed SET RS232 does not count as one.
    {"KF", "DIM A AS BYTE|BUSOUT A - 1", English("Invalid Charactor in String !")}, {"KF", "BUSOUT 1,", kInvalidConstant},
    {"KF", "DIM X AS BYTE|SEROUT 1,300,0,5,X", {"Syntax Error ! Example:SEROUT Port,Baud,Mode,ByteSpace,[Variable...]"}},
    {"KF", "DIM X AS BYTE|SEROUT 1,X,0,5,[X]", English("Syntax Error ! Invalid BaudRate ! ")}, {"KF", "DIM X AS BYTE|SEROUT 1,300,2,5,[X]",
     {"Syntax Error ! Invalid Mode value ! ", "문법에러 : 모드값이 잘못되었습니다. 0또는 1만 사용가능합니다."}},
    {"WF", "DIM X AS BYTE|SEROUT 1,300,0,X,[X]", {"Syntax Error ! Invalid ByteSpace value ! "}},
    {"KF", "DIM X AS BYTE|SEROUT 1,300,0,256,[X]", {"Syntax Error ! ByteSpace value must be 0 ~ 255 "}},
    {"KF", "DIM X AS BYTE|SEROUT 65,300,0,5,[X]", kPortRange},
    // SERIN: A (BYTE) on line 1, the label T on line 2, SERIN on line 3.
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,A", {"Syntax Error in Variable area !"}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,A,0,100,T,[A]", {"Syntax Error in BaudRate value !"}},
    {"WF", "DIM A AS BYTE|T:|SERIN 1,9600,3,100,T,[A]", {"Syntax Error in Mode value !"}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[WAIT(1),WAIT(2),A]", {"Syntax Error ! order to WAIT, UNTIL, SKIP", kOrderKo}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[SKIP(1),UNTIL(13),A]", {kOrder, kOrderKo}},
    {"WF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[UNTIL(13),WAIT(1),A]", {kOrder, kOrderKo}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[WAIT(256),A]", {"Syntax Error in WAIT clause !"}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[UNTIL(\"한\"),A]", {"Syntax Error in UNTIL clause !"}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[SKIP(X),A]", English("Syntax Error in SKIP clause !")},
    {"WF", "DIM A AS INTEGER|T:|SERIN 1,9600,0,100,T,[A]", kRecvVar},
    {"WF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[Q]", {"Undefined Variable ! "}},  // no variable: its own message, not the type's
    {"KF", "DIM A(4) AS BYTE, I AS BYTE|T:|SERIN 1,9600,0,100,T,[A(I)]", kRecvVar},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[A~256]", {kContinue, "문법에러 : 연속수신 횟수는 255이상 사용할 수 없습니다."}},
    {"WF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[A~A]", {kContinue, "문법에러 : 연속수신 횟수 표현이 잘못되었습니다."}},
    {"KF", "DIM A AS BYTE|T:|SERIN 1,9600,0,100,T,[A,A]", {"Syntax Error ! ", "문법에러 : 닫는 대괄호를 찾을 수 없습니다. "}},
    {"KF", "DIM A AS BYTE|SERIN 1,9600,0,100,NOPE,[A]|BUSOUT A", English("Invalid label : NOPE"), 2},
    // A failed SET HCODE keeps the code set (the second line would fail in Johab too).
    {"WF", "SET HCODE KS|SET HCODE KSC", {"SET HCODE [JOHAP/KS5601]"}},
};
TEST(SerialStatements, ExactBytesAndMessagesAndTheRs232Flag) {
  for (const auto& r : kRows) ExpectRow(r);
  for (const auto& r : kErrors) ExpectRow(r);
  // RS232 is seen only after a valid SET RS232, and only in its own compile.
  auto c = Compile("WF", {"SET RS232 4800"});
  EXPECT_TRUE(c->Rs232Seen);
  c->CompileSource(Source({"BCLR"}));
  EXPECT_EQ(c->Outcome.result, 1) << "the flag must not survive into the next compile";
  EXPECT_FALSE(c->Rs232Seen);
}

// 한 and 글 are D065 8B69 in Johab and C7D1 B1DB in code page 949.
TEST(SerialStatements, HangulItemsFollowSetHcode) {
  for (const char* device : {"KF", "WF"}) {
    auto c = MakeCompiler(device);
    const char* const program = "BUSOUT \"한글\"|SET HCODE KS5601|BUSOUT \"한글\"|SET HCODE JOHAP|BUSOUT \"A한\"|SET HCODE KS|BUSOUT \"한\"";
    ASSERT_EQ(c->CompileSource(Source(Lines(program))), 0);
    EXPECT_EQ(ProgramBytes(*c), Bytes({0x83, 0x18, 0xD0, 0x65, 0x8B, 0x69, 0x00, 0x00, 0x83, 0x18, 0xC7, 0xD1, 0xB1, 0xDB,
                                       0x00, 0x00, 0x83, 0x18, 0x41, 0xD0, 0x65, 0x00, 0x00, 0x83, 0x18, 0xC7, 0xD1, 0x00, 0x00}));
    EXPECT_TRUE(c->HangulKS);
    // A new compile starts with Johab again.
    ASSERT_EQ(c->CompileSource(Source({"BUSOUT \"한\""})), 0);
    EXPECT_FALSE(c->HangulKS);
    EXPECT_EQ(ProgramBytes(*c), Bytes({0x83, 0x18, 0xD0, 0x65, 0x00, 0x00}));
  }
  EXPECT_TRUE(Compile("WF", {"SET HCODE KS", "SET HCODE KSC"})->HangulKS);
}

}  // namespace
}  // namespace vn::compiler::testing
