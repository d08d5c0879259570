// Reading the README's getting-started section as a new user reads it: its numbered steps, the
// commands in back-quotes and the terminal block, so that the tests that walk those steps fail
// as soon as the text and the programs part ways.
#pragma once

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace vn::testing {

inline constexpr char kGettingStartedHeading[] = "## Getting started without hardware";

// The README's text under that heading, up to the next "## " heading; empty when it is missing.
inline std::string GettingStartedSection() {
  std::ifstream in(VN_SOURCE_DIR "/README.md", std::ios::binary);
  const std::string readme{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::size_t at = readme.find("\n" + std::string(kGettingStartedHeading) + "\n");
  if (at == std::string::npos) return {};
  const std::size_t begin = at + sizeof kGettingStartedHeading + 1, end = readme.find("\n## ", begin);
  return readme.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// The numbered steps ("1. ..." with their indented continuation lines, joined by blanks); step
// n is element n - 1. A step list that skips a number ends there.
inline std::vector<std::string> ReadmeSteps(const std::string& section) {
  std::vector<std::string> steps;
  std::istringstream in(std::regex_replace(section, std::regex("\n {3,}"), " "));
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_match(line, m, std::regex(R"((\d+)\. (.*))"))) continue;
    if (std::stoul(m[1].str()) != steps.size() + 1) break;
    steps.push_back(m[2].str());
  }
  return steps;
}

// Each match of `pattern` in `text` (line breaks and runs of blanks read as one blank), its groups.
inline std::vector<std::vector<std::string>> Matches(const std::string& text, const char* pattern) {
  const std::string flat = std::regex_replace(text, std::regex(R"(\s+)"), " ");
  const std::regex re(pattern);
  std::vector<std::vector<std::string>> out;
  for (auto it = std::sregex_iterator(flat.begin(), flat.end(), re); it != std::sregex_iterator(); ++it)
    out.emplace_back(it->begin(), it->end());
  return out;
}

// The spans in back-quotes, in order; the fences of code blocks are no spans.
inline std::vector<std::string> CodeSpans(const std::string& with_fences) {
  std::vector<std::string> spans;
  for (const auto& m : Matches(std::regex_replace(with_fences, std::regex("```"), ""), "`([^`]+)`")) spans.push_back(m[1]);
  return spans;
}

// The first span that starts with `prefix`; empty when none does.
inline std::string SpanStartingWith(const std::string& text, const std::string& prefix) {
  for (const std::string& s : CodeSpans(text))
    if (s.rfind(prefix, 0) == 0) return s;
  return {};
}

// The shell command the first "$ " prompt line of the first fenced block starts, with its "\"
// continuation lines joined.
inline std::string PromptCommand(const std::string& text) {
  const std::string joined = std::regex_replace(text, std::regex(R"(\\\n *)"), "");
  std::smatch m;
  return std::regex_search(joined, m, std::regex(R"(\n```[^\n]*\n(?:(?!```)[^$\n][^\n]*\n)*\$ ([^\n]*))")) ? m[1].str() : "";
}

inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace vn::testing
