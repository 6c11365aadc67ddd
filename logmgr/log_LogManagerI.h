// The interfaces of the log manager: ZelRKLoggerI, the logging interface handed to components
// (IID_ZelRKLoggerI), and log_LogManagerI, the manager itself (IID_LogManager). Both are one
// interface chain, so one pointer serves for IID_IUnknown, IID_LogManager and IID_ZelRKLoggerI.
//
// Virtual slots: 0 QueryInterface, 1 AddRef, 2 Release (ZelUnknownI), 3 LogText,
// 4 GetMessageText, 5 LogParts, 6 LogPartsV, 7 CloseCatalog, 8 Log.
//
// Log calls never fail visibly: they return 0, or 0x80000001 once the catalog is closed, and
// callers ignore the result. A log call blocks while the loggers write (a file write, a log
// module's call).
#ifndef QLM_LOG_LOG_LOGMANAGERI_H_
#define QLM_LOG_LOG_LOGMANAGERI_H_

#include <cstdint>

#include "base/ArgListC.h"
#include "cmn/cmn_Result.h"
#include "registry/ZelUnknownI.h"

class ZelRKLoggerI : public ZelUnknownI {
 public:
  // Logs `text` as message 0xE0010001 ("%1$s", severity information) under component
  // 'G', level 0. A null text logs the empty text.
  [[nodiscard]] virtual RcT LogText(const char* text) noexcept = 0;
  // The text of message `number` in the manager's catalog (empty default text), as a
  // new zero-terminated UTF-8 copy in *out that the caller frees with free(). Returns 0;
  // RC_FAIL (and nothing stored) when `out` is null or the catalog is closed.
  [[nodiscard]] virtual RcT GetMessageText(uint32_t number, char** out) noexcept = 0;
  // LogPartsV with an argument list typed by the conversions of `default_text` and
  // filled from the variable arguments.
  [[nodiscard]] virtual RcT LogParts(uint32_t letter, uint32_t level, uint32_t set, uint32_t number,
                                     const char* default_text, ...) noexcept = 0;
  // Turns (set, number, default text, arguments) into an entry and hands it to every
  // logger whose level filter passes (letter, level). Returns 0, or RC_FAIL once the catalog
  // is closed (nothing is logged then).
  [[nodiscard]] virtual RcT LogPartsV(uint32_t letter, uint32_t level, uint32_t set,
                                      uint32_t number, const char* default_text,
                                      const ArgListC& args) noexcept = 0;
  // Discards the catalog; every later log call does nothing and returns RC_FAIL.
  virtual void CloseCatalog() noexcept = 0;
  // LogParts with the set (bits 16..27) and number (bits 0..15) of `message`.
  [[nodiscard]] virtual RcT Log(uint32_t letter, uint32_t level, uint32_t message,
                                const char* default_text, ...) noexcept = 0;

 protected:
  ~ZelRKLoggerI() = default;
};

class log_LogManagerI : public ZelRKLoggerI {
 protected:
  ~log_LogManagerI() = default;
};

#endif  // QLM_LOG_LOG_LOGMANAGERI_H_
