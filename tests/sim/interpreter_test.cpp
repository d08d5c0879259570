// The interpreter runs compiled BASIC: one table of programs, each with the inputs set before
// (or, with @US:, during) the run and what must hold when it stops; then the stops a debugger
// sees, the faults, and code that no compile produces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "isa/isa.h"
#include "sim/board.h"
#include "sim/peripherals/registry.h"
#include "sim_support.h"

namespace vn::sim::testing {
namespace {

// An input item: [@US:]KEY:TARGET=VALUE, [@US:]serial:TEXT, or time:US for a run that stops there.
void Apply(Interpreter& vm, const std::string& item, std::uint64_t& until_us) {
  const size_t from = item[0] == '@' ? item.find(':') + 1 : 0, colon = item.find(':', from);
  const std::string key = item.substr(from, colon - from), arg = item.substr(colon + 1);
  if (key == "time") {
    until_us = std::stoull(arg);
    return;
  }
  const InputLookup found = FindInputKind(key);
  ASSERT_NE(found.kind, nullptr) << item;
  const std::string owner = found.owner->name;
  std::function<void(Board&)> apply = [=, kind = found.kind](Board& b) {
    const size_t eq = arg.find('=');
    if (kind->push != nullptr) EXPECT_TRUE(kind->push(*b.Find(owner), arg)) << item;
    else kind->set(*b.Find(owner), std::stoull(arg.substr(0, eq)), eq == std::string::npos ? 0 : std::stoull(arg.substr(eq + 1)));
  };
  if (from > 0) vm.io().Schedule(std::stoull(item.substr(1)), apply);
  else apply(vm.io());
}

// Items KEY=VALUE (>= and < for bounds): a variable by its declared type (NAME@K: its byte K),
// lcd, out (outN: serial port N), bus, pN (port N drives), eN (EEPROM byte), notes (code/length),
// ev (the events), us (the clock), depth (calls open), stop (its reason; else the end), steps.
void Check(const Machine& m, const Stop& s, const std::string& expect) {
  bool stop_named = false;
  Board& io = m.vm->io();
  for (const std::string& item : Split(expect, ';')) {
    SCOPED_TRACE(item);
    const size_t at = item.find_first_of("=<>");
    const std::string key = item.substr(0, at), want = item.substr(at + 1);
    const int n = key.find_first_of("0123456789") == std::string::npos ? 0 : std::stoi(key.substr(key.find_first_of("-0123456789")));
    const compiler::VarEntry* v = nullptr;
    std::string got;
    double number = 0;
    if (key == "lcd") got = io.display().Text();
    else if (key.rfind("out", 0) == 0) got = key == "out" ? io.serial().output() : io.serial().Output(n);
    else if (key == "bus") got = io.bus().output();
    else if (key == "notes") {
      for (const auto& k : io.sound().notes()) got += (got.empty() ? "" : ",") + std::to_string(k.code) + "/" + std::to_string(k.length);
      EXPECT_GE(io.now_us, io.sound().notes().empty() ? 0 : io.sound().notes().back().time_us + io.sound().notes().back().duration_us);
    } else if (key == "ev") {
      for (const IoEvent& e : io.events())
        got += (got.empty() ? "" : " ") + std::string(IoEventKindName(e.kind)) + "/" + std::to_string(e.port) + "/" +
               std::to_string(e.value) + "/" + std::to_string(e.extra) + "/" + e.text + "@" + std::to_string(e.time_us);
    } else if (key == "stop") stop_named = true, got = StopReasonName(s.reason);
    else if (std::isupper(key[0]) && key.find('@') == std::string::npos && (v = m.Find(key)) != nullptr &&
             v->VarType == compiler::kStringVar) got = m.String(key);
    else {
      EXPECT_TRUE(key[0] != 'p' || io.ports().IsOutput(n)) << "port " << n << " does not drive";
      number = key == "steps" ? static_cast<double>(s.steps) : key == "us" ? static_cast<double>(io.now_us)
             : key == "depth" ? m.vm->call_depth() : key[0] == 'p' ? io.ports().OutputLevel(n) : key[0] == 'e' ? io.eeprom().Byte(n)
             : key.find('@') != std::string::npos ? m.Byte(key.substr(0, key.find('@')), n)
             : v == nullptr ? std::nan("") : v->VarType == compiler::kSingleVar ? m.Single(key) : static_cast<double>(m.Var(key));
      const double w = std::stod(want);
      if (item[at] == '>') EXPECT_GE(number, w);
      else if (item[at] == '<') EXPECT_LT(number, w);
      else EXPECT_NEAR(number, w, 1e-5 * std::max(1.0, std::fabs(w)));
      continue;
    }
    EXPECT_EQ(got, want);
  }
  EXPECT_TRUE(stop_named || s.reason == StopReason::kEnd) << StopReasonName(s.reason) << " " << s.fault.message;
}

struct Program {
  const char* device;
  const char* source;  // lines cut at '|'
  const char* expect;
  const char* inputs = "";
};

const Program kPrograms[] = {
    {"KF", "DIM I AS BYTE, S AS INTEGER, N AS INTEGER, M AS BYTE|FOR I = 5 TO 1|M = M + 1|NEXT|FOR I = 0 TO 255|N = N + 1|NEXT I|"
           "FOR I = 1 TO 10|S = S + I|NEXT", "M=0;N=256;S=55;I=11"},
    // VNM: the body runs before the first test.
    {"WF", "DIM I AS BYTE, S AS INTEGER, N AS BYTE, P AS INTEGER, J AS INTEGER, T AS INTEGER, D AS INTEGER|FOR I = 1 TO 10 STEP 3|S = S + I|NEXT|"
           "FOR I = 5 TO 1|N = N + 1|NEXT|FOR I = 250 TO 255|P = P + 1|NEXT|FOR J = 10 TO 1 STEP -2|D = J / 2|T = T * 10 + D|NEXT",
     "S=22;N=1;P=6;T=54321"},
    {"KF", "DIM A AS INTEGER|GOSUB ONE|A = A * 10 + 9|GOTO FIN|ONE:|A = A * 10 + 1|GOSUB TWO|A = A * 10 + 3|RETURN|TWO:|"
           "A = A * 10 + 2|RETURN|FIN:", "A=1239;depth=0"},
    {"KF", "DIM K AS BYTE, R AS BYTE, Q AS BYTE|K = 2|ON K GOTO L0, L1, L2|R = 99|L0: R = R + 10|L1: R = R + 11|L2: R = R + 12|"
           "K = 3|ON K GOTO M0, M1|Q = 9|M0: Q = Q + 1|M1: Q = Q + 1", "R=12;Q=11"},
    {"WF", "DIM K AS BYTE, R AS BYTE|K = 1|ON K GOSUB S0, S1|R = R + 100|GOTO FIN|S0: R = 10|RETURN|S1: R = 11|RETURN|FIN:", "R=111"},
    {"KF", "DIM A AS BYTE, R AS INTEGER, B AS BYTE, C AS BYTE|FOR A = 1 TO 5|IF A > 4 THEN|R = R * 10 + 1|ELSEIF A > 2 THEN|"
           "R = R * 10 + 2|ELSE|R = R * 10 + 3|END IF|NEXT|B = 7|IF B <> 7 THEN C = 1 ELSE C = 2", "R=33221;C=2"},
    // (A = 1 OR C = 1) AND C = 1: left to right.
    {"KF", "DIM A AS BYTE, B AS BYTE, C AS BYTE, R AS BYTE|A = 1|B = 2|IF A = 1 AND B = 2 THEN R = R + 1|"
           "IF A = 0 OR B = 2 THEN R = R + 2|IF A = 1 OR C = 1 AND C = 1 THEN R = R + 4", "R=3"},
    {"KF", "DIM A AS BYTE, R AS BYTE|A = 5|IF A < 6 THEN R = R + 1|IF A <= 5 THEN R = R + 2|IF A >= 5 THEN R = R + 4|"
           "IF A > 4 THEN R = R + 8|IF A <> 4 THEN R = R + 16|IF A = 5 THEN R = R + 32|IF A < 5 THEN R = R + 64", "R=63"},
    // INTEGER compares unsigned, LONG signed.
    {"KF", "DIM I AS INTEGER, R AS BYTE|I = -1|IF I > 1000 THEN R = 1|IF IN(3) = 1 THEN R = R + 2", "R=3"},
    {"WF", "DIM L AS LONG, S AS STRING * 8, R AS BYTE|L = -1|IF L < 0 THEN R = 4|S = \"ABC\"|IF S = \"ABC\" THEN R = R + 1|"
           "IF S < \"ABD\" THEN R = R + 2", "R=7"},
    {"KF", "DELAY 250|DELAY 750", "us=1000030"},  // two delays and three instructions of 10 us
    {"KF", "DIM A AS BYTE|A = EEREAD(0) + 1|EEWRITE 0, A|IF A < 3 THEN RESET", "e0=3;A=3"},  // EEPROM survives RESET
    {"KF", "DIM N AS BYTE, M AS BYTE|ON INT(3)=0 GOSUB HIT|IDLE: M = M + 1|IF M < 200 THEN GOTO IDLE|GOTO FIN|HIT: N = N + 1|"
           "RETURN|FIN:", "N=2;M=200;depth=0", "@500:port:3=0;@1500:port:3=1;@2500:port:3=0"},
    {"WF", "DIM N AS BYTE, M AS BYTE|ON INT(1) GOSUB HIT|IDLE: M = M + 1|IF M = 100 THEN SET ONINT OFF|IF M < 200 THEN GOTO IDLE|"
           "GOTO FIN|HIT: N = N + 1|RETURN|FIN:", "N=1", "@300:int:1;@600:int:0;@9000:int:1"},
    {"WF", "DIM N AS BYTE|ON TIMER(1) GOSUB TICK|IDLE: GOTO IDLE|TICK: N = N + 1|RETURN", "stop=time limit;N=3;steps<100", "time:3500000"},  // idling costs no instructions
    {"WF", "DIM N AS BYTE|ON TIMER(0) GOSUB TICK|IDLE: GOTO IDLE|TICK: N = N + 1|IF N = 4 THEN SET ONTIMER OFF|RETURN",
     "N=4;us>2000000;us<2100000", "time:10000000"},
    {"WF", "DIM N AS BYTE, B(4) AS BYTE, C AS BYTE|SET RS232 9600|ON RECV GOSUB RX|IDLE: GOTO IDLE|RX: GET C|B(N) = C|N = N + 1|RETURN",
     "N=3;B@0=88;B@1=89;B@2=90", "@1000:serial:XYZ"},
    {"KF", "DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE, E AS BYTE, F AS BYTE, G AS BYTE|B = 2|C = 3|D = 4|A = B + C * D|"
           "E = B * C + D|F = (B + C) * D|G = 100 - 10 / 3", "A=14;E=10;F=20;G=97"},
    {"KF", "DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE, E AS BYTE, F AS BYTE, G AS BYTE|A = 17 / 5|B = 17 MOD 5|C = 1 << 4|"
           "D = &HF0 AND &H3C|E = &H0F OR &H30 XOR &H03|F = 200 >> 3|G = 200|G = G + 100", "A=3;B=2;C=16;D=48;E=60;F=25;G=44"},
    {"KF", "DIM I AS INTEGER, J AS INTEGER, A AS BYTE, K AS INTEGER|I = 65535|I = I + 1|J = -1|A = 250|K = A * 4 + 3", "I=0;J=65535;K=1003"},
    {"KF", "DIM W AS INTEGER, A AS BYTE, V AS INTEGER|W = &H1234|A = W.H|V = W|V.L = 0", "A=18;V=4608"},
    {"KF", "DIM B AS BYTE, C AS BYTE, D AS BYTE, W AS INTEGER|B = 1|B.3 = 1|C = 255|C.7 = 0|D = B.3 + B.2|W.11 = 1", "B=9;C=127;D=1;W=2048"},
    {"KF", "CONST BYTE SCALE = (0, 10, 20, 30)|DIM T(5) AS BYTE, I AS BYTE, A AS BYTE, B AS BYTE, W AS INTEGER|I = 2|T(I) = 7|"
           "A = T(2) + T(I)|W = TABLE(I, 10, 20, 300)|I = 3|B = SCALE(I) + 1", "A=14;B=31;W=300"},
    {"WF", "CONST INTEGER W = (5, 300, 65535)|CONST LONG X = (-7, 100000)|CONST SINGLE GAIN = (1.25, 2.5, 5.0)|"
           "DIM I AS BYTE, N AS INTEGER, L AS LONG, F AS SINGLE|I = 1|N = W(I) * 2|L = X(0) * X(1)|F = GAIN(I) * 3", "N=600;L=-700000;F=7.5"},
    // Integers divide as integers.
    {"WF", "DIM F AS SINGLE, G AS SINGLE, H AS SINGLE, E AS SINGLE, I AS INTEGER|F = 1.5|G = F * 2.5|H = 7.0|H = H / 2|I = 7|"
           "E = I / 2", "G=3.75;H=3.5;E=3"},
    {"WF", "DIM F AS SINGLE, I AS INTEGER, J AS INTEGER, G AS SINGLE, K AS INTEGER|F = 3.75|I = F|J = CINT(F)|K = 9|"
           "G = CSNG(K) / 4", "I=3;J=4;G=2.25"},
    {"WF", "DIM F AS SINGLE, G AS SINGLE, H AS SINGLE|F = SQR(2.25)|G = POW(1.5, 2)|H = SIN(0.5)", "F=1.5;G=2.25;H=0.4794255"},
    {"WF", "DIM L AS LONG, M AS LONG, N AS LONG|L = 100000 * 3 - 7|M = -5 - 3|N = -1|N:31 = 0", "L=299993;M=-8;N=2147483647"},
    {"WF", "DIM N(5) AS INTEGER, I AS BYTE, W AS INTEGER, F(3) AS SINGLE, G AS SINGLE|I = 3|N(I) = 500|W = N(3) + 1|F(2) = 0.5|"
           "G = F(2) + F(2)", "W=501;G=1"},
    {"WF", "DIM S AS STRING * 10, T AS STRING * 4, U AS STRING * 10, V AS STRING * 10, W AS STRING * 10, X AS STRING * 10, "
           "N AS BYTE|S = \"HELLO\"|T = \"HELLO\"|U = S + \"CD\"|V = LEFT(S, 3)|W = RIGHT(S, 2)|X = MID(S, 2, 3)|N = LEN(S)",
     "S=HELLO;T=HELL;U=HELLOCD;V=HEL;W=LO;X=ELL;N=5"},
    {"WF", "DIM S AS STRING * 10, N AS INTEGER, M AS INTEGER, F AS SINGLE|S = \"1234X\"|N = VAL(S) + 1|S = \"1F\"|M = VALHEX(S)|"
           "S = \"2.5\"|F = VALSNG(S) * 2", "N=1235;M=31;F=5"},
    {"WF", "DIM S AS STRING * 10, N AS INTEGER, C AS STRING * 4, M AS BYTE|N = 4711|S = N|C = CHR(65)|M = ASC(C) + 1", "S=4711;M=66"},
    {"WF", "DIM S AS STRING * 10, T AS STRING * 10, U AS STRING * 12, F AS SINGLE|S = DEC(42, 5, 1)|T = HEX(255, 4, 0)|F = 2.5|"
           "U = FLOAT(F, 6, 2)", "S=00042;T=  FF;U=  2.50"},
    {"KF", "DIM A AS BYTE, B AS BYTE|A = BCD(45)|POKE 200, 77|B = PEEK(200)", "A=69;B=77"},
    {"WF", "DIM A AS BYTE, S AS STRING * 20|A = PEEK(1)", "A=20"},  // a STRING starts with its size
    {"KF", "DIM A AS BYTE|A = 42|PRINT \"A=\", A; \"!\"", "lcd=A=42!\n\n\n"},
    {"KF", "LOCATE 3, 1|PRINT \"AB\"", "lcd=\n   AB\n\n"},
    {"KF", "PRINT \"XXXX\"|CLS|PRINT \"Y\"", "lcd=Y\n\n\n"},
    {"KF", "PRINT \"ABCDEFGHIJKLMNOPQRSTUV\"", "lcd=ABCDEFGHIJKLMNOPQRST\nUV\n\n"},
    {"KF", "DIM A AS BYTE|A = 42|PRINT DEC(A, 4, 1), HEX(A, 2, 1)|A = 7|PRINT DEC(A)", "lcd=00422A00007\n\n\n"},
    {"KF", "DIM I AS INTEGER|I = -2|PRINT HEX(I), \" \", I", "lcd=FFFE 65534\n\n\n"},
    {"WF", "DIM F AS SINGLE, S AS STRING * 8|F = 2.5|S = \"OK\"|PRINT F, \"<\", S, \">\"|F = 3.14159|PRINT FLOAT(F, 5, 2)", "lcd=2.5<OK> 3.14\n\n\n"},
    {"KF", "LOCATE 30, 9|PRINT \"Z\"", "lcd=\n\n\n                   Z"},
    {"KF", "PRINT \"Q\"|LCDINIT", "lcd=\n\n\n"},
    {"KF", "CSRON|PRINT \"AB\"|CSROFF|CLS", "ev=cursor/0/1/0/@0 display/0/0/0/AB@10 cursor/0/0/0/@20 cls/0/0/0/@30"},
    {"KF", "DIM A AS BYTE, B AS BYTE, P AS BYTE|A = 3|HIGH 5|LOW 6|HIGH 7|LOW 7|BYTEOUT 1, &HA5|OUT 9, A|OUT 10, B|"
           "FOR P = 20 TO 22|HIGH P|NEXT", "p5=1;p6=0;p7=0;p9=1;p10=0;p8=1;p11=0;p13=1;p14=0;p15=1;p20=1;p21=1;p22=1"},
    {"KF", "HIGH 5|DELAY 20|LOW 5|LOW 5", "ev=port/5/1/0/@0 port/5/0/0/@20020"},  // the second LOW changes nothing
    {"KF", "DIM A AS BYTE, B AS BYTE, K AS BYTE, C AS INTEGER, D AS BYTE, E AS BYTE, O AS BYTE|A = IN(2) * 10 + IN(3)|B = BYTEIN(1)|"
           "K = KEYIN(4, 20)|C = ADIN(1)|D = ADKEYIN(0)|HIGH 6|O = OUTSTAT(6) + IN(6)|E = PADIN(0) + COUNT(1)", "A=10;B=130;K=0;C=777;D=3;O=2;E=16",
     "port:3=0;port:8=0;port:9=1;port:10=0;port:11=0;port:12=0;port:13=0;port:14=0;port:15=1;port:4=0;adc:1=777;adkey:0=3;keypad:0=11;count:1=5"},
    {"KF", "DIM A AS BYTE, B AS BYTE|A = KEYDELAY(KEYIN(3), 1, 10, 20)|B = EPADIN(7, 2)", "A=1;B=9", "keypad:7=9"},
    {"KF", "DIM A AS BYTE|A = 12|SEROUT 1, 96, 0, 0, [\"OK\", 13, 10]|SEROUT 1, 96, 0, 0, [DEC(A, 3, 0)]", "out1=OK\r\n 12;out=OK\r\n 12"},
    {"KF", "DIM A AS BYTE|A = 65|SEROUT 2, 96, 0, 0, [A, 66]|SEROUT 2, 96, 0, 0, [A + 1]", "out2=ABA\x01"},  // "+" separates items
    {"WF", "DIM S AS STRING * 8|S = \"HI\"|SEROUT 3, 9600, 1, 0, [S, \"!\"]", "out3=HI!"},
    {"WF", "DIM A AS BYTE|A = 90|SET RS232 9600|PUT \"AB\", 67|PUT A", "out-1=ABCZ;out=ABCZ"},
    {"WF", "SET RS232 9600|SERVO 5, 150|PULSEOUT 6, 20", "out=;ev=set/0/2/0/rs232@0 pulseout/5/150/0/@10 pulseout/6/20/0/@1520"},
    {"KF", "DIM B(4) AS BYTE, X AS BYTE|SERIN 1, 96, 0, 100, TOUT, [WAIT(\"OK\"), SKIP(1), B(0) ~ 3]|GOTO FIN|TOUT: X = 99|FIN:",
     "X=0;B@0=49;B@1=50;B@2=51;B@3=0", "serial:zzOK-123456"},
    {"WF", "DIM S AS STRING * 10, N AS BYTE|SERIN 1, 9600, 0, 0, FIN, [UNTIL(13), S]|N = LEN(S)|FIN:", "S=HELLO;N=5", "serial:HELLO\rNEXT"},
    {"KF", "DIM A AS BYTE, X AS BYTE|SERIN 1, 96, 0, 250, TOUT, [A]|GOTO FIN|TOUT: X = 1|FIN:", "X=1;us>250000"},
    {"WF", "DIM A AS BYTE, B AS BYTE, N AS BYTE, M AS BYTE|SET RS232 9600|N = BLEN()|GET A|GET B|M = BLEN()|BCLR|GET B, 10, NONE|"
           "A = 0|NONE: N = N + BLEN()", "A=120;B=121;N=3;M=1", "serial:xyz"},  // the time-out label skipped A = 0
    {"KF", "SET VARNOBUS HIGH|BUSOUT \"AB\", 3", "bus=AB\x03;ev=set/0/1/0/bus@0 bus/0/3/0/AB\x03@10"},
    {"KF", "DIM A AS BYTE, B AS BYTE|EEWRITE 10, 99|A = EEREAD(10)|B = EEREAD(11)", "A=99;B=255;e10=99;ev=eeprom/10/99/0/@0"},  // erased: 255
    // 1.5 is &H3FC00000, low byte first; the last four bytes of the EEPROM read as one.
    {"WF", "DIM W AS INTEGER, L AS LONG, F AS SINGLE, E AS LONG|W = 4660|EEWRITE 100, W, 2|L = EEREAD(100, 2)|F = 1.5|"
           "EEWRITE 200, F, 4|L = L + EEREAD(100)|EEWRITE 65532, L, 4|E = EEREAD(65532, 4)", "e100=52;e101=18;L=4712;e202=192;e203=63;E=4712"},
    {"KF", "PLAY 5, \"C4+C8R2\"", "notes=119/16,60/4,255/32"},
    {"WF", "PLAY 5, \"-A#1G0\"", "notes=134/48,80/64"},
    {"KF", "DIM A AS BYTE|A = 100|BEEP 3|SOUND 5, A, 10, 50, 20", "notes=18/2,100/10,50/20"},
    {"WF", "DIM S AS BYTE, N AS BYTE, H AS BYTE|TIMESET 2, 23|TIMESET 1, 59|TIMESET 0, 58|DELAY 3000|S = TIME(0)|N = TIME(1)|"
           "H = TIME(2)", "S=1;N=0;H=0"},
    {"WF", "PWM 9, 100|PWMOFF 9|PULSE 4, 3|DACOUT 5, 10, 100|SHIFTOUT 1, 2, 1, &H1FF, 8",
     "ev=pwm/9/100/255/@0 pwmoff/9/0/0/@10 pulse/4/3/0/@20 dacout/5/10/100/@30 shiftout/1/255/2/bits=8 mode=1@40"},
};

class Programs : public ::testing::TestWithParam<Program> {};

TEST_P(Programs, StopWithTheExpectedState) {
  const Program& p = GetParam();
  SCOPED_TRACE(p.source);
  Machine m = Boot(p.device, Split(p.source, '|'));
  std::uint64_t until = Interpreter::kNoLimit;
  for (const std::string& item : Split(p.inputs, ';')) Apply(*m.vm, item, until);
  Check(m, m.vm->Run(1000000, until), p.expect);
}

INSTANTIATE_TEST_SUITE_P(Table, Programs, ::testing::ValuesIn(kPrograms));

// An output list gives its first 4096 bytes, however many its items make.
TEST(Programs, AnOutputListEndsAtItsLimit) {
  std::string items = "A";
  for (int k = 1; k < 4097; ++k) items += ", A";
  Machine m = Boot("WF", {"DIM A AS BYTE", "A = 66", "SEROUT 1, 9600, 0, 0, [" + items + "]"});
  ASSERT_EQ(m.vm->Run(100).reason, StopReason::kEnd);
  EXPECT_EQ(m.vm->io().serial().Output(1), std::string(4096, 'B'));
}

// A debugger's commands, one word each: iN Step Into, vN Step Over, oN Step Out, rN Run, RN Reset,
// each followed by the line it must stop on (N may be left out); lN the line now; tUS the clock
// moved on; NAME=V a variable (or depth) at that point.
struct Script {
  const char* device;
  const char* source;
  const char* script;
  const char* expect;  // after the last command, as in the table above
};

const char kLoopAndIf[] = "DIM I AS BYTE, S AS BYTE|FOR I = 1 TO 2|  S = S + I|NEXT|IF S = 3 THEN|  S = 10|ELSE|  S = 20|END IF|S = S + 1";
const char kNested[] = "DIM A AS BYTE, B AS BYTE, C AS BYTE|A = 1|GOSUB ADD2|B = A|GOTO DONE|ADD2:|  A = A + 1|  GOSUB ADD1|"
                       "  A = A + 1|  RETURN|ADD1:|  C = C + 1|  RETURN|DONE:|C = C + 10";

const Script kScripts[] = {
    // VN: the FOR sets the variable and tests on the same line; NEXT counts and goes back to the test.
    {"KF", kLoopAndIf, "l2 i2 i3 i4 i2 i3 i4 i2 i5 i6 i7 i10 i11 i11", "I=3;S=11"},
    // VNM: the FOR goes straight into the body; NEXT jumps to the test, which counts.
    {"WF", kLoopAndIf, "l2 i3 i4 i2 i3 i4 i2 i5 i6 i7 i10 i11 i11", "S=11"},
    {"KF", "DIM A AS BYTE|IF A = 1 THEN|A = 2|ELSEIF A = 0 THEN|A = 3|ELSE|A = 4|END IF|A = A + 1", "l2 i4 i5 i6 i9 i10 i10", "A=4"},
    // Over a call the whole call runs: GOSUB, A = A + 1, GOSUB, C = C + 1, RETURN, A = A + 1, RETURN.
    {"KF WF", kNested, "v3 v4", "stop=step;steps=7;A=3;C=1;depth=0"},
    // Out of the inner call, out of the outer one, then nothing to return from: to the end.
    {"KF WF", kNested, "i3 i7 i8 i12 depth=2 o9 depth=1 C=1 A=2 o4 depth=0 A=3 o", "C=11"},
    {"KF WF", kNested, "i3 i7 i8 o9", "stop=step;depth=1"},  // Step Out on a GOSUB runs that call only
    {"WF", "DIM K AS BYTE, R AS BYTE|K = 1|ON K GOSUB S0, S1|R = R + 1|GOTO FIN|S0: R = 10|RETURN|S1: R = 20|RETURN|FIN:", "i3 v4", "stop=step;R=20"},
    {"KF", "DIM A AS BYTE|GOSUB SPIN|SPIN: A = A + 1|GOTO SPIN", "i depth=1 o", "stop=step limit;steps=1000"},
    {"KF", "DIM A AS BYTE|GOSUB SUB|A = A + 100|GOTO FIN|SUB: A = 1|BREAK|A = 2|RETURN|FIN:", "r7 A=1 o3 A=2 r", "A=102"},
    // A handler that is due is entered as a step of its own, nothing of it run yet.
    {"WF", "DIM N AS BYTE, M AS BYTE|ON TIMER(0) GOSUB TICK|IDLE: M = M + 1|GOTO IDLE|TICK: N = N + 1|RETURN",
     "i3 t600000 i5 depth=1 N=0 i6 N=1 o3", "stop=step;N=1;M=0"},
    {"KF", "DIM A AS BYTE|A = A + 5|BREAK|A = A + 1", "r4 A=5 R2 A=0 r4", "stop=BREAK in the program;A=5"},
};

class Scripts : public ::testing::TestWithParam<Script> {};

TEST_P(Scripts, StopOnTheLinesTheDebuggerShows) {
  const Script& k = GetParam();
  for (const std::string& device : Split(k.device, ' ')) {
    SCOPED_TRACE(device + " " + k.source + " / " + k.script);
    Machine m = Boot(device, Split(k.source, '|'));
    Stop s{};
    for (const std::string& w : Split(k.script, ' ')) {
      SCOPED_TRACE(w);
      if (const size_t eq = w.find('='); eq != std::string::npos) {
        EXPECT_EQ(w[0] == 'd' ? m.vm->call_depth() : m.Var(w.substr(0, eq)), std::stol(w.substr(eq + 1)));
        continue;
      }
      switch (w[0]) {
        case 'i': s = m.vm->StepInto(); break;
        case 'v': s = m.vm->StepOver(1000); break;
        case 'o': s = m.vm->StepOut(1000); break;
        case 'r': s = m.vm->Run(1000); break;
        case 'R': m.vm->Reset(); break;
        case 't': m.vm->io().now_us += std::stoull(w.substr(1)); continue;
      }
      EXPECT_TRUE(w[0] == 'l' || w[0] == 'R' || (s.reason != StopReason::kFault && s.pc == m.vm->pc())) << s.fault.message;
      EXPECT_TRUE(w.size() < 2 || m.Line() == std::stoi(w.substr(1))) << "stopped on line " << m.Line();
    }
    Check(m, s, k.expect);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Scripts, ::testing::ValuesIn(kScripts));

TEST(Stops, BreakRequestAndWaitingForInput) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "TOP: A = A + 1", "GOTO TOP"});
  m.vm->Run(27);
  m.vm->RequestBreak();
  Stop s = m.vm->Run(100);
  EXPECT_EQ(std::make_tuple(s.reason, s.steps, m.Line(s.pc)), std::make_tuple(StopReason::kBreakRequest, std::uint64_t{0}, 3));
  EXPECT_EQ(m.vm->Run(1).reason, StopReason::kStepLimit);  // the request is used up
  const std::uint8_t two[] = {1, 2};
  EXPECT_FALSE(m.vm->WriteRam(255, two));  // past the RAM: nothing written
  EXPECT_EQ(m.vm->RamByte(255), 0);
  m = Boot("KF", {"DIM A AS BYTE", "SERIN 1, 96, 0, 0, TOUT, [A]", "A = A + 1", "TOUT:"});
  s = m.vm->Run(1000);
  EXPECT_EQ(std::make_pair(s.reason, m.Line(s.pc)), std::make_pair(StopReason::kWaitingForInput, 2));
  EXPECT_EQ(m.vm->StepInto().reason, StopReason::kWaitingForInput);
  m.vm->io().serial().PushInput("A");
  EXPECT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("A"), 'A' + 1);
}

