#include "os/TextWriterC.h"

TextWriterC::~TextWriterC() = default;

RcT TextWriterC::WriteLine(const StringC& text) {
  return WriteLine(text.Utf8View());
}

RcT TextWriterC::WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + newline_.size());
  line.append(text);
  line.append(newline_);
  return WriteUtf8(line);
}
