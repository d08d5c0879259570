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

// NOLINTNEXTLINE(readability-identifier-naming): the window keeps the name it is known by.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows `page`; a page that is not there shows a page that says so.
  void Navigate(const std::filesystem::path& page);
  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace vn::shell