// A limit inside a wait stops the run there; the rest of the wait is served in the next call
// (the module behind a cable runs in such slices), and a restart forgets it.
TEST(Stops, AWaitCutByTheTimeLimitEndsOnTimeInTheNextCall) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "DELAY 10", "A = 1", "DELAY 10", "A = 2"});
  EXPECT_EQ(m.vm->Run(1000, 5000).reason, StopReason::kTimeLimit);
  EXPECT_EQ(m.vm->now_us(), 5000u);
  const Stop s = m.vm->Run(1000, 9000);
  EXPECT_EQ(std::make_tuple(s.reason, s.steps, m.Var("A")), std::make_tuple(StopReason::kTimeLimit, std::uint64_t{0}, 0L));
  EXPECT_EQ(m.vm->Run(1000, 10'020).reason, StopReason::kTimeLimit);  // the DELAY ends at 10.010 ms
  EXPECT_EQ(std::make_pair(m.Var("A"), m.vm->now_us()), std::make_pair(1L, std::uint64_t{10'020}));
  m.vm->StepInto();  // the second DELAY, whole
  EXPECT_EQ(m.vm->now_us(), 20'030u);
  EXPECT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.vm->now_us(), 20'050u);
  m = Boot("KF", {"DIM A AS BYTE", "A = A + 1", "DELAY 1000"});
  EXPECT_EQ(m.vm->Run(1000, 500).reason, StopReason::kTimeLimit);
  m.vm->Reset();
  EXPECT_EQ(m.vm->Run(1, 600).reason, StopReason::kStepLimit);
  EXPECT_EQ(std::make_pair(m.Var("A"), m.vm->now_us()), std::make_pair(1L, std::uint64_t{510}));
}

TEST(Faults, StopWithAReportOnTheFailingLineUntilReset) {
  const std::tuple<const char*, const char*, FaultKind, int> cases[] = {  // device, source, fault, its line
      {"KF", "DIM A AS BYTE|DEEP: A = A + 1|GOSUB DEEP", FaultKind::kCallStackOverflow, 3},
      {"KF", "DIM A AS BYTE|A = 1|RETURN", FaultKind::kReturnWithoutGosub, 3},
      {"KF", "DIM A AS BYTE, B AS BYTE|A = 5 / B", FaultKind::kDivisionByZero, 2},
      {"WF", "DIM A AS LONG, B AS LONG|A = 5|A = A MOD B", FaultKind::kDivisionByZero, 3},
      {"WF", "DIM T(4) AS LONG, I AS INTEGER|I = 9000|T(I) = 1", FaultKind::kRamAddress, 3},
      {"KF", "DIM P AS BYTE|P = 70|HIGH P", FaultKind::kPortNumber, 3},
      {"WF", "DIM L AS LONG|L = 70000|EEWRITE L, 1", FaultKind::kEepromAddress, 3},
      {"WF", "DIM N AS BYTE|N = 5|EEWRITE 0, N, N", FaultKind::kEepromAddress, 3},  // four bytes at most
  };
  for (const auto& [device, source, kind, line] : cases) {
    SCOPED_TRACE(source);
    Machine m = Boot(device, Split(source, '|'));
    const Stop s = m.vm->Run(100000);
    ASSERT_EQ(s.reason, StopReason::kFault);
    EXPECT_TRUE(s.fault.kind == kind && !s.fault.message.empty()) << FaultKindName(s.fault.kind) << " " << s.fault.message;
    EXPECT_EQ(std::make_pair(m.Line(s.fault.pc), s.pc), std::make_pair(line, s.fault.pc));
    EXPECT_EQ(m.vm->Run(10).reason, StopReason::kFault);
    EXPECT_EQ(m.vm->StepInto().reason, StopReason::kFault);
    m.vm->Reset();
    EXPECT_EQ(std::make_pair(m.vm->faulted(), m.vm->pc()), std::make_pair(false, Interpreter::kProgramStart));
  }
}

// Hand-made code from address 24, after a header of blanks: the fault (kNone: the end) and where.
TEST(Faults, CodeNoCompileMakesStopsTheModuleInsteadOfTheHost) {
  std::vector<std::uint8_t> deep = {0x91, 0x15, 0xA0};
  deep.insert(deep.end(), 35, 0xD0);
  deep.insert(deep.end(), {0x11, 0x00});
  const std::tuple<std::vector<std::uint8_t>, FaultKind, std::uint32_t> cases[] = {
      {{0x15}, FaultKind::kUnknownOpcode, 24},  // an operand byte where an instruction starts
      {{0x88, 27, 0}, FaultKind::kJumpTarget, 24},  // one past the end of the code
      {{0x89, 0xFF, 0xFF}, FaultKind::kJumpTarget, 24},
      {{0x91, 0x15}, FaultKind::kCodeAddress, 24},  // cut off by the end of the code
      {{0x93}, FaultKind::kCodeAddress, 25},        // running off the end
      {{0x91, 0x11, 0x11, 0x00}, FaultKind::kBadTarget, 24},  // a store into a constant
      {{0x91, 0x15, 0xA0, 0x11, 0x2B, 0x11, 0x17, 0x00}, FaultKind::kBadOperator, 24},
      {{0x91, 0x15, 0xA0, 0xD6, 0x00}, FaultKind::kUnknownFunction, 24},
      {{0x88, 0x02, 0x00}, FaultKind::kUnknownOpcode, 2},  // a jump into the header
      {deep, FaultKind::kOperandTooDeep, 24},
      {{0x88, 24, 0}, FaultKind::kNone, 24},  // the smallest program: its own end jump
  };
  for (const auto& [program, kind, pc] : cases) {
    SCOPED_TRACE(::testing::PrintToString(program));
    std::vector<std::uint8_t> code(24 + program.size(), 32);
    std::copy(program.begin(), program.end(), code.begin() + 24);
    const Stop s = Interpreter(Series::kVn, code).Run(1000);
    EXPECT_EQ(s.reason, kind == FaultKind::kNone ? StopReason::kEnd : StopReason::kFault);
    EXPECT_EQ(std::make_pair(s.fault.kind, s.pc), std::make_pair(kind, pc)) << s.fault.message;
  }
}

// SERIN has one WAIT, UNTIL and SKIP at most: the byte after them is the target even where it is
// a clause's code (a LONG array element's descriptor is UNTIL's).
TEST(Faults, SerinTakesTheByteAfterItsThreeClausesAsItsTarget) {
  Machine m = Boot("WF", {"DIM B(4) AS BYTE", "B(1) = 7", "SERIN 1, 9600, 0, 0, FIN, [WAIT(\"A\"), UNTIL(13), SKIP(1), B(0)]", "FIN:"});
  std::vector<std::uint8_t> code = CodeOf(*m.c);
  const auto addr = static_cast<std::uint8_t>(m.Addr("B"));
  const std::vector<std::uint8_t> target = {isa::kByteArrayVnm, addr, 0};
  const auto at = std::find_end(code.begin(), code.end(), target.begin(), target.end());
  ASSERT_NE(at, code.end());
  *at = isa::kLongArray;
  Interpreter vm(Series::kVnm, code);
  vm.io().serial().PushInput("zA-xy\r");
  EXPECT_EQ(vm.Run(100).reason, StopReason::kEnd) << vm.fault().message;
  EXPECT_EQ((std::vector<int>{vm.RamByte(addr), vm.RamByte(addr + 1)}), (std::vector<int>{'x', 0}));  // all four bytes written
}

// The interpreter's guard against damaged code: each single-byte change of a real program either
// runs or stops with a fault at the counter it reports, never past the code or the call stack.
TEST(Faults, EveryByteAtEveryPlaceFailsCleanly) {
  Machine m = Boot("WF", {"DIM A AS BYTE, S AS STRING * 4, F AS SINGLE, T(3) AS INTEGER", "FOR A = 1 TO 3", "T(A) = A * 2 + 1",
                          "NEXT", "S = \"ABCDEF\"", "S = LEFT(S, 3)", "F = SQR(2.0) * A", "IF A > 2 AND F < 9.5 THEN PRINT S, F",
                          "GOSUB SUB", "SEROUT 1, 9600, 0, 0, [A, \"X\"]", "GOTO FIN", "SUB: A = A + 1", "RETURN", "FIN:"});
  const std::vector<std::uint8_t> base = CodeOf(*m.c);
  for (size_t at = 24; at < base.size(); ++at) {
    for (int b : {0x00, 0x17, 0x19, 0x80, 0x88, 0x89, 0x90, 0xC7, 0xFF}) {
      std::vector<std::uint8_t> code = base;
      code[at] = static_cast<std::uint8_t>(b);
      Interpreter vm(Series::kVnm, code);
      const Stop s = vm.Run(5000);
      ASSERT_NE(s.reason, StopReason::kTimeLimit) << at << " " << b;
      if (s.reason == StopReason::kFault) EXPECT_TRUE(!s.fault.message.empty() && s.pc == s.fault.pc) << at << " " << b;
      else EXPECT_LT(s.pc, code.size()) << at << " " << b;
      EXPECT_LE(vm.call_depth(), vm.call_stack_capacity());
    }
  }
}

}  // namespace
}  // namespace vn::sim::testing
