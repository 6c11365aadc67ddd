#include "tests/testing/ErrBufProbe.h"

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

namespace qlmtest {

void ClearErrors() {
  getErrBuf()->Clear();
}

size_t ErrorCount() {
  return getErrBuf()->Count();
}

std::vector<uint32_t> ErrorCodes() {
  std::vector<uint32_t> codes;
  const cmn_ErrBufI* buf = getErrBuf();
  for (size_t i = 0; i < buf->Count(); ++i) codes.push_back(buf->Entry(i)->MessageNumber());
  return codes;
}

std::vector<std::string> ErrorTexts(size_t from) {
  std::vector<std::string> texts;
  const cmn_ErrBufI* buf = getErrBuf();
  for (size_t i = from; i < buf->Count(); ++i) texts.emplace_back(buf->Entry(i)->Text());
  return texts;
}

uint32_t LastErrorCode() {
  const cmn_ErrBufI* buf = getErrBuf();
  return buf->Count() == 0 ? 0 : buf->Entry(buf->Count() - 1)->MessageNumber();
}

std::string LastErrorText() {
  const cmn_ErrBufI* buf = getErrBuf();
  return buf->Count() == 0 ? std::string() : std::string(buf->Entry(buf->Count() - 1)->Text());
}

std::string ErrorText(uint32_t code) {
  const cmn_ErrBufI* buf = getErrBuf();
  for (size_t i = buf->Count(); i-- > 0;) {
    if (buf->Entry(i)->MessageNumber() == code) return std::string(buf->Entry(i)->Text());
  }
  return std::string();
}

}  // namespace qlmtest
