// Names of the program: DIM, CONST (scalars, arrays, DEVICE) and label definitions.
#include <cstdint>
#include <cstring>

#include "compiler/compiler.h"

namespace vn::compiler {
namespace {

const Msg kInvalidVarName{"Invalid Variable Name !", "변수명이 잘못되었습니다."};
const Msg kDuplicateVar{"Duplicate Definition", "변수명이 중복정의되었습니다."};
const Msg kDimParen{"Syntax Error ! Example : DIM A(10) AS BYTE",
                    "문법에러 : 괄호를 찾을 수 없습니다.  올바른 사용예 : DIM A(10) AS BYTE"};
const Msg kDimAs{"Syntax Error !    Example : DIM I AS INTEGER", "문법에러 : AS를 찾을수 없습니다. "};
const Msg kIntegerArrayVn{"Can not use INTEGER ARRAY with this DEVICE !",
                          "VN시리즈에서는 INTEGER형 배열을 사용할 수 없습니다."};
const Msg kLongVn{"Can not use LONG type variable with this DEVICE !",
                  "VN시리즈에서는 LONG형을 사용할 수 없습니다."};
const Msg kSingleVn{"Can not use SINGLE type variable with this DEVICE !",
                    "VN시리즈에서는 SINGLE형을 사용할 수 없습니다."};
const Msg kStringVn{"Can not use STRING type variable with this DEVICE !",
                    "VN시리즈에서는 STRING형을 사용할 수 없습니다."};
const Msg kStringArray{"Syntax Error ! Not Available String Array !", "문자열 변수의 배열선언은 불가능합니다."};
const Msg kStringStar{"Syntax Error !    Example : DIM ST AS STRING * 12",
                      "문법에러 : *을 찾을 수 없습니다. 올바른 예 : DIM ST AS STRING * 12"};
const Msg kStringSize{"Syntax Error ! String Size is between 1 ~ 95", "문자열 변수의 최대크기는 95까지입니다."};
const Msg kVarMode{"Invalid Variable Mode ! ",
                   "잘못된 변수형입니다. 변수형은 BYTE, INTEGER, LONG, SINGLE, STRING중 하나이여야 합니다."};
const Msg kNoRoom{"Not Enough room to Variable Memory", "변수영역이 초과되었습니다."};
const Msg kTooManyVars{"Too many variables ! (up to 5001)", "변수가 너무 많습니다. (최대 5001개)"};
const Msg kTooManyConsts{"Too many constants ! (up to 5001)", "상수가 너무 많습니다. (최대 5001개)"};
const Msg kTooManyLabels{"Too many labels ! (up to 10001)", "라벨이 너무 많습니다. (최대 10001개)"};

const Msg kConstName{"Invalid CONST name !", "문법에러 : 잘못된 상수명입니다."};
const Msg kConstEquals{"Syntax Error ! Example : CONST UPKEY = 4", "문법에러 : = 기호를 찾을 수 없습니다."};
const Msg kDeviceTop{"CONST DEVICE must be located the top of source program",
                     "CONST DEVICE문은 소스의 가장 첫부분에 위치해야만 합니다."};
const Msg kDeviceName{"Syntax Error ! Invalid Device Name. Must use KD,KF,LF,LG,ND,NG,WD,WF",
                      "문법에러 : 잘못된 디바이스명입니다. KD,KF,LF,LG,ND,NG,WD,WF중 하나를 사용하십시요!"};
const Msg kConstArrayVn{"Can not use SINGLE or LONG type Const array with this DEVICE !",
                        "VN시리즈에서는 SINGLE (또는 LONG)형 상수배열을 사용할 수 없습니다."};
const Msg kDuplicateVariable{"Duplicate Variable !", "중복된 명칭입니다. 다른이름을 사용하세요!"};
const Msg kDuplicateConstant{"Duplicate Constant !", "중복된 상수명입니다. 다른이름을 사용하세요!"};
const Msg kArrayEquals{"Syntax Error on CONST Array",
                       "문법에러 : = 기호를 찾을 수 없습니다. 올바른 예 : CONST BYTE A1 = (123,123)"};
const Msg kArrayParen{"Syntax Error on CONST Array",
                      "문법에러 : 괄호를 찾을 수 없습니다. 올바른 예 : CONST BYTE A1 = (123,123)"};
const Msg kArrayByte{"Use Byte type ! ", "문법에러 : 바이트형의 범위(0~255)를 벗어났습니다."};
const Msg kArrayComma{"Syntax Error on CONST Array !", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kArrayNextLine{"Syntax Error on CONST Array !", "문법에러 : 멀티라인 상수배열의 다음행을 찾을 수 없습니다."};
const Msg kArrayValue{"Syntax Error on CONST Array !", "문법에러 : 상수배열의 값이 잘못되었습니다."};
const Msg kDuplicateLabel{"Duplicate Label !", "중복된 라벨입니다."};

struct TypeWord {
  const char16_t* word;
  int scalar_code;
  int size;
};
// Scalar types of DIM; arrays and STRING are handled beside the table.
const TypeWord kTypeWords[] = {
    {u"BYTE", kByteVar, 1}, {u"INTEGER", kIntegerVar, 2}, {u"LONG", kLongVar, 4}, {u"SINGLE", kSingleVar, 4}};

// Element sizes of constant arrays.
int ConstArraySize(const AnsiText& word) {
  if (word == u"BYTE") return 1;
  if (word == u"INTEGER") return 2;
  if (word == u"LONG" || word == u"SINGLE") return 4;
  return 0;
}

bool IsNumericLabel(const AnsiText& token) {
  if (token.empty()) return false;
  for (char16_t c : token)
    if (c < u'0' || c > u'9') return false;
  return true;
}

}  // namespace

void ApplyDeviceCode(DeviceSettings& device, const DeviceCodeInfo& info) {
  device.DeviceSeries = info.series;
  device.NextVarAddr = info.first_addr;
  device.VarAddrLimit = info.limit;
  device.AddrWidth = info.addr_width;
  device.DeviceKind = info.kind;
  device.DeviceItem = info.menu_item;
}

bool Compiler::ValidName(const AnsiText& token) { return !token.empty() && UpperCase(token)[0] >= u'A'; }

int Compiler::AddVar(VarEntry entry) {
  if (VarCount() >= kMaxVars) return Fail(kTooManyVars);
  var_index_.emplace(entry.VarName, VarCount());
  Vars.push_back(std::move(entry));
  return 0;
}

int Compiler::AddConst(ConstEntry entry) {
  if (ConstCount() >= kMaxConsts) return Fail(kTooManyConsts);
  const_index_.emplace(entry.ConstName, ConstCount());
  Consts.push_back(std::move(entry));
  return 0;
}

int Compiler::DefineLabel(const AnsiText& name) {
  if (LabelCount() >= kMaxLabels) {
    Overflow(kTooManyLabels);
    return Fail(kTooManyLabels);
  }
  label_index_.emplace(name, LabelCount());
  Labels.push_back({name, CodeAddr});
  return 0;
}

int Compiler::CompileDim() {
  for (;;) {
    NextToken();
    const AnsiText name = Token;
    if (!ValidName(name)) return Fail(kInvalidVarName);
    if (FindVar(name) >= 0) return Fail(kDuplicateVar);

    long dim = 0;
    NextToken();
    if (Token == u"(") {
      NextToken();
      dim = ConstValue(Token);
      if (dim < 0) return Fail(kMsgNotAConstant);
      NextToken();
      if (Token != u")") return Fail(kDimParen);
      NextToken();
    }
    if (Token != u"AS") return Fail(kDimAs);

    NextToken();
    const AnsiText type = Token;
    const bool vn = Device.DeviceKind == 1;
    int code = 0;
    long size = 0;
    int string_size = 0;
    if (type == u"STRING") {
      if (vn) return Fail(kStringVn);
      if (dim != 0) return Fail(kStringArray);
      NextToken();
      if (Token != u"*") return Fail(kStringStar);
      NextToken();
      const long n = ConstValue(Token);
      if (n < 1 || n > 95) return Fail(kStringSize);
      string_size = static_cast<int>(n);
      code = kStringVar;
      size = n + 2;
      dim = 0;
    } else {
      const TypeWord* word = nullptr;
      for (const auto& w : kTypeWords)
        if (type == w.word) word = &w;
      if (word == nullptr) return Fail(kVarMode);
      if (word->scalar_code == kIntegerVar && vn && dim != 0) return Fail(kIntegerArrayVn);
      if (word->scalar_code == kLongVar && vn) return Fail(kLongVn);
      if (word->scalar_code == kSingleVar && vn) return Fail(kSingleVn);
      code = word->scalar_code;
      size = word->size;
      if (dim != 0) {
        switch (word->scalar_code) {
          case kByteVar: code = vn ? kByteArrayVn : kByteArrayVnm; break;
          case kIntegerVar: code = kIntegerArray; break;
          case kLongVar: code = kLongArray; break;
          default: code = kSingleArray; break;
        }
        size = word->size * dim;
      }
    }

    const int addr = Device.NextVarAddr;
    if (AddVar({name, code, addr, static_cast<int>(dim)}) != 0) return -1;
    // Sizes are bounded by the 16-bit fields of the code; larger ones cannot fit anyway.
    const long next = static_cast<long>(Device.NextVarAddr) + size;
    Device.NextVarAddr = static_cast<int>(next > 65535 ? 65535 : next);
    VarBytesUsed = static_cast<int>(VarBytesUsed + size > 65535 ? 65535 : VarBytesUsed + size);
    if (Device.NextVarAddr >= Device.VarAddrLimit) return Fail(kNoRoom);

    if (code == kStringVar) {
      // The string's first byte holds its size at run time.
      MarkLine();
      Emit(isa::Opcode::kAssign);
      Emit(kByteVar);
      Emit(addr & 0xFF);
      Emit((addr >> 8) & 0xFF);
      Emit(kConstByte);
      Emit(string_size);
      Emit(isa::kEndOfList);
    }
    if (CharAt(ScanPos) != u',') return 0;
    ++ScanPos;
  }
}

int Compiler::CompileConst() {
  NextToken();
  if (const int element_size = ConstArraySize(Token); element_size != 0) {
    // A constant array: its data stands in the code behind a jump over it.
    if (element_size == 4 && Device.DeviceKind == 1) return Fail(kConstArrayVn);
    const bool single = Token == u"SINGLE";
    MarkLine();
    NextToken();
    const AnsiText name = Token;
    if (FindVar(name) >= 0) return Fail(kDuplicateVariable);
    if (FindConst(name) >= 0) return Fail(kDuplicateConstant);
    NextToken();
    if (Token != u"=") return Fail(kArrayEquals);
    NextToken();
    if (Token != u"(") return Fail(kArrayParen);

    const AnsiText end_label = Ansi(std::to_string(ConstCount())) + u"__CoLab";
    Emit(isa::Opcode::kGoto);
    AddFixup(end_label);
    const long data_start = CodeAddr;
    for (;;) {
      NextToken();
      if (Token == u"\"") {
        if (ReadStringLiteral() != 0) return -1;
        FlushPending();
      } else {
        ErrMsgEn.clear();
        if (EncodeConstant(Token) != 0) return ErrMsgEn.empty() ? Fail(kArrayValue) : -1;
        auto v = PendingConstantValue();
        if (!v) return Fail(kArrayValue);
        if (single && PendBuf[0] != kSingleConst) {
          // An integer in a SINGLE array is stored as the SINGLE of its value.
          v = static_cast<long>(EncodeSingle(static_cast<double>(*v)).value_or(0));
        }
        if (element_size == 1 && (*v < 0 || *v > 255)) return Fail(kArrayByte);
        for (int k = 0; k < element_size; ++k) Emit(static_cast<int>((static_cast<std::uint32_t>(*v) >> (8 * k)) & 0xFF));
      }
      NextToken();
      if (Token == u")") break;
      if (Token != u",") return Fail(kArrayComma);
      if (RestIsBlank()) {
        // The list goes on on the next physical line.
        AnsiText next;
        if (!ReadPhysicalLine(next)) return Fail(kArrayNextLine);
        ++LineNo;
        if (next.empty()) return Fail(kArrayNextLine);
        if (LastLineBad()) return Fail(kMsgBadCharacter);
        SrcLine = std::move(next);
        ScanPos = 1;
        ScanEnd = static_cast<int>(SrcLine.size()) + 1;
      }
    }
    if (DefineLabel(end_label) != 0) return -1;
    return AddConst({name, {}, element_size, static_cast<int>(data_start), static_cast<int>(CodeAddr - data_start)});
  }

  // A scalar constant.
  const AnsiText name = Token;
  if (!ValidName(name)) return Fail(kConstName);
  NextToken();
  if (Token != u"=") return Fail(kConstEquals);
  NextToken();
  AnsiText text = Token;
  if (Token == u"\"") {
    NextToken();
    const AnsiText ch = Token;
    NextToken();
    text = u"\"" + ch + u"\"";
  } else if (Token == u"-") {
    NextToken();
    text = u"-" + Token;
  }
  if (name == u"DEVICE") {
    Device.DeviceItem.clear();
    if (CodeAddr > isa::kProgramStart || VarBytesUsed > 0) return Fail(kDeviceTop);
    const DeviceCodeInfo* info = FindDeviceCode(EncodeAnsi(text));
    if (info == nullptr) return Fail(kDeviceName);
    ApplyDeviceCode(Device, *info);
  }
  return AddConst({name, text, 0, 0, 0});
}

int Compiler::CompileLabel() {
  const AnsiText token = Token;
  const AnsiText head = UpperCase(SrcLine.substr(0, token.size()));
  if (head != token)
    return Fail({Utf8(token) + " : Undefined Variable or Label Define Error ! (Must start at column 1)",
                 Utf8(token) + " : 정의되지 않은 변수이거나 라벨입니다. (라벨의 경우 반드시 1컬럼부터 작성해야 합니다.)"});
  if (FindLabel(token) != -1) return Fail(kDuplicateLabel);
  if (!IsNumericLabel(token)) {
    if (CharAt(ScanPos) != u':')
      return Fail({"Unknown VARNOLIC Command ! \"" + Utf8(token) + "\"",
                   "알수없는 명령이거나 정의되지 않은 변수명입니다.\"" + Utf8(token) + "\""});
    ++ScanPos;
  }
  return DefineLabel(token);
}

}  // namespace vn::compiler
