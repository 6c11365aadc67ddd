// ArgListC: a shared, reference-counted list of typed arguments (ArgC).
//
// Messages, log lines and traces are formatted from a text with printf-style conversions
// ("%1$s", "%d"; see cmn/cmn_Formatter.h) and an ArgListC.
//
// An ArgListC is a handle to a shared ArgListC::ArgListImplC (a RefCountC holding an array of
// ArgC with a count and a capacity). A handle may have no implementation; it then reads as the
// empty list, and the first append creates one. Copying a handle shares the implementation.
// Appending is copy-on-write: a handle whose implementation is shared with another handle (or
// nested in another list) first copies it, so a list, once handed out or nested, never changes
// under its other holders. This also means a list can never contain itself.
//
// Building:
//   ArgListC args = ArgList << path << rc << 'G';     // the ArgList tag starts a new list
//   args.AddString(name).AddUnsigned32(flags);          // typed appenders chain
//   ArgListC traced = ArgListC::FromFormat("%s:%d", file, line);  // typed by the conversions
//
// Thread safety: handles on different threads may share an implementation freely (the count
// is atomic and shared implementations are never changed). One handle object is not to be
// changed on one thread while another thread uses it.
#ifndef QLM_BASE_ARGLISTC_H_
#define QLM_BASE_ARGLISTC_H_

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "base/ArgC.h"
#include "base/StringC.h"
#include "cmn/cmn_ArgsI.h"

class ArgListC {
 public:
  // The shared implementation; defined in ArgListC.cpp.
  class ArgListImplC;

  // Most arguments FromFormat takes; positions above it are not taken.
  static constexpr size_t kMaxFormatArguments = 128;

  // The empty list, without an implementation.
  constexpr ArgListC() noexcept = default;
  // Shares `other`'s implementation.
  ArgListC(const ArgListC& other) noexcept;
  ArgListC(ArgListC&& other) noexcept : impl_(std::exchange(other.impl_, nullptr)) {}
  ArgListC& operator=(const ArgListC& other) noexcept;
  ArgListC& operator=(ArgListC&& other) noexcept;
  ~ArgListC();

  // Number of arguments.
  size_t Count() const noexcept;
  bool IsEmpty() const noexcept { return Count() == 0; }
  // Argument `index` (0-based), or null outside 0..Count()-1. The pointer stays valid while this
  // handle is neither changed nor destroyed.
  const ArgC* At(size_t index) const noexcept;
  const ArgC* operator[](size_t index) const noexcept { return At(index); }
  // The read-only view the formatter and the tracer take; null for a list without an
  // implementation (which they read as empty).
  const cmn_ArgsI* Args() const noexcept;
  // True when another handle or list holds the same implementation.
  bool IsShared() const noexcept;
  // Drops this handle's reference; the handle becomes the empty list.
  void Clear() noexcept;

  // `format` rendered with this list (UTF-8).
  std::string FormatUtf8(std::string_view format) const;

  // Appenders. Each adds one argument at the end and returns *this.
  ArgListC& Add(ArgC argument);
  ArgListC& AddBool(bool value) { return Add(ArgC::MakeBool(value)); }
  ArgListC& AddInt16(int16_t value) { return Add(ArgC::MakeInt16(value)); }
  ArgListC& AddInt32(int32_t value) { return Add(ArgC::MakeInt32(value)); }
  ArgListC& AddInt64(int64_t value) { return Add(ArgC::MakeInt64(value)); }
  ArgListC& AddUnsigned16(uint16_t value) { return Add(ArgC::MakeUnsigned16(value)); }
  ArgListC& AddUnsigned32(uint32_t value) { return Add(ArgC::MakeUnsigned32(value)); }
  ArgListC& AddUnsigned64(uint64_t value) { return Add(ArgC::MakeUnsigned64(value)); }
  ArgListC& AddReal(double value) { return Add(ArgC::MakeReal(value)); }
  ArgListC& AddUCS4(char32_t value) { return Add(ArgC::MakeUCS4(value)); }
  ArgListC& AddString(const StringC& value) { return Add(ArgC::MakeString(value)); }
  // Copies the text; a null pointer is stored as "".
  ArgListC& AddCharStar(const char* text) { return Add(ArgC::MakeCharStar(text)); }
  ArgListC& AddCharStar(std::string_view text) { return Add(ArgC::MakeCharStar(text)); }
  ArgListC& AddPointer(const void* value) { return Add(ArgC::MakePointer(value)); }
  ArgListC& AddTimeVal(int64_t seconds, int64_t microseconds) {
    return Add(ArgC::MakeTimeVal(seconds, microseconds));
  }
  // Nests `value` as it is now (appending to `value` later does not change this list).
  ArgListC& AddList(const ArgListC& value) { return Add(ArgC::MakeList(value)); }
  ArgListC& AddNull() { return Add(ArgC()); }

