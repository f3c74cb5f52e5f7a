#include "core/util/vell_log.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/vell_system.h"
#include "core/util/vell_utf8.h"

namespace {

constexpr size_t kMaxMessageBytes = 65535;
constexpr char kLogFolderName[] = "Kardinex";
constexpr char kLogFileName[] = "kardinex_log.txt";

// Serialises the records of this process so that each lands whole.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

// The folder the log lives in, without a trailing "/"; empty when there is
// no home to put it in.
std::string LogFolder() {
  // A relative XDG_STATE_HOME is invalid and ignored, as the XDG rules say.
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state != nullptr && state[0] == '/') {
    base = state;
  } else {
    std::string home = Vell_GetHomeFolder();
    if (home.empty()) return {};
    if (home.back() != '/') home += '/';
    base = home + ".local/state";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base != "/") base += '/';
  return base + kLogFolderName;
}

}  // namespace

std::string Vell_GetLogFilePath() {
  std::string folder = LogFolder();
  if (folder.empty()) return {};
  return folder + "/" + kLogFileName;
}

void Vell_SystemErrorLog(const char* format, ...) {
  if (format == nullptr) return;
  const int savedErrno = errno;  // callers may still want the errno of their failure

  // A few bytes beyond the limit show whether the limit falls inside a
  // character, so that the cut can keep the record valid UTF-8.
  std::vector<char> message(kMaxMessageBytes + 8);
  va_list args;
  va_start(args, format);
  int formatted = std::vsnprintf(message.data(), message.size(), format, args);
  va_end(args);
  size_t length = formatted < 0 ? 0 : static_cast<size_t>(formatted);
  if (length > kMaxMessageBytes) {
    size_t held = std::min(length, message.size() - 1);
    length = Vell_Utf8CutLength({message.data(), held}, kMaxMessageBytes);
  }

  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  char stamp[64];
  int stampLength =
      std::snprintf(stamp, sizeof stamp, " %04d/%02d/%02d %02d:%02d:%02d\t", local.tm_year + 1900,
                    local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  if (stampLength < 0 || static_cast<size_t>(stampLength) >= sizeof stamp) stampLength = 0;

  std::string record(stamp, static_cast<size_t>(stampLength));
  // A value in a record (a folder name holding a line feed, a title holding a
  // terminal's escape sequence) can neither forge another record nor act on
  // the terminal that shows the log; the record keeps its own line end.
  std::string_view body(message.data(), length);
  const size_t lineEnd = body.ends_with("\r\n") ? 2 : body.ends_with('\n') ? 1 : 0;
  record += Vell_EscapeControls(body.substr(0, body.size() - lineEnd));
  record += body.substr(body.size() - lineEnd);

  {
    std::lock_guard<std::mutex> lock(LogMutex());
    std::string folder = LogFolder();
    if (!folder.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ec);
      ::mkdir(folder.c_str(), 0700);  // EEXIST is the usual case
      std::string path = folder + "/" + kLogFileName;
      int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
      if (fd >= 0) {
        // One write carries the whole record; a partial write (a full disk)
        // is finished while the lock still keeps other records out.
        const char* p = record.data();
        size_t left = record.size();
        while (left > 0) {
          ssize_t n = ::write(fd, p, left);
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) break;
          p += n;
          left -= static_cast<size_t>(n);
        }
        ::close(fd);
      }
    }
  }
  errno = savedErrno;
}
