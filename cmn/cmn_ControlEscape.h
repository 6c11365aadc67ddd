// Escaping of control characters in text bound for a line-oriented record (the log file, the
// syslog and journald modules, trace records), so that one record is always one line: nothing
// a caller passes in (an option value, an address, an agent's output) can start a forged line
// or drive the terminal of whoever reads the log.
//
// Escapes, applied from a start offset on:
//   "\n" "\r" "\t"           for line feed, carriage return and tab
//   "\xHH"                   for every other C0 control (0x00..0x1F) and DEL (0x7F)
//   "\u00HH"                 for the C1 controls U+0080..U+009F written as UTF-8 (0xC2 0x80..0x9F)
//   "\u2028" "\u2029"        for the Unicode line and paragraph separators
// Other bytes, including a backslash and invalid UTF-8, are kept as they are: the result is
// meant for people, not for being unescaped.
#ifndef QLM_CMN_CMN_CONTROLESCAPE_H_
#define QLM_CMN_CMN_CONTROLESCAPE_H_

#include <cstddef>
#include <string>
#include <string_view>

// Escapes `text` in place from byte `from` on; returns the number of characters escaped.
size_t cmn_EscapeControls(std::string& text, size_t from = 0);

// True when `text` holds nothing cmn_EscapeControls would change.
bool cmn_HasNoControls(std::string_view text) noexcept;

#endif  // QLM_CMN_CMN_CONTROLESCAPE_H_
