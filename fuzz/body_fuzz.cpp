// Unpacks arbitrary bytes as a body archive. Whatever the bytes, nothing may
// read out of bounds, hang or crash; an archive that unpacks must pack again
// to the same bytes, less any trailing zeros.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "richtext/body_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  kdx_richtext::RtfdPackage package;
  if (kdx_richtext::UnpackBody(body, &package) != kdx_richtext::BodyStatus::ok) return 0;
  const std::optional<QByteArray> again = kdx_richtext::PackBody(package);
  if (!again || !body.startsWith(*again)) std::abort();
  for (qsizetype i = again->size(); i < body.size(); ++i) {
    if (body.at(i) != '\0') std::abort();
  }
  return 0;
}
