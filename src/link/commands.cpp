#include "link/commands.h"

namespace vn::link {

int ReadStatusReply(Link& link, core::Series series, int var_bytes_used, StopStatus& status,
                    bool* count_send_failed) {
  if (count_send_failed != nullptr) *count_send_failed = false;
  link.UseSeries(series);
  const bool vn = series == core::Series::kVn;
  auto recv = [&link, vn] { return vn ? link.LinkRecvByte() : link.NibbleRecvByte(); };
  if (recv() != kStatusMarker) return -1;
  long ram_bytes = kVnStatusRamBytes;
  if (!vn) {
    ram_bytes = var_bytes_used < 0 ? 0 : var_bytes_used;
    if (link.NibbleSendByte(static_cast<int>(ram_bytes % 256)) == -1 ||
        link.NibbleSendByte(static_cast<int>((ram_bytes / 256) & 255)) == -1) {
      if (count_send_failed != nullptr) *count_send_failed = true;
      return -1;
    }
  }
  // A program counter byte that never came is a failed read, not a counter of zero.
  const int lo = recv();
  if (lo == -1) return -1;
  const int hi = recv();
  if (hi == -1) return -1;
  status.ModulePc = static_cast<long>(hi) * 256 + lo;
  status.RamImage.assign(static_cast<size_t>(ram_bytes), 0);
  for (long k = 0; k < ram_bytes; ++k) {
    const int b = recv();
    if (b == -1) return -1;
    status.RamImage[static_cast<size_t>(k)] = b;
  }
  return 0;
}

int SendModifyVariable(Link& link, int ram_address, int count, std::uint32_t value) {
  if (count != 1 && count != 2 && count != 4) return -1;
  if (link.NibbleSendByte(CmdModifyVariable) == -1) return -1;
  if (SendWord(link, ram_address, false) == -1) return -1;
  if (link.NibbleSendByte(count & 255) == -1) return -1;
  for (int k = 0; k < count; ++k)
    if (link.NibbleSendByte(static_cast<int>((value >> (8 * k)) & 0xFF)) == -1) return -1;
  return 0;
}

int SendWord(Link& link, long n, bool family) {
  const int lo = static_cast<int>(n % 256);
  const int hi = static_cast<int>((n / 256) & 255);
  if (family) return link.FamilySendByte(lo) == -1 || link.FamilySendByte(hi) == -1 ? -1 : 0;
  return link.NibbleSendByte(lo) == -1 || link.NibbleSendByte(hi) == -1 ? -1 : 0;
}

}  // namespace vn::link
