// How the listing reads an entry's note without depending on the content layer:
// the caller passes a reader (decrypting as needed). An empty answer means the
// note is empty, missing or unreadable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

using KdxNoteReader = std::function<std::string(int32_t enId)>;
