#include "compiler/arguments.h"

#include <cstdint>
#include <optional>

namespace vn::compiler {
namespace {

const Msg kDeviceVnm{"Can not use this command at VNM-XX device", "VNM시리즈에서는 이 명령어를 사용할 수 없습니다."};
const Msg kSingleArg{"Type mismatch ! Use SINGLE type", "문법에러 : SINGLE형 상수또는 변수를 사용해야 합니다."};
const Msg kStringArg{"Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."};
const Msg kNotSingleArg{"Type mismatch ! Use BYTE, INTEGER or LONG type",
                        "문법에러 : SINGLE형이 아닌 상수또는 변수를 사용해야 합니다."};

bool IsSingleOperand(std::uint8_t d) {
  return d == kSingleConst || d == kSingleVar || d == kSingleArray || d == kConstArray4;
}

void Put(Compiler& c, const ArgTarget& target, int b) {
  if (target.kind == ArgTarget::Code) {
    c.Emit(b);
  } else {
    c.PendPush(b);
  }
}

// Reads the operand in Token into PendBuf and checks it against the rule. 0 or -1.
int ParseChecked(Compiler& c, const ArgRule& rule) {
  const int parsed = rule.kind == ArgKind::OperandOrCall ? c.ParseFunctionOperand(c.Token) : c.ParseOperand(c.Token);
  if (parsed != 0) {
    if (rule.parse_fail != nullptr) return c.Fail(*rule.parse_fail);
    if (rule.parse_fail_en != nullptr) c.ErrMsgEn = rule.parse_fail_en;
    return -1;
  }
  const std::uint8_t d = c.PendBuf[0];
  switch (rule.kind) {
    case ArgKind::Port: return c.CheckPortOperand();
    case ArgKind::Single: return IsSingleOperand(d) ? 0 : c.Fail(kSingleArg);
    case ArgKind::NotSingle: return d == kSingleConst || d == kSingleVar ? c.Fail(kNotSingleArg) : 0;
    case ArgKind::String: return d == kStringVar ? 0 : c.Fail(kStringArg);
    case ArgKind::NonZero: return d == kConst0 ? c.Fail(*rule.range) : 0;
    default: return 0;
  }
}

const Msg* Refusal(const Compiler& c, const Statement& s) {
  const bool vn = c.Device.DeviceKind == 1;
  if (vn && s.devices == Devices::VnmOnly) return &kMsgCommandVn;
  if (!vn && s.devices == Devices::VnOnly) return &kDeviceVnm;
  return nullptr;
}

}  // namespace

int CompileArgument(Compiler& c, const ArgRule& rule, const ArgTarget& target, bool first) {
  if (rule.kind == ArgKind::Fixed) {
    Put(c, target, rule.fixed);
    return 0;
  }
  c.NextToken();
  if (rule.kind == ArgKind::Byte) {
    const std::optional<long> v = c.ConstValueOpt(c.Token);
    if (!v) return c.Fail(*rule.not_const);
    if (*v < rule.min || *v > rule.max) return c.Fail(*rule.range);
    Put(c, target, static_cast<int>(*v));
    return 0;
  }
  if (target.kind == ArgTarget::Code) {
    if (ParseChecked(c, rule) != 0) return -1;
    c.FlushPending();
    return 0;
  }
  if (first) return ParseChecked(c, rule);
  // Reading an operand replaces PendBuf, so the call's bytes so far wait in the save buffer.
  c.SavePending();
  if (ParseChecked(c, rule) != 0) return -1;
  c.PrependSaved();
  return 0;
}

int CompileArguments(Compiler& c, std::span<const ArgRule> rules, const ArgTarget& target, const Msg* comma) {
  bool comma_read = true;
  for (size_t i = 0; i < rules.size(); ++i) {
    const ArgRule& rule = rules[i];
    if (rule.kind != ArgKind::Fixed) {
      if (!comma_read) {
        c.NextToken();
        if (c.Token == u")" && rule.optional) {
          for (size_t k = i; k < rules.size(); ++k)
            for (int b : rules[k].fill) Put(c, target, b);
          return kArgumentsClosed;
        }
        if (c.Token != u",") return c.Fail(*comma);
      }
      comma_read = false;
    }
    if (CompileArgument(c, rule, target, i == 0) != 0) return -1;
    if (i == 0 && target.kind == ArgTarget::Operand) {
      c.PendShift(1);
      c.PendBuf[0] = static_cast<std::uint8_t>(target.code);
    }
  }
  return 0;
}

bool EndsStatement(const AnsiText& token) {
  return token.empty() || token == u"'" || token == u":" || token == u"ELSE";
}

int CompileStatement(Compiler& c, const Statement& s) {
  const Msg* refusal = Refusal(c, s);
  if (refusal != nullptr && s.refuse_at == RefuseAt::Start) return c.Fail(*refusal);
  c.MarkLine();
  c.Emit(s.opcode);
  if (refusal != nullptr) return c.Fail(*refusal);

  if (CompileArguments(c, s.args, {ArgTarget::Code}, s.comma) != 0) return -1;

  const bool optional = s.optional_on == OptionalOn::Both ||
                        (s.optional_on == OptionalOn::VnmOnly && c.Device.DeviceKind == 2);
  if (!optional) return 0;
  c.NextToken();
  if (c.Token == u",") return CompileArguments(c, s.optional, {ArgTarget::Code}, s.comma);
  if (s.strict_comma && !EndsStatement(c.Token)) return c.Fail(*s.comma);
  for (int b : s.fill) c.Emit(b);
  // Whatever follows belongs to the end of the statement (":", "ELSE", a comment, or an
  // error there), so the token goes back.
  c.ScanPos = c.TokenStart;
  return 0;
}

}  // namespace vn::compiler
