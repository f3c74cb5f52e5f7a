// RTFD package folders. Files are opened with O_NOFOLLOW and checked with
// fstat after opening, so a symlink or a special file put in the folder is
// never read or written through, even if it appears between listing and opening.
#include "richtext/rtfd_package.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/util/vell_file.h"
#include "richtext/attachments.h"

namespace kdx_richtext {

namespace {

enum class ReadOutcome { ok, missing, skipped, tooLarge, ioError };

// Reads the regular file name directly inside the folder open as dirFd; a
// symlink or anything but a regular file is skipped. remaining is the byte
// budget left for the package.
ReadOutcome ReadMember(int dirFd, const QByteArray& name, qsizetype remaining, QByteArray* out) {
  VellUniqueFd fd(
      ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ELOOP) return ReadOutcome::skipped;
    return errno == ENOENT ? ReadOutcome::missing : ReadOutcome::ioError;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return ReadOutcome::ioError;
  if (!S_ISREG(info.st_mode)) return ReadOutcome::skipped;
  if (info.st_size > remaining) return ReadOutcome::tooLarge;
  out->resize(static_cast<qsizetype>(info.st_size));
  qsizetype done = 0;
  while (done < out->size()) {
    const ssize_t n = ::read(fd.get(), out->data() + done, static_cast<size_t>(out->size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadOutcome::ioError;
    if (n == 0) break;  // the file shrank while being read
    done += n;
  }
  out->truncate(done);
  return ReadOutcome::ok;
}

[[nodiscard]] bool WriteMember(int dirFd, const QByteArray& name, const QByteArray& data) {
  VellUniqueFd fd(::openat(dirFd, name.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (fd.get() < 0) return false;
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n =
        ::write(fd.get(), data.constData() + done, static_cast<size_t>(data.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return fd.Close();
}

}  // namespace

RtfdStatus ReadRtfdFolder(const QString& path, RtfdPackage* package) {
  *package = RtfdPackage{};
  const QByteArray folder = QFile::encodeName(path);
  VellUniqueFd dirFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() < 0) return RtfdStatus::notFound;

  // List the names first; reading goes through dirFd, so "." and ".." and
  // names with "/" (which a directory cannot hold) never reach outside.
  QList<QByteArray> names;
  {
    const int listFd = ::dup(dirFd.get());
    if (listFd < 0) return RtfdStatus::ioError;
    DIR* dir = ::fdopendir(listFd);
    if (dir == nullptr) {
      ::close(listFd);
      return RtfdStatus::ioError;
    }
    while (const dirent* entry = ::readdir(dir)) {
      const QByteArray name(entry->d_name);
      if (name == "." || name == "..") continue;
      names.append(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());

  const QByteArray textName = QFile::encodeName(kRtfdTextFileName);
  RtfdPackage result;
  qsizetype remaining = kRtfdMaxPackageBytes;
  QByteArray text;
  switch (ReadMember(dirFd.get(), textName, remaining, &text)) {
    case ReadOutcome::ok:
      break;
    case ReadOutcome::tooLarge:
      return RtfdStatus::tooLarge;
    case ReadOutcome::ioError:
      return RtfdStatus::ioError;
    case ReadOutcome::missing:
    case ReadOutcome::skipped:
      return RtfdStatus::notFound;
  }
  remaining -= text.size();
  result.rtf = std::move(text);

  for (const QByteArray& rawName : names) {
    if (rawName == textName) continue;
    const QString name = QFile::decodeName(rawName);
    // A name that would not survive as an attachment name cannot be referred to.
    if (SafeAttachmentName(name) != name) continue;
    QByteArray data;
    switch (ReadMember(dirFd.get(), rawName, remaining, &data)) {
      case ReadOutcome::ok:
        remaining -= data.size();
        result.attachments.append(RtfdFile{name, std::move(data)});
        break;
      case ReadOutcome::missing:  // removed since it was listed
      case ReadOutcome::skipped:
        break;
      case ReadOutcome::tooLarge:
        return RtfdStatus::tooLarge;
      case ReadOutcome::ioError:
        return RtfdStatus::ioError;
    }
  }
  *package = std::move(result);
  return RtfdStatus::ok;
}

RtfdStatus WriteRtfdFolder(const QString& path, const RtfdPackage& package) {
  QSet<QString> names;
  names.insert(kRtfdTextFileName);
  qsizetype total = package.rtf.size();
  for (const RtfdFile& file : package.attachments) {
    const QString name = SafeAttachmentName(file.name);
    if (names.contains(name)) return RtfdStatus::badName;
    names.insert(name);
    total += file.data.size();
  }
  if (total > kRtfdMaxPackageBytes) return RtfdStatus::tooLarge;

  const QByteArray folder = QFile::encodeName(path);
  // mkdir fails on anything already there, a dangling symlink included.
  if (::mkdir(folder.constData(), 0755) != 0) {
    return errno == EEXIST ? RtfdStatus::exists : RtfdStatus::ioError;
  }
  bool written = false;
  {
    VellUniqueFd dirFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    written = dirFd.get() >= 0 &&
              WriteMember(dirFd.get(), QFile::encodeName(kRtfdTextFileName), package.rtf);
    for (const RtfdFile& file : package.attachments) {
      if (!written) break;
      written =
          WriteMember(dirFd.get(), QFile::encodeName(SafeAttachmentName(file.name)), file.data);
    }
  }
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder.toStdString()), ignored);
    return RtfdStatus::ioError;
  }
  return RtfdStatus::ok;
}

}  // namespace kdx_richtext
