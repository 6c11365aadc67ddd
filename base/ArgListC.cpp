#include "base/ArgListC.h"

#include <sys/time.h>

#include <cstring>
#include <new>

#include "base/RefCountC.h"
#include "cmn/cmn_Formatter.h"

// The shared body of a list: an array of ArgC with a count and a capacity. The capacity grows
// to the next multiple of 16 above the current one. Only an unshared implementation is ever
// changed (ArgListC::Writable copies a shared one first).
class ArgListC::ArgListImplC final : public RefCountC, public cmn_ArgsI {
 public:
  ArgListImplC() noexcept = default;
  ArgListImplC(const ArgListImplC&) = delete;
  ArgListImplC& operator=(const ArgListImplC&) = delete;

  // A private copy with room for at least one more argument.
  ArgListImplC* Clone() const {
    auto* copy = new ArgListImplC;
    copy->Reserve(NextCapacity(count_));
    for (size_t i = 0; i < count_; ++i) {
      new (&copy->args_[i]) ArgC(args_[i]);
      ++copy->count_;  // counted as built, so a failed copy frees what was made
    }
    return copy;
  }

  void Append(ArgC&& argument) {
    if (count_ == capacity_) Reserve(NextCapacity(capacity_));
    new (&args_[count_]) ArgC(std::move(argument));
    ++count_;
  }

  size_t Count() const override { return count_; }
  const cmn_ArgValueS* At(size_t index) const override {
    return index < count_ ? &args_[index] : nullptr;
  }
  const ArgC* ArgAt(size_t index) const noexcept {
    return index < count_ ? &args_[index] : nullptr;
  }

 private:
  ~ArgListImplC() override {
    for (size_t i = 0; i < count_; ++i) args_[i].~ArgC();
    ::operator delete(args_);
  }

  static size_t NextCapacity(size_t capacity) { return (capacity / 16 + 1) * 16; }

  void Reserve(size_t capacity) {
    auto* grown = static_cast<ArgC*>(::operator new(capacity * sizeof(ArgC)));
    for (size_t i = 0; i < count_; ++i) {
      new (&grown[i]) ArgC(std::move(args_[i]));
      args_[i].~ArgC();
    }
    ::operator delete(args_);
    args_ = grown;
    capacity_ = capacity;
  }

  ArgC* args_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};

constinit const ArgListC ArgListNull;

ArgListC::ArgListC(const ArgListC& other) noexcept : impl_(other.impl_) {
  if (impl_ != nullptr) impl_->AddRef();
}

// Safe without a self check: the new reference is taken before the old one is dropped, so
// self-assignment leaves the count as it was.
// NOLINTNEXTLINE(bugprone-unhandled-self-assignment): see above.
ArgListC& ArgListC::operator=(const ArgListC& other) noexcept {
  if (other.impl_ != nullptr) other.impl_->AddRef();
  if (impl_ != nullptr) impl_->Release();
  impl_ = other.impl_;
  return *this;
}

ArgListC& ArgListC::operator=(ArgListC&& other) noexcept {
  if (this != &other) {
    if (impl_ != nullptr) impl_->Release();
    impl_ = std::exchange(other.impl_, nullptr);
  }
  return *this;
}

ArgListC::~ArgListC() {
  if (impl_ != nullptr) impl_->Release();
}

size_t ArgListC::Count() const noexcept {
  return impl_ != nullptr ? impl_->Count() : 0;
}

const ArgC* ArgListC::At(size_t index) const noexcept {
  return impl_ != nullptr ? impl_->ArgAt(index) : nullptr;
}

const cmn_ArgsI* ArgListC::Args() const noexcept {
  return impl_;
}

bool ArgListC::IsShared() const noexcept {
  return impl_ != nullptr && impl_->IsShared();
}

void ArgListC::Clear() noexcept {
  if (impl_ != nullptr) std::exchange(impl_, nullptr)->Release();
}

std::string ArgListC::FormatUtf8(std::string_view format) const {
  return cmn_Format(format, Args());
}

ArgListC::ArgListImplC* ArgListC::Writable() {
  if (impl_ == nullptr) {
    impl_ = new ArgListImplC;
    impl_->AddRef();
  } else if (impl_->IsShared()) {
    ArgListImplC* copy = impl_->Clone();
    copy->AddRef();
    impl_->Release();
    impl_ = copy;
  }
  return impl_;
}

ArgListC& ArgListC::Add(ArgC argument) {
  // `argument` is complete before the list is touched: when it nests this very list, it holds
  // a reference, so Writable() copies and the list never contains itself.
  Writable()->Append(std::move(argument));
  return *this;
}

