// The virtual peripherals as the program drives them: display, ports, serial lines, bus,
// EEPROM, sound, and the inputs set from outside.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter_test_support.h"

namespace vn::sim::testing {
namespace {

struct DisplayCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  const char* text;  // the display's rows without trailing blanks, joined by '\n'
};

const DisplayCase kDisplay[] = {
    {"text at the top left", "KF", {"PRINT \"HELLO\""}, "HELLO\n\n\n"},
    {"items follow each other", "KF", {"DIM A AS BYTE", "A = 42", "PRINT \"A=\", A; \"!\""}, "A=42!\n\n\n"},
    {"LOCATE column then row", "KF", {"LOCATE 3, 1", "PRINT \"AB\""}, "\n   AB\n\n"},
    {"two PRINTs continue on the line", "KF", {"PRINT \"AB\"", "PRINT \"CD\""}, "ABCD\n\n\n"},
    {"CLS clears and homes", "KF", {"PRINT \"XXXX\"", "CLS", "PRINT \"Y\""}, "Y\n\n\n"},
    {"a full row wraps", "KF", {"PRINT \"ABCDEFGHIJKLMNOPQRSTUV\""}, "ABCDEFGHIJKLMNOPQRST\nUV\n\n"},
    {"VN DEC with width and zeros", "KF", {"DIM A AS BYTE", "A = 42", "PRINT DEC(A, 4, 1)"}, "0042\n\n\n"},
    {"VN DEC default width 5", "KF", {"DIM A AS BYTE", "A = 7", "PRINT DEC(A)"}, "00007\n\n\n"},
    {"VN HEX", "KF", {"DIM A AS BYTE", "A = 42", "PRINT HEX(A, 2, 1)"}, "2A\n\n\n"},
    {"VN HEX next to a negative constant", "KF", {"DIM I AS INTEGER", "I = -2", "PRINT HEX(I), \" \", I"}, "FFFE 65534\n\n\n"},
    {"VNM SINGLE as text", "WF", {"DIM F AS SINGLE", "F = 2.5", "PRINT F"}, "2.5\n\n\n"},
    {"VNM STRING variable", "WF", {"DIM S AS STRING * 8", "S = \"OK\"", "PRINT \"<\", S, \">\""}, "<OK>\n\n\n"},
    {"VNM FLOAT", "WF", {"DIM F AS SINGLE", "F = 3.14159", "PRINT FLOAT(F, 5, 2)"}, " 3.14\n\n\n"},
    {"LOCATE beyond the display is clamped", "KF", {"LOCATE 30, 9", "PRINT \"Z\""}, "\n\n\n                   Z"},
    {"LCDINIT clears", "KF", {"PRINT \"Q\"", "LCDINIT"}, "\n\n\n"},
};

class DisplayText : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayText, ShowsWhatThePrintsWrote) {
  const DisplayCase& k = GetParam();
  SCOPED_TRACE(k.what);
  const Machine m = RunToEnd(k.device, k.lines);
  EXPECT_EQ(m.vm->io().display().Text(), k.text);
}

INSTANTIATE_TEST_SUITE_P(Programs, DisplayText, ::testing::ValuesIn(kDisplay));

TEST(Display, CursorSwitchesAndEvents) {
  const Machine m = RunToEnd("KF", {"CSRON", "PRINT \"AB\"", "CSROFF", "CLS"});
  const auto& ev = m.vm->io().events();
  ASSERT_EQ(ev.size(), 4u);
  EXPECT_EQ(ev[0].kind, IoEventKind::kDisplayCursor);
  EXPECT_EQ(ev[0].value, 1);
  EXPECT_EQ(ev[1].kind, IoEventKind::kDisplayText);
  EXPECT_EQ(ev[1].text, "AB");
  EXPECT_EQ(ev[1].port, 0);  // row
  EXPECT_EQ(ev[2].value, 0);
  EXPECT_EQ(ev[3].kind, IoEventKind::kDisplayClear);
  EXPECT_FALSE(m.vm->io().display().cursor_visible());
}

struct PortCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  std::vector<std::pair<int, int>> levels;  // (port, output level) at the end
};

