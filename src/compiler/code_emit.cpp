// Writing the code image: bytes, the pending operand buffer, its saved copies and the label
// fixups, and the hexadecimal rows of the code view.
#include "compiler/compiler.h"

#include <cstdio>

namespace vn::compiler {

namespace {
const Msg kOperandTooLong{"Statement Too Complex ! Operand too long",
                          "해석하기에 너무 복잡한 연산식입니다. 피연산자가 너무 깁니다."};
const Msg kTooManyFixups{"Too many label references ! (up to 10001)",
                         "라벨 참조가 너무 많습니다. (최대 10001개)"};
}  // namespace

void Compiler::EmitByte(int b) {
  if (!CodeImage::InRange(CodeAddr)) {
    Overflow(kMsgCodeTooLarge);
    return;
  }
  Code.Set(CodeAddr, static_cast<std::uint8_t>(b));
}

void Compiler::MarkLine() { Code.SetLine(CodeAddr, LineNo); }

void Compiler::ClearHeader() { Code.ClearHeader(); }

void Compiler::FlushPending() {
  for (int i = 0; i < PendLen; ++i) Emit(PendBuf[static_cast<size_t>(i)]);
}

void Compiler::PendPush(int b) {
  if (PendLen >= kPendSize) {
    Overflow(kOperandTooLong);
    return;
  }
  PendBuf[static_cast<size_t>(PendLen++)] = static_cast<std::uint8_t>(b);
}

void Compiler::PendShift(int n) {
  if (n <= 0) return;
  if (PendLen + n > kPendSize) {
    Overflow(kOperandTooLong);
    n = kPendSize - PendLen;
  }
  for (int i = PendLen - 1; i >= 0; --i) PendBuf[static_cast<size_t>(i + n)] = PendBuf[static_cast<size_t>(i)];
  PendLen += n;
}

void Compiler::SavePending() {
  SaveLen = PendLen;
  SaveBuf = PendBuf;
}

void Compiler::PrependSaved() {
  const int before = PendLen;
  PendShift(SaveLen);
  const int opened = PendLen - before;
  for (int i = 0; i < opened; ++i) PendBuf[static_cast<size_t>(i)] = SaveBuf[static_cast<size_t>(i)];
}

void Compiler::PushOperand(int k) {
  auto& slot = OperandStack[static_cast<size_t>(k)];
  if (PendLen > kOperandSlotSize) Overflow(kOperandTooLong);
  slot.len = PendLen < kOperandSlotSize ? PendLen : kOperandSlotSize;
  for (int i = 0; i < slot.len; ++i) slot.bytes[static_cast<size_t>(i)] = PendBuf[static_cast<size_t>(i)];
}

void Compiler::LoadOperand(int k) {
  const auto& slot = OperandStack[static_cast<size_t>(k)];
  for (int i = 0; i < slot.len; ++i) PendBuf[static_cast<size_t>(i)] = slot.bytes[static_cast<size_t>(i)];
  PendLen = slot.len;
}

int Compiler::AddFixup(const AnsiText& name) {
  if (FixCount() >= kMaxFixups) {
    Overflow(kTooManyFixups);
  } else {
    Fixups.push_back({name, CodeAddr, LineNo});
  }
  CodeAddr += 2;
  return 0;
}

std::vector<std::string> CodeRows(const CodeImage& code, long end, long first_row) {
  std::vector<std::string> rows;
  for (long a = first_row * 8; a < end; a += 8) {
    std::string row = Hex(static_cast<unsigned long>(a)) + " : ";
    for (long k = 0; k < 8; ++k) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%02X ", code.Get(a + k));
      row += buf;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace vn::compiler