  // Appending with "<<": C++ types map to argument types (char and char32_t are characters,
  // signed/unsigned char are small numbers, pointers other than char pointers are ObjRef).
  ArgListC& operator<<(bool v) & { return AddBool(v); }
  ArgListC& operator<<(char v) & { return AddUCS4(static_cast<unsigned char>(v)); }
  ArgListC& operator<<(char32_t v) & { return AddUCS4(v); }
  ArgListC& operator<<(signed char v) & { return AddInt16(v); }
  ArgListC& operator<<(unsigned char v) & { return AddUnsigned16(v); }
  ArgListC& operator<<(short v) & { return AddInt16(v); }
  ArgListC& operator<<(unsigned short v) & { return AddUnsigned16(v); }
  ArgListC& operator<<(int v) & { return AddInt32(v); }
  ArgListC& operator<<(unsigned int v) & { return AddUnsigned32(v); }
  ArgListC& operator<<(long v) & { return AddInt64(v); }
  ArgListC& operator<<(unsigned long v) & { return AddUnsigned64(v); }
  ArgListC& operator<<(long long v) & { return AddInt64(v); }
  ArgListC& operator<<(unsigned long long v) & { return AddUnsigned64(v); }
  ArgListC& operator<<(float v) & { return AddReal(v); }
  ArgListC& operator<<(double v) & { return AddReal(v); }
  ArgListC& operator<<(const char* v) & { return AddCharStar(v); }
  ArgListC& operator<<(const std::string& v) & { return AddCharStar(std::string_view(v)); }
  ArgListC& operator<<(std::string_view v) & { return AddCharStar(v); }
  ArgListC& operator<<(const StringC& v) & { return AddString(v); }
  ArgListC& operator<<(const void* v) & { return AddPointer(v); }
  ArgListC& operator<<(std::nullptr_t) & { return AddNull(); }
  ArgListC& operator<<(const cmn_TimeValS& v) & { return AddTimeVal(v.sec, v.usec); }
  ArgListC& operator<<(const ArgListC& v) & { return AddList(v); }
  ArgListC& operator<<(const ArgC& v) & { return Add(v); }
  // On a temporary list ("ArgList << a << b"), the same, handing the temporary on.
  template <class T>
  ArgListC&& operator<<(T&& value) && {
    static_cast<ArgListC&>(*this) << std::forward<T>(value);
    return std::move(*this);
  }

  // A list typed by the conversions of `format` and filled from the variable arguments:
  //   d i c and any other letter: int -> Int32;  u x X o b: unsigned int -> Unsigned32;
  //   hd hi: int -> Int16;  hu hx hX ho hb: unsigned int -> Unsigned16;
  //   hhd hhi: int, low 8 bits sign-extended -> Int32;  hhu ...: unsigned int, low 8 bits -> Int32;
  //   l / ll / q / j / z / t (or L) with d i: 64-bit -> Int64;  with u x X o b: -> Unsigned64;
  //   s: const char* -> CharStar (copied);  S: const StringC* -> String (shared; null -> Null);
  //   C: 32-bit character -> UCS4;  p: pointer -> ObjRef;
  //   t: const struct timeval* -> TimeVal (null -> Null).
  // Floating-point conversions are not supported and consume an int. Positions ("%2$s") count
  // from 1; conversions without one take the positions after the previous conversion in turn;
  // "*" and "*m$" widths and precisions take an Int32 position. When two conversions name one
  // position, the first decides its type. At most kMaxFormatArguments positions are taken.
  // Arguments are taken in position order up to the first position no conversion names: its
  // type is unknown, so nothing from there on can be read safely; that position and the ones
  // after it, up to the highest named, are stored as Null.
  static ArgListC FromFormat(const char* format, ...);
  static ArgListC FromFormatV(const char* format, va_list args);

 private:
  friend class ArgC;
  // The implementation to append to: created when missing, copied when shared.
  ArgListImplC* Writable();
  // Reference management for a nested list held by an ArgC (`view` is an ArgListImplC).
  static void RetainView(const cmn_ArgsI* view) noexcept;
  static void ReleaseView(const cmn_ArgsI* view) noexcept;
  static const cmn_ArgsI* ViewOf(const ArgListC& list) noexcept;
  static ArgListC FromView(const cmn_ArgsI* view) noexcept;

  ArgListImplC* impl_ = nullptr;
};

// The shared empty list.
extern const ArgListC ArgListNull;

// The tag that starts a list: "ArgList << value" is a new list holding that value.
struct ArgListTagT {
  explicit constexpr ArgListTagT() = default;
};
inline constexpr ArgListTagT ArgList{};

template <class T>
ArgListC operator<<(ArgListTagT, T&& value) {
  ArgListC list;
  list << std::forward<T>(value);
  return list;
}

#endif  // QLM_BASE_ARGLISTC_H_
