// The BASIC dialect's colouring for QScintilla, over StyleBasicLine.
#pragma once

#include <Qsci/qscilexercustom.h>

namespace vn::shell {

class BasicLexer : public QsciLexerCustom {
  Q_OBJECT
 public:
  explicit BasicLexer(QObject* parent = nullptr);
  const char* language() const override { return "BASIC"; }
  QString description(int style) const override;
  void styleText(int start, int end) override;
};

}  // namespace vn::shell
