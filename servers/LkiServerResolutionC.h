// LkiServerResolutionC: a path resolved on a server location - the URL text, its parse, the
// location and the manager (one reference held on each). Made by the manager's ResolvePath and
// ResolveByRule; owned by the caller.
#ifndef QLM_SERVERS_LKISERVERRESOLUTIONC_H_
#define QLM_SERVERS_LKISERVERRESOLUTIONC_H_

#include <string>

#include "cmn/cmn_Result.h"
#include "net/UrlC.h"
#include "servers/LkiServerLocationC.h"

class LkiServerManagerC;

class LkiServerResolutionC {
 public:
  // `url` is the expanded text; it is parsed here (a text that does not parse leaves Url()
  // null, and the parser's report is taken back out of the error buffer).
  LkiServerResolutionC(std::string url, LkiServerLocationC* location, LkiServerManagerC* manager);
  LkiServerResolutionC(const LkiServerResolutionC&) = delete;
  LkiServerResolutionC& operator=(const LkiServerResolutionC&) = delete;
  ~LkiServerResolutionC();

  // The URL as text.
  const std::string& UrlText() const noexcept { return text_; }
  // The parsed URL, or null when the text does not parse.
  const UrlC* Url() const noexcept { return parsed_ ? &url_ : nullptr; }
  LkiServerLocationC* Location() const noexcept { return location_.get(); }

  // The location's "User", "Password" (the stored "!A1..." form) and
  // "Proxy" attributes; "" when absent. The caller should wipe a password copy (LkiWipe).
  std::string User() const { return location_->Attribute(LkiServerLocationC::c_User); }
  std::string Password() const { return location_->Attribute(LkiServerLocationC::c_Password); }
  std::string Proxy() const { return location_->Attribute(LkiServerLocationC::c_Proxy); }

  // The location failed: the manager sets it aside (to its second side list when `second`),
  // so that its next current location is another one. The manager's SetAside result.
  [[nodiscard]] RcT ReportFailure(bool second);

 private:
  std::string text_;
  UrlC url_;
  bool parsed_ = false;
  LkiLocationRefC location_;
  LkiServerManagerC* manager_;
};

#endif  // QLM_SERVERS_LKISERVERRESOLUTIONC_H_
