// Tip of the day without its dialog: the tip file ("tip.txt"), the tips it holds and the
// index arithmetic of the dialog's buttons.
//
// The file is read line by line. A line whose first ten characters are "----------" ends the
// current tip and starts the next; every other line is added to the current tip followed by
// CR LF CR LF, so on screen each line of the file is followed by an empty one.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace vn::shell {

inline constexpr char kTipFileName[] = "tip.txt";
inline constexpr char kTipSeparator[] = "----------";
inline constexpr char kTipOpenErrorEn[] = "Tip Text File Open Error !!!";
inline constexpr char kTipOpenErrorKo[] = "팁파일 오픈 에러입니다. (TIP.TXT)를 찾을 수 없습니다.";
inline constexpr char kTipOpenErrorTitle[] = "VARNOLIC Studio Error !";

class TipBook {
 public:
  static constexpr int kMaxTips = 31;  // tips 0..30

  // Takes the tips of a file's text (UTF-8, or code page 949 when it is not valid UTF-8).
  // Separators beyond the 31st tip are not counted and the lines after them are dropped, so
  // the index never leaves the table.
  void Parse(std::string_view bytes);
  // LoadTips: 0 when the file was read, -1 when it could not be opened (the tips unchanged).
  int Load(const std::filesystem::path& file);

  // The number of separators read (TipCount): the tips are 0..count().
  int count() const { return count_; }
  int index() const { return index_; }
  const std::string& tip(int i) const;
  const std::string& current() const { return tip(index_); }

  // The tip shown first: the last digit of the clock's seconds Mod TipCount; tip 0 when the
  // file has no separator (TipCount 0).
  void StartAt(int time_digit);
  // "다음 팁": the next tip, after TipCount back to 0.
  void Next();
  // "이전 팁": the one before, from 0 round to TipCount.
  void Previous();

 private:
  std::array<std::string, kMaxTips> tips_{};
  int count_ = 0;
  int index_ = 0;
};

}  // namespace vn::shell