const PortCase kPorts[] = {
    {"HIGH and LOW", "KF", {"HIGH 5", "LOW 6", "HIGH 7", "LOW 7"}, {{5, 1}, {6, 0}, {7, 0}}},
    {"OUT with a value", "KF", {"DIM A AS BYTE, B AS BYTE", "A = 3", "OUT 9, A", "OUT 10, B"}, {{9, 1}, {10, 0}}},
    {"TOGGLE twice and once", "WF", {"TOGGLE 1", "TOGGLE 1", "TOGGLE 2"}, {{1, 0}, {2, 1}}},
    {"BYTEOUT drives a block of eight", "KF", {"BYTEOUT 1, &HA5"}, {{8, 1}, {9, 0}, {10, 1}, {13, 1}, {14, 0}, {15, 1}}},
    {"port in a variable", "KF", {"DIM P AS BYTE", "FOR P = 20 TO 22", "HIGH P", "NEXT"}, {{20, 1}, {21, 1}, {22, 1}}},
};

class Ports : public ::testing::TestWithParam<PortCase> {};

TEST_P(Ports, DriveTheirLevels) {
  const PortCase& k = GetParam();
  SCOPED_TRACE(k.what);
  const Machine m = RunToEnd(k.device, k.lines);
  for (const auto& [port, level] : k.levels) {
    EXPECT_TRUE(m.vm->io().ports().IsOutput(port)) << port;
    EXPECT_EQ(m.vm->io().ports().OutputLevel(port), level) << port;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, Ports, ::testing::ValuesIn(kPorts));

TEST(Ports, ChangesAreLoggedWithTheirTime) {
  const Machine m = RunToEnd("KF", {"HIGH 5", "DELAY 20", "LOW 5", "LOW 5"});
  const auto& ev = m.vm->io().events();
  ASSERT_EQ(ev.size(), 2u);  // the second LOW changes nothing
  EXPECT_EQ(ev[0].kind, IoEventKind::kPortLevel);
  EXPECT_EQ(ev[0].port, 5);
  EXPECT_EQ(ev[0].value, 1);
  EXPECT_EQ(ev[0].time_us, 0u);
  EXPECT_EQ(ev[1].value, 0);
  EXPECT_EQ(ev[1].time_us, 20000u + 2 * 10);
}

TEST(Ports, InputsSetFromOutside) {
  Machine m = Boot("KF", {"DIM A AS BYTE, B AS BYTE, K AS BYTE, C AS INTEGER, D AS BYTE, E AS BYTE, O AS BYTE",
                          "A = IN(2) * 10 + IN(3)", "B = BYTEIN(1)", "K = KEYIN(4, 20)", "C = ADIN(1)", "D = ADKEYIN(0)",
                          "HIGH 6", "O = OUTSTAT(6) + IN(6)", "E = PADIN(2) + COUNT(1)"});
  auto& io = m.vm->io();
  io.ports().SetInput(3, 0);
  for (int p = 8; p < 16; ++p) io.ports().SetInput(p, p == 9 || p == 15 ? 1 : 0);
  io.ports().SetInput(4, 0);  // the key is pressed
  io.sensors().SetAdc(1, 777);
  io.sensors().SetAdKey(0, 3);
  io.sensors().SetKeypad(2, 11);
  io.sensors().SetCounter(1, 5);
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("A"), 10);  // 2 is open (pulled up), 3 is low
  EXPECT_EQ(m.Byte("B"), 0x82);
  EXPECT_EQ(m.Byte("K"), 0);
  EXPECT_EQ(m.Word("C"), 777);
  EXPECT_EQ(m.Byte("D"), 3);
  EXPECT_EQ(m.Byte("O"), 2);
  EXPECT_EQ(m.Byte("E"), 16);
}

struct SerialCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  int port;  // -1: the hardware serial port
  std::string bytes;
};

