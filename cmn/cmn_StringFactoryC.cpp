#include "cmn/cmn_StringFactoryC.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_Formatter.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_StringBodyC.h"
#include "cmn/cmn_TextCodec.h"

namespace {

constinit cmn_StringFactoryC g_factory;
// Set by the first getStringFactory(true); getStringFactory(false) reports null before.
std::atomic<bool> g_factoryUsed{false};

constexpr bool kBigEndian = std::endian::native == std::endian::big;

size_t CountHighBytes(const uint8_t* p, size_t n) noexcept {
  size_t count = 0;
  for (size_t i = 0; i < n; ++i) count += p[i] >> 7;
  return count;
}

// Number of bytes before the first zero unit of `unit` bytes (C text in a wide encoding; the
// text need not be aligned).
size_t WideCTextBytes(const char* text, size_t unit) noexcept {
  size_t n = 0;
  for (;;) {
    uint32_t u = 0;
    std::memcpy(&u, text + n, unit);
    if (u == 0) return n;
    n += unit;
  }
}

// A body from a decoder kernel for 2- and 4-byte units. The output is decoded into a scratch
// buffer first, since its size is only known afterwards; an incomplete last unit or character
// becomes one U+FFFD.
template <typename DecodeF>
cmn_StringBodyC* FromWide(const uint8_t* p, size_t n, size_t worst_per_byte_x2, DecodeF decode) {
  const size_t cap = n * worst_per_byte_x2 / 2 + 3;
  uint8_t stack[1024];
  std::unique_ptr<uint8_t[]> heap;
  uint8_t* tmp = stack;
  if (cap > sizeof stack) {
    heap.reset(new uint8_t[cap]);
    tmp = heap.get();
  }
  const cmn_CodecResultS r = decode(p, n, tmp, cap);
  size_t out = r.out_written;
  if (r.in_used < n) out += cmn_WriteUtf8(cmn_kReplacementChar, tmp + out);
  cmn_StringBodyC* body = cmn_StringBodyC::Allocate(out);
  std::memcpy(body->Data(), tmp, out);
  body->Commit(out, cmn_CountUtf8Chars(tmp, out));
  return body;
}

}  // namespace

cmn_StringFactoryC& cmn_StringFactoryC::Instance() noexcept {
  return g_factory;
}

cmn_StringFactoryI* getStringFactory(bool create) {
  if (!create && !g_factoryUsed.load(std::memory_order_acquire)) return nullptr;
  if (create) g_factoryUsed.store(true, std::memory_order_release);
  return &g_factory;
}

cmn_StringBodyI* cmn_StringFactoryC::Empty() {
  // Made once, never freed: every empty handle of every thread refers to it.
  static cmn_StringBodyC* const empty = cmn_StringBodyC::MakeImmortalEmpty();
  return empty;
}

cmn_StringBodyI* cmn_StringFactoryC::MakeFromCText(const char* text, const char* encoding) {
  if (text == nullptr) return Empty();
  switch (cmn_EncodingOf(encoding)) {
    case cmn_EncodingE::kUtf16:
      return MakeFromBytes(text, WideCTextBytes(text, 2), encoding);
    case cmn_EncodingE::kWchar:
      return MakeFromBytes(text, WideCTextBytes(text, 4), encoding);
    default:
      return MakeFromBytes(text, std::strlen(text), encoding);
  }
}

cmn_StringBodyI* cmn_StringFactoryC::MakeFromBytes(const void* bytes, size_t count,
                                                   const char* encoding) {
  if (bytes == nullptr || count == 0) return Empty();
  const auto* p = static_cast<const uint8_t*>(bytes);
  cmn_EncodingE e = cmn_EncodingOf(encoding);
  if (e == cmn_EncodingE::kSys8) e = cmn_SystemEncoding();
  switch (e) {
    case cmn_EncodingE::kAscii:
    case cmn_EncodingE::kLatin1: {
      // One character per byte; only the bytes from 0x80 grow (to U+FFFD or to two bytes).
      const size_t high = CountHighBytes(p, count);
      const size_t out = count + high * (e == cmn_EncodingE::kAscii ? 2 : 1);
      cmn_StringBodyC* body = cmn_StringBodyC::Allocate(out);
      if (high == 0) {
        std::memcpy(body->Data(), p, count);
      } else if (e == cmn_EncodingE::kAscii) {
        // The output was sized for this text by the same codec.
        (void)cmn_DecodeAscii(p, count, body->Data(), out);
      } else {
        // The output was sized for this text by the same codec.
        (void)cmn_DecodeLatin1(p, count, body->Data(), out);
      }
      body->Commit(out, count);
      return body;
    }
    case cmn_EncodingE::kUtf16:
      // A unit gives at most 3 bytes of UTF-8 (a surrogate pair: 4 bytes from 4).
      return FromWide(p, count, 3, [](const uint8_t* in, size_t n, uint8_t* out, size_t cap) {
        return cmn_DecodeUtf16(in, n, out, cap, kBigEndian);
      });
    case cmn_EncodingE::kWchar:
      // A 4-byte unit gives at most 6 bytes of UTF-8.
      return FromWide(p, count, 3, cmn_DecodeWchar);
    default:  // "utf8", "vutf8" and unknown names
      return cmn_StringBodyC::FromUtf8(p, count);
  }
}

cmn_StringBodyI* cmn_StringFactoryC::MakeFromChar(char32_t c) {
  if (c > 0x7FFFFFFF) c = cmn_kReplacementChar;
  cmn_StringBodyC* body = cmn_StringBodyC::Allocate(6);
  body->Commit(cmn_WriteUtf8(c, body->Data()), 1);
  return body;
}

cmn_StringBodyI* cmn_StringFactoryC::Concat(const cmn_StringBodyI& a, const cmn_StringBodyI& b) {
  const std::string_view va = a.Utf8();
  const std::string_view vb = b.Utf8();
  if (va.empty() && vb.empty()) return Empty();
  cmn_StringBodyC* body = cmn_StringBodyC::Allocate(va.size() + vb.size());
  std::memcpy(body->Data(), va.data(), va.size());
  std::memcpy(body->Data() + va.size(), vb.data(), vb.size());
  body->Commit(va.size() + vb.size(), static_cast<size_t>(a.Length() + b.Length()));
  return body;
}

cmn_StringBodyI* cmn_StringFactoryC::Substring(const cmn_StringBodyI& s, int64_t position,
                                               int64_t count) {
  size_t b, e;
  cmn_StringBodyC::ClipRange(position, count, static_cast<size_t>(s.Length()), &b, &e);
  if (b == e) return Empty();
  const size_t bb = cmn_StringBodyC::OffsetIn(s, b);
  const size_t be = cmn_StringBodyC::OffsetIn(s, e);
  cmn_StringBodyC* body = cmn_StringBodyC::Allocate(be - bb);
  std::memcpy(body->Data(), s.Utf8().data() + bb, be - bb);
  body->Commit(be - bb, e - b);
  return body;
}

cmn_StringBodyI* cmn_StringFactoryC::Format(const cmn_StringBodyI& format, const cmn_ArgsI* args) {
  std::string out;
  cmn_FormatAppend(&out, format.Utf8(), args);
  if (out.empty()) return Empty();
  // Arguments may carry bytes of any quality (C text); the body checks them.
  return cmn_StringBodyC::FromUtf8(out.data(), out.size());
}
