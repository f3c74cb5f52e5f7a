// File modes as an ordinary user meets them, also in tests run as root. Root
// opens any file whatever its mode, so a test of what a user is told about a
// file it may not read takes root's override away for as long as it needs.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kdx_test {

// While one lives, the calling thread (and the threads it starts) is refused
// what file modes refuse, root too: the capabilities that override them leave
// the effective set and come back at the end. enforced() is false where that
// cannot be done; the test then skips.
class FileModesEnforced {
 public:
  FileModesEnforced() {
    if (syscall(SYS_capget, &header_, saved_) != 0) {
      enforced_ = geteuid() != 0;
      return;
    }
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~(kBit(CAP_DAC_OVERRIDE) | kBit(CAP_DAC_READ_SEARCH));
    changed_ = reduced[0].effective != saved_[0].effective;
    enforced_ = !changed_ || syscall(SYS_capset, &header_, reduced) == 0;
    changed_ = changed_ && enforced_;
  }
  ~FileModesEnforced() {
    if (changed_) static_cast<void>(syscall(SYS_capset, &header_, saved_));
  }
  FileModesEnforced(const FileModesEnforced&) = delete;
  FileModesEnforced& operator=(const FileModesEnforced&) = delete;

  bool enforced() const { return enforced_; }

 private:
  static constexpr __u32 kBit(int capability) { return __u32{1} << capability; }

  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool enforced_ = false;
  bool changed_ = false;
};

}  // namespace kdx_test
