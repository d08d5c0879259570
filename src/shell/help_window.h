// The help window (HelpWindow, "VARNOLIC Help"): the program's HTML reference of the language and
// the IDE in a text browser that fills the window.
#pragma once

#include <QWidget>
#include <filesystem>

class QTextBrowser;

namespace vn::shell {

inline constexpr char kHelpCaption[] = "VARNOLIC Help";
// The first page, in the data folder.
inline constexpr char kHelpPage[] = "help/vnhelpv1.htm";
// The same pages in Korean, under the same names in a folder of their own, so that the links
// between them stay as they are.
inline constexpr char kHelpPageKo[] = "help/ko/vnhelpv1.htm";
// The first page for the menu language.
inline const char* HelpPageFor(bool korean) { return korean ? kHelpPageKo : kHelpPage; }
// The look of every page, in both languages, kept in one file beside them.
inline constexpr char kHelpStyleSheet[] = "help/help.css";

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows `page`; a page that is not there shows a page that says so.
  void Navigate(const std::filesystem::path& page);
  // The style sheet of the pages shown from now on; the pages keep the browser's plain look
  // when the file cannot be read.
  void UseStyleSheet(const std::filesystem::path& file);
  // The page last asked for with Navigate.
  const std::filesystem::path& page() const { return page_; }
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
  std::filesystem::path page_;
};

}  // namespace vn::shell
