#include "shell/code_editor.h"

#include <Qsci/qsciprinter.h>

#include <QFontDatabase>
#include <QInputDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QScrollBar>
#include <QToolTip>
#include <cmath>

#include "platform/codepage.h"
#include "core/file_io.h"
#include "shell/editor_environment_dialog.h"
#include "shell/find_dialog.h"
#include "shell/message_box.h"
#include "shell/qsci_basic_lexer.h"
#include "shell/basic_lexer.h"
#include "shell/studio.h"
#include "shell/text_file.h"

namespace vn::shell {

namespace {

constexpr int kNumberMargin = 0;
constexpr int kSymbolMargin = 1;
constexpr int kBookmarkMarker = 0;
constexpr int kErrorMarker = 1;
constexpr int kSymbolMarginWidth = 16;
// Breakpoints have a margin of their own, so that clicking the symbol margin still sets bookmarks.
constexpr int kBreakpointMargin = 2;
constexpr int kBreakpointMarker = 2;
constexpr int kBreakpointMarginWidth = 14;
constexpr int kHoverDelayMs = 500;

QColor FromWindowsRgb(unsigned v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

QString NumberText(long n, int style) {
  const QString sign = n < 0 ? QStringLiteral("-") : QString();
  const unsigned long m = static_cast<unsigned long>(n < 0 ? -n : n);
  switch (style) {
    case kNumberingHex: return sign + QString::number(m, 16).toUpper();
    case kNumberingOctal: return sign + QString::number(m, 8);
    case kNumberingBinary: return sign + QString::number(m, 2);
    default: return sign + QString::number(m);
  }
}

}  // namespace

CodeEditor::CodeEditor(QWidget* parent)
    : QsciScintilla(parent), lexer_(new BasicLexer(this)), code_page_(std::make_unique<platform::CodePage>()) {
  setObjectName(QStringLiteral("txtEditor"));
  for (const ColorSlot& c : kColorSlots) colors_[static_cast<size_t>(c.slot)] = static_cast<unsigned>(c.default_value);
  font_family_ = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();

  setUtf8(true);
  setEolMode(EolUnix);
  SendScintilla(SCI_SETPASTECONVERTENDINGS, 1UL);
  // The horizontal scroll bar follows the longest line instead of a fixed width.
  SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1UL);
  setTabWidth(4);
  setAutoIndent(true);
  setLexer(lexer_);

  setMarginType(kNumberMargin, NumberMargin);
  setMarginWidth(kNumberMargin, 0);
  setMarginType(kSymbolMargin, SymbolMarginColor);
  setMarginSensitivity(kSymbolMargin, true);
  setMarginMarkerMask(kSymbolMargin, 1 << kBookmarkMarker);
  markerDefine(Circle, kBookmarkMarker);
  markerDefine(Background, kErrorMarker);
  SetUpBreakpoints();

  connect(this, &QsciScintilla::textChanged, this, [this] {
    if (suppress_change_) return;
    if (error_line_ >= 0) {
      markerDeleteAll(kErrorMarker);
      error_line_ = -1;
    }
    if (on_change) on_change();
    if (on_selection_change) on_selection_change();
  });
  auto selection = [this] {
    if (!suppress_change_ && on_selection_change) on_selection_change();
  };
  connect(this, &QsciScintilla::cursorPositionChanged, this, selection);
  connect(this, &QsciScintilla::selectionChanged, this, selection);
  connect(this, &QsciScintilla::linesChanged, this, [this] { UpdateLineNumbers(); });
  connect(this, &QsciScintilla::marginClicked, this, [this](int margin, int line, Qt::KeyboardModifiers) {
    if (margin == kBreakpointMargin) {
      if (on_breakpoint_click) on_breakpoint_click(line);
      else ToggleBreakpoint(line);
      return;
    }
    if (margin != kSymbolMargin) return;
    if (markersAtLine(line) & (1 << kBookmarkMarker)) markerDelete(line, kBookmarkMarker);
    else markerAdd(line, kBookmarkMarker);
  });
  connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, [this](int) {
    if (!line_tool_tips_) return;
    const long visible = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const long line = SendScintilla(SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(visible));
    QToolTip::showText(QCursor::pos(), QStringLiteral("Line %1").arg(line + 1), this);
  });

