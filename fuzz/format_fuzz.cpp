// Formats an arbitrary text with an arbitrary argument list.
//
// The input's tail chooses the arguments (types, values, texts, nested and shared lists, and
// type codes outside the table); what is left is the format. Checked: no crash or overflow (the
// sanitizers), the output is valid UTF-8 whenever the format and every text argument are, a
// list does not change when a copy of it is appended to, and formatting is deterministic.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ArgListC.h"
#include "base/StringC.h"
#include "cmn/cmn_Formatter.h"

namespace {

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsStrictUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n;
    char32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (s.size() - i <= n) return false;
    for (size_t k = 1; k <= n; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

struct BuildS {
  FuzzedDataProvider* fdp;
  bool texts_valid = true;
  std::vector<ArgListC> made;  // earlier lists, nested again to share implementations
};

ArgListC BuildList(BuildS* b, int depth) {
  FuzzedDataProvider& fdp = *b->fdp;
  ArgListC list;
  const size_t count = fdp.ConsumeIntegralInRange<size_t>(0, depth == 0 ? 12 : 4);
  for (size_t i = 0; i < count && fdp.remaining_bytes() > 0; ++i) {
    switch (fdp.ConsumeIntegralInRange<int>(0, 17)) {
      case 0:
        list.AddBool(fdp.ConsumeBool());
        break;
      case 1:
        list.AddInt16(fdp.ConsumeIntegral<int16_t>());
        break;
      case 2:
        list.AddInt32(fdp.ConsumeIntegral<int32_t>());
        break;
      case 3:
        list.AddInt64(fdp.ConsumeIntegral<int64_t>());
        break;
      case 4:
        list.AddUnsigned16(fdp.ConsumeIntegral<uint16_t>());
        break;
      case 5:
        list.AddUnsigned32(fdp.ConsumeIntegral<uint32_t>());
        break;
      case 6:
        list.AddUnsigned64(fdp.ConsumeIntegral<uint64_t>());
        break;
      case 7: {
        uint64_t bits = fdp.ConsumeIntegral<uint64_t>();
        double d;
        static_assert(sizeof(d) == sizeof(bits));
        __builtin_memcpy(&d, &bits, sizeof(d));
        list.AddReal(d);
        break;
      }
      case 8:
        list.AddUCS4(fdp.ConsumeIntegral<uint32_t>());
        break;
      case 9: {
        const StringC s = StringC::FromUtf8(fdp.ConsumeRandomLengthString(64));
        if (!IsStrictUtf8(s.Utf8View())) b->texts_valid = false;
        list.AddString(s);
        break;
      }
      case 10: {
        const std::string text = fdp.ConsumeRandomLengthString(64);
        if (!IsStrictUtf8(text)) b->texts_valid = false;
        if (fdp.ConsumeBool())
          list.AddCharStar(text.c_str());
        else
          list.AddCharStar(std::string_view(text));
        break;
      }
      case 11:
        list.AddPointer(reinterpret_cast<const void*>(fdp.ConsumeIntegral<uintptr_t>()));
        break;
      case 12:
        list.AddTimeVal(fdp.ConsumeIntegral<int64_t>(), fdp.ConsumeIntegral<int64_t>());
        break;
      case 13:
        if (depth < 4) {
          ArgListC inner = BuildList(b, depth + 1);
          list.AddList(inner);
          b->made.push_back(inner);
        }
        break;
      case 14:
        if (!b->made.empty()) {
          list.AddList(b->made[fdp.ConsumeIntegralInRange<size_t>(0, b->made.size() - 1)]);
        } else {
          list.AddList(list);  // nests the list as it is so far
        }
        break;
      case 15:
        list.AddNull();
        break;
      case 16: {
        // A type code outside the table; the value bits are never read as a pointer.
        ArgC odd = ArgC::MakeUnsigned64(fdp.ConsumeIntegral<uint64_t>());
        odd.type = fdp.ConsumeIntegralInRange<uint32_t>(ARG_NULL + 1, UINT32_MAX);
        list.Add(std::move(odd));
        break;
      }
      default: {
        ArgC odd = ArgC::MakeUnsigned64(fdp.ConsumeIntegral<uint64_t>());
        odd.type = fdp.PickValueInArray({ARG_DATETIME, ARG_DECIMAL});
        list.Add(std::move(odd));
        break;
      }
    }
  }
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  BuildS build;
  build.fdp = &fdp;
  // The arguments come from the end of the input (FuzzedDataProvider takes integers from
  // there), the format is the first part.
  const size_t format_len = fdp.ConsumeIntegralInRange<size_t>(0, size);
  std::string format = fdp.ConsumeBytesAsString(format_len);
  ArgListC args = BuildList(&build, 0);
  const bool format_valid = IsStrictUtf8(format);

  const std::string out = cmn_Format(format, args.Args());
  if (format_valid && build.texts_valid && !IsStrictUtf8(out)) std::abort();

  // Formatting is deterministic and appends after what is there.
  std::string again = "prefix";
  cmn_FormatAppend(&again, format, args.Args());
  if (again.compare(6, std::string::npos, out) != 0) std::abort();

  // Appending to a copy never changes what the original renders.
  ArgListC copy = args;
  copy.AddInt32(1).AddCharStar("tail").AddList(args);
  if (cmn_Format(format, args.Args()) != out) std::abort();
  (void)cmn_Format(format, copy.Args());
  return 0;
}
