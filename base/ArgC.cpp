#include "base/ArgC.h"

#include <cstring>

#include "base/ArgListC.h"

namespace {

// The text of an empty CharStar: shared, never freed.
constexpr char kEmptyText[] = "";

const char* CopyText(std::string_view text) {
  if (text.empty()) return kEmptyText;
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

}  // namespace

ArgC::ArgC(const ArgC& other) : cmn_ArgValueS(other) {
  // The base copy shares `other`'s payload; this argument takes its own reference or text.
  switch (type) {
    case ARG_STRING:
      if (str != nullptr) str->AddRef();
      break;
    case ARG_ARGLIST:
      ArgListC::RetainView(list);
      break;
    case ARG_CHARSTAR:
      // A failed allocation throws out of the constructor: no destructor runs, so the text
      // still shared with `other` is not freed twice.
      cstr = CopyText(cstr);
      break;
    default:
      break;
  }
}

ArgC::ArgC(ArgC&& other) noexcept {
  static_cast<cmn_ArgValueS&>(*this) = other;
  other.type = ARG_NULL;
  other.u64 = 0;
}

ArgC& ArgC::operator=(const ArgC& other) {
  if (this != &other) {
    ArgC copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ArgC& ArgC::operator=(ArgC&& other) noexcept {
  if (this != &other) {
    Clear();
    static_cast<cmn_ArgValueS&>(*this) = other;
    other.type = ARG_NULL;
    other.u64 = 0;
  }
  return *this;
}

ArgC::~ArgC() {
  Clear();
}

void ArgC::Clear() noexcept {
  switch (type) {
    case ARG_STRING:
      if (str != nullptr) str->Release();
      break;
    case ARG_ARGLIST:
      ArgListC::ReleaseView(list);
      break;
    case ARG_CHARSTAR:
      if (cstr != kEmptyText) delete[] cstr;
      break;
    default:
      break;
  }
  type = ARG_NULL;
  u64 = 0;
}

ArgC ArgC::MakeBool(bool value) noexcept {
  ArgC a;
  a.type = ARG_BOOL;
  a.b = value;
  return a;
}

ArgC ArgC::MakeInt16(int16_t value) noexcept {
  ArgC a;
  a.type = ARG_INT16;
  a.i32 = value;
  return a;
}

ArgC ArgC::MakeInt32(int32_t value) noexcept {
  ArgC a;
  a.type = ARG_INT32;
  a.i32 = value;
  return a;
}

ArgC ArgC::MakeInt64(int64_t value) noexcept {
  ArgC a;
  a.type = ARG_INT64;
  a.i64 = value;
  return a;
}

ArgC ArgC::MakeUnsigned16(uint16_t value) noexcept {
  ArgC a;
  a.type = ARG_UNSIGNED16;
  a.u32 = value;
  return a;
}

ArgC ArgC::MakeUnsigned32(uint32_t value) noexcept {
  ArgC a;
  a.type = ARG_UNSIGNED32;
  a.u32 = value;
  return a;
}

ArgC ArgC::MakeUnsigned64(uint64_t value) noexcept {
  ArgC a;
  a.type = ARG_UNSIGNED64;
  a.u64 = value;
  return a;
}

ArgC ArgC::MakeReal(double value) noexcept {
  ArgC a;
  a.type = ARG_REAL;
  a.real = value;
  return a;
}

ArgC ArgC::MakeUCS4(char32_t value) noexcept {
  ArgC a;
  a.type = ARG_UCS4;
  a.ucs4 = value;
  return a;
}

ArgC ArgC::MakeString(const StringC& value) noexcept {
  ArgC a;
  const cmn_StringBodyI* body = value.Body();
  body->AddRef();
  a.type = ARG_STRING;
  a.str = body;
  return a;
}

ArgC ArgC::MakeCharStar(const char* text) {
  return MakeCharStar(text != nullptr ? std::string_view(text) : std::string_view());
}

ArgC ArgC::MakeCharStar(std::string_view text) {
  ArgC a;
  a.cstr = CopyText(text);
  a.type = ARG_CHARSTAR;
  return a;
}

ArgC ArgC::MakePointer(const void* value) noexcept {
  ArgC a;
  a.type = ARG_OBJREF;
  a.ptr = value;
  return a;
}

ArgC ArgC::MakeTimeVal(int64_t seconds, int64_t microseconds) noexcept {
  ArgC a;
  a.type = ARG_TIMEVAL;
  a.tv = {seconds, microseconds};
  return a;
}

ArgC ArgC::MakeList(const ArgListC& value) noexcept {
  ArgC a;
  const cmn_ArgsI* view = ArgListC::ViewOf(value);
  ArgListC::RetainView(view);
  a.type = ARG_ARGLIST;
  a.list = view;
  return a;
}

int32_t ArgC::GetInt32() const noexcept {
  return type == ARG_INT16 || type == ARG_INT32 ? i32 : 0;
}

int64_t ArgC::GetInt64() const noexcept {
  switch (type) {
    case ARG_INT16:
    case ARG_INT32:
      return i32;
    case ARG_INT64:
      return i64;
    case ARG_UNSIGNED16:
    case ARG_UNSIGNED32:
      return u32;
    default:
      return 0;
  }
}

uint32_t ArgC::GetUnsigned32() const noexcept {
  return type == ARG_UNSIGNED16 || type == ARG_UNSIGNED32 ? u32 : 0;
}

uint64_t ArgC::GetUnsigned64() const noexcept {
  switch (type) {
    case ARG_UNSIGNED16:
    case ARG_UNSIGNED32:
      return u32;
    case ARG_UNSIGNED64:
      return u64;
    default:
      return 0;
  }
}

ArgListC ArgC::GetList() const noexcept {
  return type == ARG_ARGLIST ? ArgListC::FromView(list) : ArgListC();
}
