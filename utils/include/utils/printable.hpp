// Text from outside (addresses, the camera library) made fit for one log line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace utils {

// `text` with every control character (line breaks, NUL, DEL...) replaced by
// '?', so that it cannot end a log line or forge another one. Texts longer
// than `limit` bytes keep their first `limit` bytes and end in "...".
std::string Printable(std::string_view text, std::size_t limit = 256);

}  // namespace utils
