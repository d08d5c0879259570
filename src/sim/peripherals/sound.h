// The module's sound output: the notes of PLAY, BEEP and SOUND with what they sound like.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

struct Note {
  std::uint64_t time_us = 0;
  int port = 0;
  int code = 0;         // note code (255: a rest)
  int length = 0;       // length code
  double frequency_hz = 0;
  std::uint64_t duration_us = 0;
};

class Sound final : public Peripheral {
 public:
  static constexpr const char* kName = "sound";
  static constexpr size_t kMaxNotes = 100000;  // the first ones are kept

  explicit Sound(BoardLink& board) : Peripheral(board) {}
  std::string_view name() const override { return kName; }

  const std::vector<Note>& notes() const { return notes_; }
  // A note starting now.
  void Play(int port, int code, int length, std::uint64_t duration_us);

 private:
  std::vector<Note> notes_;
};

}  // namespace vn::sim