const SerialCase kSerial[] = {
    {"SEROUT text and bytes", "KF", {"SEROUT 1, 96, 0, 0, [\"OK\", 13, 10]"}, 1, "OK\r\n"},
    {"SEROUT of a variable sends its byte", "KF", {"DIM A AS BYTE", "A = 65", "SEROUT 2, 96, 0, 0, [A, 66]"}, 2, "AB"},
    {"\"+\" separates items", "KF", {"DIM A AS BYTE", "A = 65", "SEROUT 2, 96, 0, 0, [A + 1]"}, 2, "A\x01"},
    {"SEROUT on the VNM series", "WF", {"DIM S AS STRING * 8", "S = \"HI\"", "SEROUT 3, 9600, 1, 0, [S, \"!\"]"}, 3, "HI!"},
    {"PUT on the hardware port", "WF", {"SET RS232 9600", "PUT \"AB\", 67"}, -1, "ABC"},
    {"PUT of a single item", "WF", {"DIM A AS BYTE", "A = 90", "SET RS232 9600", "PUT A"}, -1, "Z"},
    {"DEC in a serial list is text", "KF", {"DIM A AS BYTE", "A = 12", "SEROUT 1, 96, 0, 0, [DEC(A, 3, 0)]"}, 1, " 12"},
};

class SerialOut : public ::testing::TestWithParam<SerialCase> {};

TEST_P(SerialOut, SendsItsBytes) {
  const SerialCase& k = GetParam();
  SCOPED_TRACE(k.what);
  const Machine m = RunToEnd(k.device, k.lines);
  EXPECT_EQ(m.vm->io().serial().Output(k.port), k.bytes);
  EXPECT_EQ(m.vm->io().serial().output(), k.bytes);
}

INSTANTIATE_TEST_SUITE_P(Programs, SerialOut, ::testing::ValuesIn(kSerial));

TEST(SerialOut, ServoIsNotPut) {
  const Machine m = RunToEnd("WF", {"SET RS232 9600", "SERVO 5, 150", "PULSEOUT 6, 20"});
  EXPECT_EQ(m.vm->io().serial().output(), "");
  std::vector<std::pair<int, long>> pulses;
  for (const auto& e : m.vm->io().events())
    if (e.kind == IoEventKind::kPulseOut) pulses.emplace_back(e.port, e.value);
  EXPECT_EQ(pulses, (std::vector<std::pair<int, long>>{{5, 150}, {6, 20}}));
}

TEST(SerialIn, WaitSkipAndCount) {
  Machine m = Boot("KF", {"DIM B(4) AS BYTE, X AS BYTE", "SERIN 1, 96, 0, 100, TOUT, [WAIT(\"OK\"), SKIP(1), B(0) ~ 3]",
                          "GOTO FIN", "TOUT: X = 99", "FIN:"});
  m.vm->io().serial().PushInput("zzOK-123456");
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("X"), 0);
  EXPECT_EQ(m.Byte("B", 0), '1');
  EXPECT_EQ(m.Byte("B", 1), '2');
  EXPECT_EQ(m.Byte("B", 2), '3');
  EXPECT_EQ(m.Byte("B", 3), 0);
  const auto& rest = m.vm->io().serial().input();
  EXPECT_EQ(std::string(rest.begin(), rest.end()), "456");
}

TEST(SerialIn, UntilIntoAString) {
  Machine m = Boot("WF", {"DIM S AS STRING * 10, N AS BYTE", "SERIN 1, 9600, 0, 0, FIN, [UNTIL(13), S]", "N = LEN(S)", "FIN:"});
  m.vm->io().serial().PushInput("HELLO\rNEXT");
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.String("S"), "HELLO");
  EXPECT_EQ(m.Byte("N"), 5);
}

TEST(SerialIn, TimeOutJumpsToTheLabelAfterTheWait) {
  Machine m = Boot("KF", {"DIM A AS BYTE, X AS BYTE", "SERIN 1, 96, 0, 250, TOUT, [A]", "GOTO FIN", "TOUT: X = 1", "FIN:"});
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("X"), 1);
  EXPECT_GE(m.vm->now_us(), 250000u);
}

