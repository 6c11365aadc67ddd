#include "security/sec_BlobC.h"

#include <cstring>

#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"

sec_BlobC::sec_BlobC(uint64_t length)
    : data_(new unsigned char[length > 0 ? length : 1]()),
      length_(length),
      capacity_(length > 0 ? length : 1) {}

sec_BlobC::sec_BlobC(const void* bytes, uint64_t length) : sec_BlobC(length) {
  if (length > 0) std::memcpy(data_, bytes, static_cast<size_t>(length));
}

std::unique_ptr<sec_BlobC> sec_BlobC::FromCString(const char* text) {
  if (text == nullptr) return std::make_unique<sec_BlobC>(1);
  return FromText(std::string_view(text));
}

std::unique_ptr<sec_BlobC> sec_BlobC::FromText(std::string_view text) {
  // The constructor zero-fills, so the byte after the text is already the terminator.
  auto blob = std::make_unique<sec_BlobC>(static_cast<uint64_t>(text.size()) + 1);
  if (!text.empty()) std::memcpy(blob->data_, text.data(), text.size());
  return blob;
}

sec_BlobC::~sec_BlobC() {
  Wipe(data_, static_cast<size_t>(capacity_));
  delete[] data_;
}

std::string_view sec_BlobC::TextView() const noexcept {
  const void* zero = std::memchr(data_, 0, static_cast<size_t>(length_));
  const size_t n = zero != nullptr
                       ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - data_)
                       : static_cast<size_t>(length_);
  return std::string_view(reinterpret_cast<const char*>(data_), n);
}

void sec_BlobC::Truncate(uint64_t length) noexcept {
  if (length >= length_) return;
  Wipe(data_ + length, static_cast<size_t>(length_ - length));
  length_ = length;
}

void sec_BlobC::Wipe(void* bytes, size_t count) noexcept {
  if (bytes == nullptr || count == 0) return;
  const cmn_OpenSSLI* ssl = getOpenSSL();
  if (ssl != nullptr) {
    ssl->Functions()->OPENSSL_cleanse(bytes, count);
  } else {
    ::explicit_bzero(bytes, count);
  }
}
