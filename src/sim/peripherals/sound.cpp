#include "sim/peripherals/sound.h"

#include "isa/isa.h"

namespace vn::sim {

void Sound::Play(int port, int code, int length, std::uint64_t duration_us) {
  Note n;
  n.time_us = board().clock_us();
  n.port = port;
  n.code = code;
  n.length = length;
  // Note codes are periods: a larger code is a lower note, the code 119 is about 525 Hz.
  n.frequency_hz = code == isa::kRestNote || code == 0 ? 0.0 : 62500.0 / code;
  n.duration_us = duration_us;
  if (notes_.size() < kMaxNotes) notes_.push_back(n);
  Emit(IoEventKind::kNote, port, code, length);
}

}  // namespace vn::sim