  ApplyFont();
  ApplyColors();
  ApplyMargins();
}

CodeEditor::~CodeEditor() = default;

// ---- Files and text ---------------------------------------------------------------------------

bool CodeEditor::SaveToFile(const std::string& path) {
  const EncodedText out = EncodeSourceText(Text(), TextEncoding::kCp949, *code_page_);
  return core::ReplaceFile(path, out.bytes).ok();
}

void CodeEditor::LoadFromFile(const std::string& path) {
  const core::FileRead read = core::ReadFile(path, core::FileKind::kSource);
  if (!read.ok()) return;
  SetText(DecodeSourceBytes(read.bytes, *code_page_).utf8);
}

std::string CodeEditor::Text() const { return text().toUtf8().toStdString(); }

void CodeEditor::SetText(const std::string& utf8) {
  suppress_change_ = true;
  setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  SendScintilla(SCI_EMPTYUNDOBUFFER);
  setModified(false);
  markerDeleteAll();
  error_line_ = -1;
  setCursorPosition(0, 0);
  suppress_change_ = false;
  UpdateLineNumbers();
}

void CodeEditor::SetLanguage(const std::string& language) {
  basic_language_ = language == "BASIC";
  ApplyColors();
}

// ---- Breakpoints ----------------------------------------------------------------------------------

void CodeEditor::SetUpBreakpoints() {
  setMarginType(kBreakpointMargin, SymbolMargin);
  setMarginSensitivity(kBreakpointMargin, true);
  setMarginMarkerMask(kBreakpointMargin, 1 << kBreakpointMarker);
  setMarginWidth(kBreakpointMargin, kBreakpointMarginWidth);
  markerDefine(Circle, kBreakpointMarker);
  setMarkerBackgroundColor(QColor(0xC0, 0x10, 0x10), kBreakpointMarker);
  setMarkerForegroundColor(QColor(0x80, 0x00, 0x00), kBreakpointMarker);
  // The mouse resting on a word asks for its tip.
  SendScintilla(SCI_SETMOUSEDWELLTIME, static_cast<unsigned long>(kHoverDelayMs));
  connect(this, &QsciScintillaBase::SCN_DWELLSTART, this, [this](int position, int x, int y) {
    const QString tip = HoverTextAt(position);
    if (!tip.isEmpty()) QToolTip::showText(viewport()->mapToGlobal(QPoint(x, y)), tip, viewport());
  });
  connect(this, &QsciScintillaBase::SCN_DWELLEND, this, [](int, int, int) { QToolTip::hideText(); });
}

std::vector<int> CodeEditor::BreakpointLines() const {
  std::vector<int> found;
  for (int line = 0;;) {
    line = markerFindNext(line, 1 << kBreakpointMarker);
    if (line < 0) break;
    found.push_back(line);
    ++line;
  }
  return found;
}

void CodeEditor::SetBreakpoints(const std::vector<int>& lines) {
  markerDeleteAll(kBreakpointMarker);
  for (int line : lines)
    if (line >= 0 && line < this->lines()) markerAdd(line, kBreakpointMarker);
}

bool CodeEditor::ToggleBreakpoint(int line) {
  if (line < 0 || line >= lines()) return false;
  if (markersAtLine(line) & (1 << kBreakpointMarker)) {
    markerDelete(line, kBreakpointMarker);
    return false;
  }
  markerAdd(line, kBreakpointMarker);
  return true;
}

QString CodeEditor::HoverTextAt(int position) const {
  if (!hover_text || position < 0) return {};
  int line = 0, index = 0;
  lineIndexFromPosition(position, &line, &index);
  const QString word = wordAtLineIndex(line, index);
  return word.isEmpty() ? QString() : hover_text(word);
}

