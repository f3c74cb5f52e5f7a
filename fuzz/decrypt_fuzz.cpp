// Decrypts arbitrary bytes as stored data and as a stored password. Output
// buffers are sized exactly to what the callers are promised (length - 16, or
// the bounded capacity), so any write past them is caught.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/content/password.h"
#include "core/util/vell_crypto.h"

namespace {

// A heap block of exactly n bytes (none for 0), so a sanitiser sees every overrun.
std::unique_ptr<uint8_t[]> Exact(size_t n) {
  return n == 0 ? nullptr : std::make_unique<uint8_t[]>(n);
}

void CheckDecrypt(const uint8_t* data, int32_t length) {
  size_t room = length > 16 ? static_cast<size_t>(length - 16) : 0;
  auto out = Exact(room);
  int32_t result = Vell_Decrypt(data, length, kKdxProgramKeyHex, out.get());
  if (result > static_cast<int32_t>(room)) std::abort();
  if (result < 0 && result != kVellCryptBadLength) std::abort();
}

void CheckBounded(const uint8_t* data, int32_t length, size_t capacity) {
  auto out = Exact(capacity);
  int32_t result = Vell_DecryptBounded(data, length, kKdxProgramKeyHex, out.get(), capacity);
  if (result >= 0 && static_cast<size_t>(result) > capacity) std::abort();
}

void CheckPassword(const uint8_t* data, size_t size, size_t dstSize) {
  uint8_t value[kKdxPasswordValueSize] = {};
  std::memcpy(value, data, std::min(size, sizeof value));
  auto dst = std::make_unique<char[]>(dstSize);
  int32_t result = KDX_DecryptPasswordValue(value, dst.get(), dstSize);
  size_t length = strnlen(dst.get(), dstSize);
  if (length == dstSize) std::abort();  // not terminated
  if (result < 0 ? length != 0 : static_cast<size_t>(result) != length) std::abort();
  // Whatever was read back must be something a password dialog could accept.
  char accepted[kKdxPasswordFieldSize];
  if (KDX_CheckPasswordRules(dst.get(), accepted, sizeof accepted) != 1) std::abort();
  if (!KDX_PasswordMatches(dst.get(), dst.get())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 16)) return 0;
  // The first byte picks the capacity of the bounded call and the password
  // destination; the rest is the data.
  size_t pick = size > 0 ? data[0] : 0;
  const uint8_t* body = size > 0 ? data + 1 : data;
  size_t bodySize = size > 0 ? size - 1 : 0;
  // A heap copy of exactly the body, so reads past the data are caught too.
  auto copy = Exact(bodySize);
  if (bodySize > 0) std::memcpy(copy.get(), body, bodySize);
  auto length = static_cast<int32_t>(bodySize);
  CheckDecrypt(copy.get(), length);
  CheckBounded(copy.get(), length, pick);
  CheckPassword(body, bodySize, pick % kKdxPasswordFieldSize + 1);
  return 0;
}