void ArgListC::RetainView(const cmn_ArgsI* view) noexcept {
  if (view != nullptr) static_cast<const ArgListImplC*>(view)->AddRef();
}

void ArgListC::ReleaseView(const cmn_ArgsI* view) noexcept {
  if (view != nullptr) static_cast<const ArgListImplC*>(view)->Release();
}

const cmn_ArgsI* ArgListC::ViewOf(const ArgListC& list) noexcept {
  return list.impl_;
}

ArgListC ArgListC::FromView(const cmn_ArgsI* view) noexcept {
  ArgListC list;
  if (view != nullptr) {
    // Nested views are only ever made by MakeList from an ArgListImplC.
    list.impl_ = const_cast<ArgListImplC*>(static_cast<const ArgListImplC*>(view));
    list.impl_->AddRef();
  }
  return list;
}

// Building a list from a format and C variable arguments.
namespace {

// What one position takes from the variable arguments and stores.
enum KindE : unsigned char {
  KIND_NONE = 0,    // no conversion names this position
  KIND_INT32,       // int -> Int32
  KIND_UNSIGNED32,  // unsigned int -> Unsigned32
  KIND_INT16,       // int -> Int16
  KIND_UNSIGNED16,  // unsigned int -> Unsigned16
  KIND_INT8,        // int, low 8 bits sign-extended -> Int32
  KIND_UNSIGNED8,   // unsigned int, low 8 bits -> Int32
  KIND_INT64,       // int64_t -> Int64
  KIND_UNSIGNED64,  // uint64_t -> Unsigned64
  KIND_CHARSTAR,    // const char* -> CharStar
  KIND_STRING,      // const StringC* -> String
  KIND_UCS4,        // 32-bit character -> UCS4
  KIND_POINTER,     // const void* -> ObjRef
  KIND_TIMEVAL,     // const struct timeval* -> TimeVal
  KIND_REAL,        // double (floats are promoted) -> Real
};

enum LengthE { LENGTH_NONE, LENGTH_16, LENGTH_8, LENGTH_64 };

// Positions and widths in a format saturate here, far above kMaxFormatArguments.
constexpr uint64_t kNumberCap = uint64_t{1} << 32;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsIntegerLetter(char c) {
  return c == 'd' || c == 'i' || c == 'u' || c == 'x' || c == 'X' || c == 'o' || c == 'b';
}

uint64_t ParseNumber(const char*& p) {
  uint64_t n = 0;
  while (IsDigit(*p)) {
    n = n * 10 + static_cast<uint64_t>(*p - '0');
    if (n > kNumberCap) n = kNumberCap;
    ++p;
  }
  return n;
}

struct StarS {
  bool present = false;
  bool positional = false;
  uint64_t position = 0;
};

StarS ParseStar(const char*& p) {
  StarS star;
  star.present = true;
  ++p;
  const char* q = p;
  const uint64_t m = ParseNumber(q);
  if (q != p && *q == '$') {
    star.positional = true;
    star.position = m;
    p = q + 1;
  }
  return star;
}

KindE KindOf(char conv, LengthE length) {
  switch (conv) {
    case 'd':
    case 'i':
      switch (length) {
        case LENGTH_16:
          return KIND_INT16;
        case LENGTH_8:
          return KIND_INT8;
        case LENGTH_64:
          return KIND_INT64;
        default:
          return KIND_INT32;
      }
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'b':
      switch (length) {
        case LENGTH_16:
          return KIND_UNSIGNED16;
        case LENGTH_8:
          return KIND_UNSIGNED8;
        case LENGTH_64:
          return KIND_UNSIGNED64;
        default:
          return KIND_UNSIGNED32;
      }
    case 's':
      return KIND_CHARSTAR;
    case 'S':
      return KIND_STRING;
    case 'C':
      return KIND_UCS4;
    case 'p':
      return KIND_POINTER;
    case 't':
      return KIND_TIMEVAL;
    // A caller passes a double for these; reading it as an int would shift every later
    // argument, so they take a double and store it as a Real.
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      return KIND_REAL;
    default:  // c and every other letter
      return KIND_INT32;
  }
}

// The type of each position named by the conversions of `format` (1-based positions at index
// position - 1). Returns the highest position named, at most ArgListC::kMaxFormatArguments. The
// scan follows the formatter's reading of conversions, so that both agree on which position a
// conversion without one takes.
size_t ScanFormat(const char* format, KindE* kinds) {
  size_t highest = 0;
  auto record = [&](uint64_t position, KindE kind) {
    if (position == 0 || position > ArgListC::kMaxFormatArguments) return;
    if (kinds[position - 1] == KIND_NONE) kinds[position - 1] = kind;  // the first one decides
    if (position > highest) highest = static_cast<size_t>(position);
  };

  uint64_t cursor = 0;  // positions taken so far by conversions without one
  const char* p = format;
  while (*p != '\0') {
    if (*p++ != '%') continue;
    if (*p == '\0') break;
    if (*p == '%') {
      ++p;
      continue;
    }
    bool positional = false;
    uint64_t position = 0;
    {
      const char* q = p;
      const uint64_t n = ParseNumber(q);
      if (q != p && *q == '$') {
        positional = true;
        position = n;
        p = q + 1;
      }
    }
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') ++p;
    StarS width_star;
    if (*p == '*')
      width_star = ParseStar(p);
    else
      // Skips the digits; their value is not needed here.
      (void)ParseNumber(p);
    StarS precision_star;
    if (*p == '.') {
      ++p;
      if (*p == '*')
        precision_star = ParseStar(p);
      else
        // Skips the digits; their value is not needed here.
        (void)ParseNumber(p);
    }
    LengthE length = LENGTH_NONE;
    for (;;) {
      const char c = *p;
      if (c == 'h') {
        length = length == LENGTH_16 ? LENGTH_8 : LENGTH_16;
      } else if (c == 'l' || c == 'L' || c == 'q' || c == 'j' || c == 'z' ||
                 (c == 't' && IsIntegerLetter(p[1]))) {
        length = LENGTH_64;
      } else {
        break;
      }
      ++p;
    }
    if (!IsAsciiLetter(*p)) continue;  // malformed: the stopping character is read as text
    const char conv = *p++;

    for (const StarS* star : {&width_star, &precision_star}) {
      if (!star->present) continue;
      record(star->positional ? star->position : ++cursor, KIND_INT32);
    }
    if (positional) {
      record(position, KindOf(conv, length));
      cursor = position;
    } else {
      record(++cursor, KindOf(conv, length));
    }
  }
  return highest;
}

}  // namespace