// ---- Commands -----------------------------------------------------------------------------------

void CodeEditor::GoToLine(int line) {
  if (line < 0) {
    AskAndGoToLine();
    return;
  }
  line = std::min(line, std::max(0, lines() - 1));
  setCursorPosition(line, 0);
  ensureLineVisible(line);
}

void CodeEditor::ExecuteCommand(int command, int argument) {
  switch (command) {
    case kCmdSelectAll: selectAll(true); break;
    case kCmdGotoLine: GoToLine(argument); break;
    case kCmdFind: ShowFindDialog(false); break;
    case kCmdReplace: ShowFindDialog(true); break;
    case kCmdFindNext: FindAgain(true); break;
    case kCmdFindPrevious: FindAgain(false); break;
    case kCmdToggleBookmark: {
      int line = 0, index = 0;
      getCursorPosition(&line, &index);
      if (markersAtLine(line) & (1 << kBookmarkMarker)) markerDelete(line, kBookmarkMarker);
      else markerAdd(line, kBookmarkMarker);
      break;
    }
    case kCmdNextBookmark: NextBookmark(true); break;
    case kCmdPreviousBookmark: NextBookmark(false); break;
    case kCmdClearBookmarks: markerDeleteAll(kBookmarkMarker); break;
    case kCmdEnvironment: RunEnvironmentDialog(); break;
    default: break;
  }
}

void CodeEditor::Print(bool print_setup) {
  // Made on first use: a printer asks the print system for its queues.
  if (!printer_) printer_ = std::make_unique<QsciPrinter>(QPrinter::HighResolution);
  if (print_setup) {
    QPageSetupDialog dialog(printer_.get(), this);
    dialog.exec();
    return;
  }
  QPrintDialog dialog(printer_.get(), this);
  if (dialog.exec() == QDialog::Accepted) printer_->printRange(this);
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
  QsciScintilla::keyPressEvent(event);
  if (!suppress_change_ && on_selection_change) on_selection_change();
}

void CodeEditor::inputMethodEvent(QInputMethodEvent* event) {
  QsciScintilla::inputMethodEvent(event);
  if (!suppress_change_ && on_selection_change) on_selection_change();
}

int CodeEditor::SelectionEndLine() const {
  int lf = -1, xf = -1, lt = -1, xt = -1;
  getSelection(&lf, &xf, &lt, &xt);
  if (lf < 0) getCursorPosition(&lt, &xt);
  return lt;
}

int CodeEditor::SelectionEndColumn() const {
  int lf = -1, xf = -1, lt = -1, xt = -1;
  getSelection(&lf, &xf, &lt, &xt);
  if (lf < 0) getCursorPosition(&lt, &xt);
  return xt;
}

void CodeEditor::MarkErrorLine(int line) {
  markerDeleteAll(kErrorMarker);
  error_line_ = line;
  if (colors_[30] != kNoColor) markerAdd(line, kErrorMarker);
}

void CodeEditor::AskAndGoToLine() {
  int current = 0, index = 0;
  getCursorPosition(&current, &index);
  int chosen = 0;
  if (ask_line) {
    chosen = ask_line(lines());
  } else {
    bool ok = false;
    chosen = QInputDialog::getInt(this, QStringLiteral("Goto Line"), QStringLiteral("Line number:"), current + 1, 1,
                                  std::max(1, lines()), 1, &ok);
    if (!ok) chosen = 0;
  }
  if (chosen >= 1) GoToLine(chosen - 1);
  setFocus();
}

void CodeEditor::RunEnvironmentDialog() {
  EditorProfile profile = ReadProfile(*this);
  bool accepted = false;
  if (environment_dialog) {
    accepted = environment_dialog(profile);
  } else {
    EditorEnvironmentDialog dialog(profile, this);
    accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) profile = dialog.profile();
  }
  if (accepted) ApplyProfile(profile, *this);
}

