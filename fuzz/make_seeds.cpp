// Writes the seed corpora of the fuzz targets from the example programs:
//   make_seeds OUTDIR EXAMPLE.bas...
// OUTDIR/compile: each example with each device selector byte in front;
// OUTDIR/object_file: each example's object file, and a few damaged ones;
// OUTDIR/settings: a few settings files with reads and writes on them;
// OUTDIR/link: each example's code for a download on either cable and series, clean and with
// one fault of each kind.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "compiler/compiler.h"
#include "link/object_file.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Write(const fs::path& path, const Bytes& bytes) { vn::fuzz::WriteFile(path, bytes); }

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The given bytes, then the text or bytes.
template <typename Text>
Bytes Prefixed(Bytes prefix, const Text& text) {
  prefix.insert(prefix.end(), text.begin(), text.end());
  return prefix;
}

// A settings seed: the file, then operations (see settings_fuzz.cpp).
Bytes SettingsSeed(const std::string& file, const std::vector<std::vector<std::string>>& ops) {
  Bytes b{static_cast<std::uint8_t>(file.size() & 0xFF), static_cast<std::uint8_t>(file.size() >> 8)};
  b.insert(b.end(), file.begin(), file.end());
  for (const auto& op : ops) {
    b.push_back(static_cast<std::uint8_t>(op[0][0] - '0'));
    for (std::size_t i = 1; i < op.size(); ++i) {
      b.insert(b.end(), op[i].begin(), op[i].end());
      b.push_back(0);
    }
  }
  return b;
}

