#include "support/files/io_code.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace vantrel {
namespace {

TEST(IoCodeFromErrno, Table) {
  const std::vector<std::pair<int, IoCode>> cases = {
      {0, 0},        {ENOENT, 2},  {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {EMFILE, 4}, {ENFILE, 4},
      {EACCES, 5},   {EPERM, 5},   {EROFS, 5},   {EISDIR, 5},       {EBADF, 6},  {ENOSPC, 112},
      {EDQUOT, 112}, {EPIPE, 232}, {EIO, 31},    {EINVAL, 31},      {ELOOP, 31}, {EFBIG, 31},
  };
  for (const auto& [err, code] : cases) EXPECT_EQ(ioCodeFromErrno(err), code) << "errno " << err;
}

}  // namespace
}  // namespace vantrel