std::vector<int> CodeEditor::Bookmarks() const {
  std::vector<int> result;
  for (int line = markerFindNext(0, 1u << kBookmarkMarker); line >= 0;
       line = markerFindNext(line + 1, 1u << kBookmarkMarker))
    result.push_back(line);
  return result;
}

void CodeEditor::NextBookmark(bool forward) {
  int line = 0, index = 0;
  getCursorPosition(&line, &index);
  const unsigned mask = 1u << kBookmarkMarker;
  int found = forward ? markerFindNext(line + 1, mask) : markerFindPrevious(line - 1, mask);
  if (found < 0) found = forward ? markerFindNext(0, mask) : markerFindPrevious(lines() - 1, mask);
  if (found < 0) return;
  setCursorPosition(found, 0);
  ensureLineVisible(found);
}

// ---- Search -------------------------------------------------------------------------------------

void CodeEditor::Note(const QString& text) {
  if (notify) notify(text);
  else ShowMessageBox(this, text.toStdString(), kTitleMessage, kStyleInformation);
}

bool CodeEditor::Find(const SearchOptions& options) {
  if (options.text.isEmpty()) return false;
  last_search_ = options;
  have_search_ = true;
  const long pos = SendScintilla(options.forward ? SCI_GETSELECTIONEND : SCI_GETSELECTIONSTART);
  int line = 0, index = 0;
  lineIndexFromPosition(static_cast<int>(pos), &line, &index);
  const bool found = findFirst(options.text, options.regex, options.case_sensitive, options.whole_word, true,
                               options.forward, line, index, true);
  if (!found) Note(QStringLiteral("Cannot find \"%1\"").arg(options.text));
  return found;
}

bool CodeEditor::ReplaceOnce(const SearchOptions& options) {
  if (options.text.isEmpty()) return false;
  int lf = -1, xf = -1, lt = -1, xt = -1;
  getSelection(&lf, &xf, &lt, &xt);
  if (lf >= 0) {
    // Only a selection that is itself a match is replaced.
    const bool match = findFirst(options.text, options.regex, options.case_sensitive, options.whole_word, false, true,
                                 lf, xf, false);
    int mlf = -1, mxf = -1, mlt = -1, mxt = -1;
    getSelection(&mlf, &mxf, &mlt, &mxt);
    if (match && mlf == lf && mxf == xf && mlt == lt && mxt == xt) {
      replace(options.replacement);
    } else {
      setSelection(lf, xf, lt, xt);
    }
  }
  SearchOptions forward = options;
  forward.forward = true;
  return Find(forward);
}

int CodeEditor::ReplaceAll(const SearchOptions& options) {
  if (options.text.isEmpty()) return 0;
  last_search_ = options;
  have_search_ = true;
  const QByteArray what = options.text.toUtf8();
  const QByteArray with = options.replacement.toUtf8();
  unsigned long flags = 0;
  if (options.case_sensitive) flags |= SCFIND_MATCHCASE;
  if (options.whole_word) flags |= SCFIND_WHOLEWORD;
  if (options.regex) flags |= SCFIND_REGEXP | SCFIND_CXX11REGEX;
  SendScintilla(SCI_SETSEARCHFLAGS, flags);
  int count = 0;
  long start = 0;
  beginUndoAction();
  while (start <= length()) {
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(start), static_cast<long>(length()));
    const long pos = SendScintilla(SCI_SEARCHINTARGET, static_cast<uintptr_t>(what.size()), what.constData());
    if (pos < 0) break;
    const long match_end = SendScintilla(SCI_GETTARGETEND);
    const long replaced = SendScintilla(options.regex ? SCI_REPLACETARGETRE : SCI_REPLACETARGET,
                                        static_cast<uintptr_t>(with.size()), with.constData());
    ++count;
    start = pos + replaced;
    // An empty match would be found again at the same place.
    if (match_end == pos) start = SendScintilla(SCI_POSITIONAFTER, static_cast<unsigned long>(start));
    if (match_end == pos && start >= length()) break;
  }
  endUndoAction();
  return count;
}