// A link seed: the header (see link_fuzz.cpp) and the code image.
Bytes LinkSeed(std::uint8_t flags, std::uint8_t fault_bits, long position, const Bytes& code) {
  Bytes h(32, 0);
  h[0] = flags;
  h[1] = fault_bits;
  for (int k = 0; k < 7; ++k) {
    h[static_cast<std::size_t>(2 + 2 * k)] = static_cast<std::uint8_t>(position & 0xFF);
    h[static_cast<std::size_t>(3 + 2 * k)] = static_cast<std::uint8_t>(position >> 8);
  }
  // A late access now and then (20), the REV. B module's timing, a seed, the code's last address.
  const long n = static_cast<long>(code.size()) - 1;
  for (const auto& [at, value] : {std::pair{16, 1L}, {20, 16L}, {21, 20L}, {22, 2L}, {23, 4L}, {24, 19L}, {26, 0x5AL}, {30, n & 0xFF}, {31, n >> 8}})
    h[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
  h.insert(h.end(), code.begin(), code.end());
  return h;
}

std::string Repeat(const std::string& s, int n) { return n <= 0 ? "" : s + Repeat(s, n - 1); }

// Programs at the edges of the compiler's tables: loops and IF blocks one past their nesting
// limit, expressions past the operand slots, long lines, strings and item lists.
std::vector<std::pair<std::string, std::string>> EdgePrograms() {
  std::string array = "CONST DEVICE = WF\r\nCONST BYTE T = (0";
  for (int k = 1; k < 300; ++k) array += "," + std::to_string(k % 256);
  std::string labels;
  for (int k = 0; k < 200; ++k) labels += "L" + std::to_string(k) + ": GOTO L" + std::to_string((k * 7) % 200) + "\r\n";
  return {{"deep-for", "DIM I AS BYTE\r\n" + Repeat("FOR I = 0 TO 1\r\n", 52) + Repeat("NEXT I\r\n", 52)},
          {"deep-if", "DIM I AS BYTE\r\n" + Repeat("IF I = 1 THEN\r\n", 52) + Repeat("END IF\r\n", 52)},
          {"long-expression", "DIM A AS BYTE\r\nA = 1" + Repeat(" + A * 2", 55) + "\r\n"},
          {"parentheses", "DIM A AS BYTE\r\nA = " + Repeat("(", 60) + "A" + Repeat(")", 60) + "\r\n"},
          {"long-print", "CONST DEVICE = WF\r\nDIM S AS STRING * 95\r\nS = \"" + std::string(300, 'x') +
                             "\"\r\nPRINT S" + Repeat(", \"ab\", S", 120) + "\r\n"},
          {"many-statements", "DIM A AS BYTE\r\n" + Repeat("A = A + 1 : ", 80) + "GOTO L\r\nL:\r\n"},
          {"const-array", array + ")\r\n"},
          {"labels", labels}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return std::cerr << "usage: make_seeds OUTDIR EXAMPLE.bas...\n", 2;
  const fs::path out = argv[1];
  for (const char* t : {"compile", "object_file", "settings", "link", "file_readers"}) fs::create_directories(out / t);

  int link_seeds = 0;
  for (int i = 2; i < argc; ++i) {
    const fs::path example = argv[i];
    const std::string source = vn::fuzz::ReadFile(example);
    const std::string stem = example.stem().string();
    for (std::uint8_t selector = 0; selector < 4; ++selector)
      Write(out / "compile" / (stem + "-" + std::to_string(selector)), Prefixed({selector}, source));

    vn::compiler::Compiler c;
    vn::compiler::ApplyDeviceCode(c.Device, *vn::compiler::FindDeviceCode("KF"));
    if (c.CompileSource(source) != 0) {
      std::cerr << "make_seeds: " << example << " does not compile: " << c.Outcome.message.en << "\n";
      return 1;
    }
    const Bytes object = vn::link::ObjectFileBytes(c.Code, c.CodeAddr);
    Write(out / "object_file" / (stem + ".obj"), object);
    // The file readers' seeds: the source and the object file, each in every form of file.
    for (std::uint8_t form = 0; form < 5; ++form) {
      Write(out / "file_readers" / (stem + "-source-" + std::to_string(form)), Prefixed({form, 0}, source));
      Write(out / "file_readers" / (stem + "-object-" + std::to_string(form)), Prefixed({form, 1}, object));
    }

    // Only the smaller examples go to the link target, to keep its executions quick.
    if (c.CodeAddr > 200 || link_seeds >= 3) continue;
    ++link_seeds;
    const Bytes code(object.begin() + 8, object.end());
    for (std::uint8_t flags = 0; flags < 4; ++flags) {
      Write(out / "link" / (stem + "-clean-" + std::to_string(flags)), LinkSeed(flags, 0, 0, code));
      Write(out / "link" / (stem + "-drop-" + std::to_string(flags)), LinkSeed(flags | 4, 0x01, 9, code));
      Write(out / "link" / (stem + "-corrupt-" + std::to_string(flags)), LinkSeed(flags | 4, 0x08, 12, code));
      Write(out / "link" / (stem + "-cut-" + std::to_string(flags)), LinkSeed(flags | 4, 0x40, 20, code));
    }
  }

  for (const auto& [name, source] : EdgePrograms())
    for (std::uint8_t selector = 0; selector < 2; ++selector)
      Write(out / "compile" / (name + "-" + std::to_string(selector)), Prefixed({selector}, source));

  // Damaged object files: a short one, one with another signature, one whose length passes
  // the image.
  Write(out / "object_file" / "short.obj", Of(std::string("VN2000\x05\x00", 8) + "abc"));
  Write(out / "object_file" / "signature.obj", Of(std::string("VN1999\x01\x00", 8) + "ab"));
  Write(out / "object_file" / "too-long.obj", Of(std::string("VN2000\x02\xFA", 8) + "abc"));

  const std::string ini =
      "[PrintPort]\nIoadr= 888\nCableMode= 1\nUseUsb=-1\n\n[AccessSpeed]\nCommSpeed= 0\n; comment\n";
  std::string ini_crlf = ini;
  for (std::size_t at = 0; (at = ini_crlf.find('\n', at)) != std::string::npos; at += 2) ini_crlf.insert(at, "\r");
  const std::string registry = "[VNstudio\\window\\]\nLeft=10\nTop=\"20\"\n[VNstudio\\recent\\]\nFile1=/tmp/a.bas";
  Write(out / "settings" / "ports", SettingsSeed(ini, {{"1", "PrintPort", "Ioadr", "\x80"},
                                                       {"3", "PrintPort", "UseUsb", "0"},
                                                       {"3", "Editor", "Font", "Mono"},
                                                       {"2", "accessspeed", "commspeed", "x", "\x64"}}));
  Write(out / "settings" / "ports-crlf", SettingsSeed(ini_crlf, {{"3", "AccessSpeed", "CommSpeed", " 1"},
                                                                 {"0", "PrintPort", "CableMode"}}));
  Write(out / "settings" / "registry", SettingsSeed(registry, {{"4", "VNstudio\\window\\", "Top", "30"},
                                                               {"4", "VNstudio\\recent\\", "File2", "b.bas"}}));
  Write(out / "file_readers" / "settings", Prefixed({0, 3}, ini));
  Write(out / "file_readers" / "flash", Prefixed({0, 2}, Bytes(65536, 0xFF)));
  Write(out / "settings" / "empty", SettingsSeed("", {{"3", "A", "B", "\"quoted\""}, {"1", "A", "B", "\x80"}}));
  return 0;
}
