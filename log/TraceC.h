// TraceC: a filter of (component letter, level) pairs, the level filter of the log manager's
// logger instances and the base of the per-task trace object.
//
// It holds one 32-bit mask per character from 'A' (65) to 'z' (122), 58 in all; bit n of the
// mask of letter c set means that level n of component c passes. Only the low 8 bits of a
// letter and of a level are looked at; a letter outside 'A'..'z' or a level above 31 never
// passes.
//
// Level specification (Parse), read left to right; each item sets bits (enable mode) or clears
// them (disable mode), and nothing is reset first:
//   - Characters up to the next letter (A-Z, a-z) are skipped; the end of the text ends the
//     parse with success. An empty text is a success that changes nothing.
//   - "L-M" (M a letter): every character from L up to the one before M gets all 32 bits, and
//     M is then read as the next item ("A-z" covers everything). "L-" at the end of the text:
//     every character from L through 'z'. "L-" followed by anything else fails the parse.
//   - L followed by digits: a list of levels. "n" sets bit n; "n-m" sets bits n..m; "n-"
//     followed by ",", a letter or the end sets bits n..31. Items are separated by ","; "n-"
//     followed by anything else fails the parse. Any other character after an item ends the
//     list.
//   - L followed by anything else (another letter, ",", the end, a blank): all 32 bits; a
//     following "," is skipped.
// A failed parse leaves the masks as far as they were changed when it stopped.
#ifndef QLM_LOG_TRACEC_H_
#define QLM_LOG_TRACEC_H_

#include <cstdint>
#include <string_view>

class TraceC {
 public:
  static constexpr uint32_t c_FirstLetter = 'A';
  static constexpr uint32_t c_LastLetter = 'z';
  static constexpr uint32_t c_MaskCount = c_LastLetter - c_FirstLetter + 1;  // 58
  static constexpr uint32_t c_LevelCount = 32;
  static constexpr uint32_t c_AllLevels = 0xFFFFFFFFu;

  // Every mask 0: nothing passes.
  TraceC() noexcept = default;
  TraceC(const TraceC&) noexcept = default;
  TraceC& operator=(const TraceC&) noexcept = default;
  // Nothing is owned.
  virtual ~TraceC();

  // Applies the level specification `text` (see above): sets bits when `enable`, clears them
  // otherwise. Returns nonzero on success, 0 when the text is malformed (the items before the
  // fault stay applied). A null text counts as empty. Never allocates, never blocks. The int
  // answer is the filter's fixed interface; not allocating, it reports nothing.
  int Parse(std::string_view text, bool enable = true) noexcept;
  int Parse(const char* text, bool enable = true) noexcept {
    return Parse(text != nullptr ? std::string_view(text) : std::string_view(), enable);
  }

  // True when level `level` of component `letter` passes (low 8 bits of each).
  bool IsEnabled(uint32_t letter, uint32_t level) const noexcept {
    letter &= 0xFFu;
    level &= 0xFFu;
    if (letter < c_FirstLetter || letter > c_LastLetter || level >= c_LevelCount) return false;
    return (masks_[letter - c_FirstLetter] >> level) & 1u;
  }

  // The mask of `letter` (0 outside 'A'..'z').
  uint32_t Mask(uint32_t letter) const noexcept {
    return letter >= c_FirstLetter && letter <= c_LastLetter ? masks_[letter - c_FirstLetter] : 0;
  }
  // Sets every mask to 0.
  void Clear() noexcept;

 private:
  // Sets or clears `bits` in the masks of the characters first..last (inclusive, both within
  // 'A'..'z').
  void Apply(uint32_t first, uint32_t last, uint32_t bits, bool enable) noexcept;

  uint32_t masks_[c_MaskCount] = {};
};

#endif  // QLM_LOG_TRACEC_H_
