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

inline std::string ReadmeText() {
  std::ifstream in(VN_SOURCE_DIR "/README.md", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text under a "## " heading up to the next heading of that level; empty when it is missing.
inline std::string ReadmeSection(const std::string& readme, const std::string& heading) {
  const std::size_t at = readme.find("\n" + heading + "\n");
  if (at == std::string::npos) return {};
  const std::size_t begin = at + heading.size() + 2, end = readme.find("\n## ", begin);
  return readme.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// The numbered steps ("1. ..." with their indented continuation lines, joined by blanks); step
// n is element n - 1. A step list that skips a number ends there.
inline std::vector<std::string> ReadmeSteps(const std::string& section) {
  std::vector<std::string> steps;
  std::istringstream in(section);
  std::smatch m;
  bool in_step = false;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_match(line, m, std::regex(R"(^(\d+)\. (.*)$)"))) {
      if (std::stoul(m[1].str()) != steps.size() + 1) break;
      steps.push_back(m[2].str());
      in_step = true;
    } else if ((in_step = in_step && line.rfind("   ", 0) == 0)) {
      steps.back() += " " + line.substr(line.find_first_not_of(' '));
    }
  }
  return steps;
}

// The spans in back-quotes, in order; the fences of code blocks are no spans.
inline std::vector<std::string> CodeSpans(const std::string& with_fences) {
  const std::string text = std::regex_replace(with_fences, std::regex("```"), "");
  std::vector<std::string> spans;
  const std::regex span("`([^`\n]+)`");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), span); it != std::sregex_iterator(); ++it)
    spans.push_back((*it)[1].str());
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
  const std::size_t open = text.find("\n```"), close = text.find("\n```", open + 4);
  std::istringstream in(open == std::string::npos ? "" : text.substr(open, close - open));
  std::string command, line;
  while (std::getline(in, line) && line.rfind("$ ", 0) != 0) {
  }
  for (line = line.size() > 2 ? line.substr(2) : ""; !line.empty() && line.back() == '\\';) {
    command += line.substr(0, line.size() - 1);
    if (!std::getline(in, line)) return command;
    line = line.substr(line.find_first_not_of(' '));
  }
  return command + line;
}

// Every occurrence of `from` in `text` replaced by `to`.
inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace vn::testing