TEST(SerialIn, WithoutTimeOutItWaitsForInput) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "SERIN 1, 96, 0, 0, TOUT, [A]", "A = A + 1", "TOUT:"});
  Stop s = m.vm->Run(1000);
  ASSERT_EQ(s.reason, StopReason::kWaitingForInput);
  EXPECT_EQ(m.Line(s.pc), 2);
  EXPECT_EQ(m.vm->StepInto().reason, StopReason::kWaitingForInput);
  m.vm->io().serial().PushInput("A");
  s = m.vm->Run(1000);
  EXPECT_EQ(s.reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("A"), 'A' + 1);
}

TEST(SerialIn, ScheduledInputWakesAWaitingProgram) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "SERIN 1, 96, 0, 0, TOUT, [A]", "TOUT:"});
  m.vm->io().Schedule(40000, [](Board& io) { io.serial().PushInput("7"); });
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("A"), '7');
  EXPECT_GE(m.vm->now_us(), 40000u);
}

TEST(SerialIn, GetAndBlen) {
  Machine m = Boot("WF", {"DIM A AS BYTE, B AS BYTE, N AS BYTE, M AS BYTE", "SET RS232 9600", "N = BLEN()", "GET A", "GET B",
                          "M = BLEN()", "BCLR", "GET B, 10, NONE", "A = 0", "NONE: N = N + BLEN()"});
  m.vm->io().serial().PushInput("xyz");
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("A"), 'x');  // the time-out label skipped A = 0
  EXPECT_EQ(m.Byte("B"), 'y');
  EXPECT_EQ(m.Byte("N"), 3);
  EXPECT_EQ(m.Byte("M"), 1);
}

TEST(Bus, BusOutAndSettings) {
  const Machine m = RunToEnd("KF", {"SET VARNOBUS HIGH", "BUSOUT \"AB\", 3"});
  EXPECT_EQ(m.vm->io().bus().output(), std::string("AB\x03"));
  const auto& ev = m.vm->io().events();
  ASSERT_FALSE(ev.empty());
  EXPECT_EQ(ev[0].kind, IoEventKind::kSetting);
  EXPECT_EQ(ev[0].text, "bus");
  EXPECT_EQ(ev[0].value, 1);
}

TEST(Eeprom, VnBytes) {
  const Machine m = RunToEnd("KF", {"DIM A AS BYTE, B AS BYTE", "EEWRITE 10, 99", "A = EEREAD(10)", "B = EEREAD(11)"});
  EXPECT_EQ(m.Byte("A"), 99);
  EXPECT_EQ(m.Byte("B"), 255);  // erased
  EXPECT_EQ(m.vm->io().eeprom().Byte(10), 99);
}

TEST(Eeprom, VnmCounts) {
  const Machine m = RunToEnd("WF", {"DIM W AS INTEGER, L AS LONG, F AS SINGLE, G AS SINGLE", "W = 4660", "EEWRITE 100, W, 2",
                                    "L = EEREAD(100, 2)", "F = 1.5", "EEWRITE 200, F, 4", "L = L + EEREAD(100)"});
  EXPECT_EQ(m.vm->io().eeprom().Byte(100), 0x34);
  EXPECT_EQ(m.vm->io().eeprom().Byte(101), 0x12);
  EXPECT_EQ(m.Long("L"), 4660 + 0x34);
  // The SINGLE's own four bytes, low first: 1.5 is &H3FC00000.
  EXPECT_EQ(m.vm->io().eeprom().Byte(202), 0xC0);
  EXPECT_EQ(m.vm->io().eeprom().Byte(203), 0x3F);
}

struct SoundCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  std::vector<std::pair<int, int>> notes;  // (note code, length code)
};

const SoundCase kSound[] = {
    {"PLAY on the VN series", "KF", {"PLAY 5, \"C4+C8R2\""}, {{119, 16}, {60, 4}, {255, 32}}},
    {"PLAY on the VNM series", "WF", {"PLAY 5, \"-A#1G0\""}, {{134, 48}, {80, 64}}},
    {"BEEP on the VN series", "KF", {"BEEP 3"}, {{18, 2}}},
    {"BEEP on the VNM series", "WF", {"BEEP 3"}, {{18, 2}}},
    {"SOUND on the VN series pairs its operands", "KF", {"DIM A AS BYTE", "A = 100", "SOUND 5, A, 10, 50, 20"}, {{100, 10}, {50, 20}}},
    {"SOUND on the VNM series", "WF", {"SOUND 5, 90, 8"}, {{90, 8}}},
};

