#include "shell/virtual_module_panel.h"

#include <cstdio>

#include "platform/codepage.h"
#include "sim/board.h"

namespace vn::shell {

VirtualModulePanel::VirtualModulePanel(std::function<sim::Board*()> io)
    : io_(std::move(io)), code_page_(std::make_unique<platform::CodePage>()) {}

VirtualModulePanel::~VirtualModulePanel() = default;

std::vector<std::string> VirtualModulePanel::DisplayLines() const {
  std::vector<std::string> lines;
  const sim::Board* m = io();
  if (m == nullptr) return lines;
  const sim::Display& d = m->display();
  for (int r = 0; r < d.rows(); ++r) {
    std::string bytes = d.Line(r);
    if (static_cast<int>(bytes.size()) < d.cols()) bytes.append(static_cast<size_t>(d.cols()) - bytes.size(), ' ');
    // Control bytes on the display would upset the layout of the panel.
    for (char& c : bytes)
      if (static_cast<unsigned char>(c) < 32) c = ' ';
    lines.push_back(code_page_->Cp949ToUtf8(bytes));
  }
  return lines;
}

std::vector<PortLamp> VirtualModulePanel::Ports() const {
  std::vector<PortLamp> ports;
  const sim::Board* m = io();
  if (m == nullptr) return ports;
  for (int p = 0; p < sim::Ports::kPorts; ++p) ports.push_back({p, m->ports().IsOutput(p), m->ports().Level(p)});
  return ports;
}

std::string VirtualModulePanel::TakeSerialText(bool& restart) {
  restart = false;
  const sim::Board* m = io();
  if (m == nullptr) return {};
  const std::string& out = m->serial().output();
  if (m != serial_source_ || out.size() < serial_shown_) {
    restart = serial_shown_ != 0 || m != serial_source_;
    serial_source_ = m;
    serial_shown_ = 0;
  }
  size_t end = out.size();
  // A double-byte character whose second byte has not come yet waits for it.
  size_t lead_run = 0;
  for (size_t i = serial_shown_; i < end; ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (lead_run == 1) lead_run = 0;
    else if (platform::IsCp949LeadByte(b)) lead_run = 1;
  }
  if (lead_run == 1) --end;
  // So does a CR that may be the first half of CR LF.
  if (end > serial_shown_ && out[end - 1] == '\r') --end;
  std::string text;
  std::string run;  // printable bytes not yet converted
  auto flush = [&] {
    if (!run.empty()) text += code_page_->Cp949ToUtf8(run);
    run.clear();
  };
  for (size_t i = serial_shown_; i < end; ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (b == '\r') {
      flush();
      text += '\n';
      if (i + 1 < end && out[i + 1] == '\n') ++i;
    } else if (b == '\n' || b == '\t') {
      flush();
      text += static_cast<char>(b);
    } else if (b < 32 || b == 127) {
      flush();
      char buf[8];
      std::snprintf(buf, sizeof buf, "<%02X>", b);
      text += buf;
    } else {
      run += static_cast<char>(b);
    }
  }
  flush();
  serial_shown_ = end;
  return text;
}

bool VirtualModulePanel::ToggleInput(int port) {
  sim::Board* m = io();
  if (m == nullptr || port < 0 || port >= sim::Ports::kPorts) return false;
  m->ports().SetInput(port, m->ports().InputLevel(port) != 0 ? 0 : 1);
  return true;
}

bool VirtualModulePanel::SendSerial(const std::string& utf8) {
  sim::Board* m = io();
  if (m == nullptr) return false;
  std::string bytes = code_page_->Utf8ToCp949(utf8).value_or(utf8);
  bytes += '\r';
  return m->serial().PushInput(bytes);
}

}  // namespace vn::shell