void CodeEditor::FindAgain(bool forward) {
  if (!have_search_) {
    ShowFindDialog(false);
    return;
  }
  SearchOptions options = last_search_;
  options.forward = forward;
  Find(options);
}

void CodeEditor::ShowFindDialog(bool replace) {
  if (!find_dialog_) find_dialog_ = new FindDialog(this);
  SearchOptions start = last_search_;
  if (hasSelectedText() && !selectedText().contains('\n')) start.text = selectedText();
  find_dialog_->Start(start, replace);
}

// ---- Appearance -----------------------------------------------------------------------------------

void CodeEditor::SetColor(int slot, unsigned color) {
  if (slot < 0 || slot >= kColorSlotCount) return;
  colors_[static_cast<size_t>(slot)] = color;
  ApplyColors();
}

unsigned CodeEditor::GetColor(int slot) const {
  if (slot < 0 || slot >= kColorSlotCount) return kNoColor;
  return colors_[static_cast<size_t>(slot)];
}

void CodeEditor::SetOption(const std::string& name, int value) {
  const bool on = value != 0;
  if (name == kOptColorSyntax) color_syntax_ = on;
  else if (name == kOptSelBounds) sel_bounds_ = on;
  else if (name == kOptLeftMargin) left_margin_ = on;
  else if (name == kOptWhiteSpace) white_space_ = on;
  else if (name == kOptNumbering) numbering_ = on;
  else if (name == kOptLineToolTips) line_tool_tips_ = on;
  else if (name == kOptNumberingStyle) numbering_style_ = value;
  else if (name == kOptNumberingStart) numbering_start_ = value;
  else return;
  if (name == kOptColorSyntax) ApplyColors();
  else ApplyMargins();
}

int CodeEditor::GetOption(const std::string& name) const {
  if (name == kOptColorSyntax) return color_syntax_;
  if (name == kOptSelBounds) return sel_bounds_;
  if (name == kOptLeftMargin) return left_margin_;
  if (name == kOptWhiteSpace) return white_space_;
  if (name == kOptNumbering) return numbering_;
  if (name == kOptLineToolTips) return line_tool_tips_;
  if (name == kOptNumberingStyle) return numbering_style_;
  if (name == kOptNumberingStart) return numbering_start_;
  return 0;
}

void CodeEditor::SetFont(const Font& font) {
  if (!font.name.empty()) font_family_ = QString::fromStdString(font.name);
  // The interface carries whole points; a fractional size set through SetFontSize stays
  // unless the caller asked for another size.
  if (font.size > 0 && font.size != static_cast<int>(std::lround(font_size_))) font_size_ = font.size;
  bold_ = font.bold;
  italic_ = font.italic;
  underline_ = font.underline;
  strike_ = font.strikethrough;
  ApplyFont();
}

CodeEditor::Font CodeEditor::GetFont() const {
  Font f;
  f.name = font_family_.toStdString();
  f.size = static_cast<int>(std::lround(font_size_));
  f.bold = bold_;
  f.italic = italic_;
  f.underline = underline_;
  f.strikethrough = strike_;
  return f;
}

void CodeEditor::SetFontSize(double points) {
  if (points <= 0 || !std::isfinite(points)) return;
  font_size_ = points;
  ApplyFont();
}

void CodeEditor::ApplyFont() {
  QFont f(font_family_);
  f.setStyleHint(QFont::Monospace);
  f.setPointSizeF(font_size_);
  f.setBold(bold_);
  f.setItalic(italic_);
  f.setUnderline(underline_);
  f.setStrikeOut(strike_);
  lexer_->setDefaultFont(f);
  lexer_->setFont(f, -1);
  QFont margin(font_family_);
  margin.setPointSizeF(font_size_);
  setMarginsFont(margin);
  UpdateLineNumbers();
}