ArgListC ArgListC::FromFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  ArgListC list = FromFormatV(format, args);
  va_end(args);
  return list;
}

ArgListC ArgListC::FromFormatV(const char* format, va_list args) {
  ArgListC list;
  if (format == nullptr) return list;
  KindE kinds[kMaxFormatArguments] = {};
  const size_t highest = ScanFormat(format, kinds);

  va_list ap;
  va_copy(ap, args);
  size_t position = 0;
  for (; position < highest && kinds[position] != KIND_NONE; ++position) {
    switch (kinds[position]) {
      case KIND_INT32:
        list.AddInt32(va_arg(ap, int));
        break;
      case KIND_UNSIGNED32:
        list.AddUnsigned32(va_arg(ap, unsigned int));
        break;
      case KIND_INT16:
        list.AddInt16(static_cast<int16_t>(va_arg(ap, int)));
        break;
      case KIND_UNSIGNED16:
        list.AddUnsigned16(static_cast<uint16_t>(va_arg(ap, unsigned int)));
        break;
      case KIND_INT8:
        list.AddInt32(static_cast<int8_t>(va_arg(ap, int)));
        break;
      case KIND_UNSIGNED8:
        list.AddInt32(static_cast<uint8_t>(va_arg(ap, unsigned int)));
        break;
      case KIND_INT64:
        list.AddInt64(va_arg(ap, int64_t));
        break;
      case KIND_UNSIGNED64:
        list.AddUnsigned64(va_arg(ap, uint64_t));
        break;
      case KIND_CHARSTAR:
        list.AddCharStar(va_arg(ap, const char*));
        break;
      case KIND_STRING: {
        const StringC* s = va_arg(ap, const StringC*);
        if (s != nullptr)
          list.AddString(*s);
        else
          list.AddNull();
        break;
      }
      case KIND_UCS4:
        list.AddUCS4(static_cast<char32_t>(va_arg(ap, unsigned int)));
        break;
      case KIND_POINTER:
        list.AddPointer(va_arg(ap, const void*));
        break;
      case KIND_TIMEVAL: {
        const struct timeval* tv = va_arg(ap, const struct timeval*);
        if (tv != nullptr)
          list.AddTimeVal(tv->tv_sec, tv->tv_usec);
        else
          list.AddNull();
        break;
      }
      case KIND_REAL:
        list.AddReal(va_arg(ap, double));
        break;
      case KIND_NONE:
        break;
    }
  }
  va_end(ap);
  // Past a gap the types are unknown; keep the positions, with nothing in them.
  for (; position < highest; ++position) list.AddNull();
  return list;
}
