#include "servers/LkiServerResolutionC.h"

#include <utility>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_Services.h"
#include "servers/LkiServerManagerC.h"

LkiServerResolutionC::LkiServerResolutionC(std::string url, LkiServerLocationC* location,
                                           LkiServerManagerC* manager)
    : text_(std::move(url)), location_(location, false), manager_(manager) {
  if (manager_ != nullptr) manager_->AddRef();
  // A resolution whose text is no URL is still usable as text; the parser's report is not a
  // failure of the caller's operation.
  cmn_ErrMarkC mark;
  parsed_ = RcSucceeded(url_.Parse(text_));
  if (!parsed_) mark.Rollback();
}

LkiServerResolutionC::~LkiServerResolutionC() {
  if (manager_ != nullptr) manager_->Release();
}

RcT LkiServerResolutionC::ReportFailure(bool second) {
  if (manager_ == nullptr) return RC_UNEXPECTED;
  return manager_->SetAside(location_.get(), second);
}
