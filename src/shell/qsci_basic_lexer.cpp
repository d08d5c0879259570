#include "shell/qsci_basic_lexer.h"

#include <Qsci/qsciscintilla.h>

#include "shell/basic_lexer.h"

namespace vn::shell {

BasicLexer::BasicLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString BasicLexer::description(int style) const {
  switch (style) {
    case kStyleDefault: return QStringLiteral("Default");
    case kStyleComment: return QStringLiteral("Comment");
    case kStyleString: return QStringLiteral("String");
    case kStyleNumber: return QStringLiteral("Number");
    case kStyleKeyword: return QStringLiteral("Keyword");
    case kStyleOperator: return QStringLiteral("Operator");
    case kStyleLabel: return QStringLiteral("Label");
    default: return {};
  }
}

void BasicLexer::styleText(int start, int end) {
  QsciScintilla* ed = editor();
  if (ed == nullptr) return;
  const int first = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start));
  const int last = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, end));
  for (int line = first; line <= last; ++line) {
    const int begin = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line));
    const int text_end = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, line));
    const int next = line + 1 < ed->lines()
                         ? static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line + 1))
                         : text_end;
    QByteArray bytes = text_end > begin ? ed->bytes(begin, text_end) : QByteArray();
    if (bytes.size() > text_end - begin) bytes.truncate(text_end - begin);
    startStyling(begin);
    int done = 0;
    for (const StyleRun& run : StyleBasicLine(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
      setStyling(run.length, run.style);
      done += run.length;
    }
    if (done < text_end - begin) setStyling(text_end - begin - done, kStyleDefault);
    if (next > text_end) setStyling(next - text_end, kStyleDefault);
  }
}

}  // namespace vn::shell
