#include "fs/unique_fd.h"

#include "fs/sys_calls.h"

int UniqueFd::close() {
  const int fd = release();
  return fd < 0 ? 0 : ActiveFsCalls().close(fd);
}