class Sound : public ::testing::TestWithParam<SoundCase> {};

TEST_P(Sound, PlaysItsNotesOnTheClock) {
  const SoundCase& k = GetParam();
  SCOPED_TRACE(k.what);
  const Machine m = RunToEnd(k.device, k.lines);
  const auto& notes = m.vm->io().sound().notes();
  std::vector<std::pair<int, int>> seen;
  std::uint64_t total = 0;
  for (const auto& n : notes) {
    seen.emplace_back(n.code, n.length);
    total += n.duration_us;
  }
  EXPECT_EQ(seen, k.notes);
  EXPECT_GE(m.vm->now_us(), total);
}

INSTANTIATE_TEST_SUITE_P(Programs, Sound, ::testing::ValuesIn(kSound));

TEST(Sound, NotesHaveAPitch) {
  const Machine m = RunToEnd("KF", {"PLAY 5, \"A4R4\""});
  const auto& notes = m.vm->io().sound().notes();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_NEAR(notes[0].frequency_hz, 880.3, 0.1);  // code 71
  EXPECT_EQ(notes[0].duration_us, 160000u);
  EXPECT_EQ(notes[1].frequency_hz, 0.0);  // a rest
  EXPECT_EQ(notes[1].time_us, notes[0].time_us + 160000u);
}

TEST(Clock, TimeSetAndTime) {
  Machine m = Boot("WF", {"DIM S AS BYTE, N AS BYTE, H AS BYTE", "TIMESET 2, 23", "TIMESET 1, 59", "TIMESET 0, 58", "DELAY 3000",
                          "S = TIME(0)", "N = TIME(1)", "H = TIME(2)"});
  ASSERT_EQ(m.vm->Run(100).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("S"), 1);
  EXPECT_EQ(m.Byte("N"), 0);
  EXPECT_EQ(m.Byte("H"), 0);
}

TEST(Peripherals, OtherOutputsAreLogged) {
  const Machine m = RunToEnd("WF", {"PWM 9, 100", "PWMOFF 9", "PULSE 4, 3", "DACOUT 5, 10, 100", "SHIFTOUT 1, 2, 1, &H1FF, 8"});
  const auto& ev = m.vm->io().events();
  ASSERT_EQ(ev.size(), 5u);
  EXPECT_EQ(ev[0].kind, IoEventKind::kPwm);
  EXPECT_EQ(ev[0].value, 100);
  EXPECT_EQ(ev[0].extra, 255);
  EXPECT_EQ(ev[1].kind, IoEventKind::kPwmOff);
  EXPECT_EQ(ev[2].kind, IoEventKind::kPulse);
  EXPECT_EQ(ev[2].value, 3);
  EXPECT_EQ(ev[3].kind, IoEventKind::kDacOut);
  EXPECT_EQ(ev[3].extra, 100);
  EXPECT_EQ(ev[4].kind, IoEventKind::kShiftOut);
  EXPECT_EQ(ev[4].value, 0xFF);  // eight bits of &H1FF
  EXPECT_EQ(ev[4].extra, 2);
}

TEST(Peripherals, ListenerSeesEveryEvent) {
  Machine m = Boot("KF", {"HIGH 1", "PRINT \"X\"", "SEROUT 1, 96, 0, 0, [\"Y\"]"});
  std::vector<IoEventKind> kinds;
  m.vm->io().SetListener([&kinds](const IoEvent& e) { kinds.push_back(e.kind); });
  ASSERT_EQ(m.vm->Run(100).reason, StopReason::kEnd);
  EXPECT_EQ(kinds, (std::vector<IoEventKind>{IoEventKind::kPortLevel, IoEventKind::kDisplayText, IoEventKind::kSerialOut}));
}

}  // namespace
}  // namespace vn::sim::testing
