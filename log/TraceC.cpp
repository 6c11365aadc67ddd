#include "log/TraceC.h"

namespace {

bool IsLetter(char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

// Reads decimal digits at `pos` (at least one is there); values beyond any level saturate so
// that a long digit run cannot overflow.
uint32_t ReadLevel(std::string_view text, size_t& pos) noexcept {
  uint32_t value = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    if (value < 1000) value = value * 10 + static_cast<uint32_t>(text[pos] - '0');
    ++pos;
  }
  return value;
}

// Bits low..high (inclusive); levels above 31 have no bit.
uint32_t LevelBits(uint32_t low, uint32_t high) noexcept {
  if (low >= TraceC::c_LevelCount || low > high) return 0;
  if (high >= TraceC::c_LevelCount) high = TraceC::c_LevelCount - 1;
  const uint32_t upto = high == 31 ? TraceC::c_AllLevels : ((1u << (high + 1)) - 1u);
  return upto & ~((1u << low) - 1u);
}

}  // namespace

TraceC::~TraceC() = default;

void TraceC::Clear() noexcept {
  for (uint32_t& mask : masks_) mask = 0;
}

void TraceC::Apply(uint32_t first, uint32_t last, uint32_t bits, bool enable) noexcept {
  for (uint32_t c = first; c <= last; ++c) {
    uint32_t& mask = masks_[c - c_FirstLetter];
    mask = enable ? (mask | bits) : (mask & ~bits);
  }
}

int TraceC::Parse(std::string_view text, bool enable) noexcept {
  const size_t n = text.size();
  size_t pos = 0;
  for (;;) {
    while (pos < n && !IsLetter(text[pos])) ++pos;
    if (pos >= n) return 1;
    const auto letter = static_cast<uint32_t>(static_cast<unsigned char>(text[pos++]));

    if (pos < n && text[pos] == '-') {
      ++pos;
      if (pos >= n) {
        Apply(letter, c_LastLetter, c_AllLevels, enable);
        return 1;
      }
      if (!IsLetter(text[pos])) return 0;
      // Up to the character before the next letter, which is read as an item of its own.
      const auto next = static_cast<uint32_t>(static_cast<unsigned char>(text[pos]));
      if (next > letter) Apply(letter, next - 1, c_AllLevels, enable);
      continue;
    }

    if (pos >= n || !IsDigit(text[pos])) {
      Apply(letter, letter, c_AllLevels, enable);
      if (pos < n && text[pos] == ',') ++pos;
      continue;
    }

    // A list of levels.
    while (pos < n && IsDigit(text[pos])) {
      const uint32_t low = ReadLevel(text, pos);
      if (pos < n && text[pos] == '-') {
        ++pos;
        if (pos < n && IsDigit(text[pos])) {
          const uint32_t high = ReadLevel(text, pos);
          Apply(letter, letter, LevelBits(low, high), enable);
        } else if (pos >= n || text[pos] == ',' || IsLetter(text[pos])) {
          Apply(letter, letter, LevelBits(low, c_LevelCount - 1), enable);
        } else {
          return 0;
        }
      } else {
        Apply(letter, letter, LevelBits(low, low), enable);
      }
      // "," goes on with the next level; anything else ends the list.
      if (pos < n && text[pos] == ',') {
        ++pos;
        continue;
      }
      break;
    }
  }
}
