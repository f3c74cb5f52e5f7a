// The results of the rich-text layer in one place: what reading a body and
// reading or writing an RTFD package came to. RTF reading and writing answer
// with their own result records (rtf_reader.h, rtf_writer.h).
#pragma once

namespace kdx_richtext {

enum class BodyStatus {
  ok,
  empty,       // no bytes, or zero bytes only
  unreadable,  // not in the body format, or its RTF cannot be read
};

enum class RtfdStatus {
  ok,
  notFound,  // no folder, or no TXT.rtf in it
  exists,    // writing: the folder is already there
  badName,   // writing: two attachments share a name once made safe, or one is "TXT.rtf"
  tooLarge,  // the files together pass kRtfdMaxPackageBytes
  ioError,   // a read or write failed
};

}  // namespace kdx_richtext