void CodeEditor::ApplyColors() {
  auto slot = [this](int n) { return colors_[static_cast<size_t>(n)]; };
  const QColor window = slot(0) == kNoColor ? QColor(Qt::white) : FromWindowsRgb(slot(0));
  const QColor text_fg = slot(4) == kNoColor ? QColor(Qt::black) : FromWindowsRgb(slot(4));
  const QColor text_bg = slot(5) == kNoColor ? window : FromWindowsRgb(slot(5));
  struct StyleSlots {
    int style, fg, bg;
  };
  static constexpr StyleSlots kStyles[] = {
      {kStyleDefault, 4, 5},  {kStyleComment, 14, 15},  {kStyleString, 16, 17}, {kStyleNumber, 6, 7},
      {kStyleKeyword, 8, 9},  {kStyleOperator, 10, 11}, {kStyleLabel, 12, 13},
  };
  const bool colouring = color_syntax_ && basic_language_;
  for (const StyleSlots& s : kStyles) {
    const unsigned fg = slot(s.fg), bg = slot(s.bg);
    lexer_->setColor(colouring && fg != kNoColor ? FromWindowsRgb(fg) : text_fg, s.style);
    lexer_->setPaper(colouring && bg != kNoColor ? FromWindowsRgb(bg) : text_bg, s.style);
  }
  lexer_->setDefaultColor(text_fg);
  lexer_->setDefaultPaper(window);
  setCaretForegroundColor(text_fg);

  setMarginsForegroundColor(slot(26) == kNoColor ? QColor(Qt::black) : FromWindowsRgb(slot(26)));
  setMarginsBackgroundColor(slot(27) == kNoColor ? QColor(Qt::lightGray) : FromWindowsRgb(slot(27)));
  setMarginBackgroundColor(kSymbolMargin, slot(1) == kNoColor ? QColor(Qt::lightGray) : FromWindowsRgb(slot(1)));
  setMarkerForegroundColor(slot(2) == kNoColor ? QColor(0, 0, 128) : FromWindowsRgb(slot(2)), kBookmarkMarker);
  setMarkerBackgroundColor(slot(3) == kNoColor ? QColor(0, 160, 255) : FromWindowsRgb(slot(3)), kBookmarkMarker);
  if (slot(30) != kNoColor) {
    setMarkerBackgroundColor(FromWindowsRgb(slot(30)), kErrorMarker);
    if (error_line_ >= 0 && !(markersAtLine(error_line_) & (1 << kErrorMarker))) markerAdd(error_line_, kErrorMarker);
  } else {
    markerDeleteAll(kErrorMarker);
  }
}

void CodeEditor::ApplyMargins() {
  setMarginWidth(kSymbolMargin, left_margin_ ? kSymbolMarginWidth : 0);
  setWhitespaceVisibility(white_space_ ? WsVisible : WsInvisible);
  SendScintilla(SCI_SETVIRTUALSPACEOPTIONS,
                static_cast<unsigned long>(sel_bounds_ ? SCVS_NONE : SCVS_RECTANGULARSELECTION | SCVS_USERACCESSIBLE));
  UpdateLineNumbers();
}

void CodeEditor::UpdateLineNumbers() {
  if (!numbering_) {
    setMarginWidth(kNumberMargin, 0);
    return;
  }
  const int count = std::max(1, lines());
  const bool plain = numbering_style_ == kNumberingDecimal && numbering_start_ == 1;
  if (plain) {
    if (marginType(kNumberMargin) != NumberMargin) {
      clearMarginText();
      setMarginType(kNumberMargin, NumberMargin);
    }
    setMarginWidth(kNumberMargin, QString(QString::number(count).size() + 1, QLatin1Char('9')));
    return;
  }
  // Another base or first number: the margin shows text of our own.
  setMarginType(kNumberMargin, TextMargin);
  QString widest;
  for (int line = 0; line < count; ++line) {
    const QString text = NumberText(static_cast<long>(numbering_start_) + line, numbering_style_);
    if (text.size() > widest.size()) widest = text;
    setMarginText(line, text, STYLE_LINENUMBER);
  }
  setMarginWidth(kNumberMargin, widest + QStringLiteral("0"));
}

}  // namespace vn::shell
