#include "mpegdec/file_window.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

void CMpegFileWindow::Attach(FILE* file) {
  fd_ = file ? fileno(file) : -1;
  for (Block& b : blocks_) b.length = 0;
}

// Up to count bytes straight from the file.
int CMpegFileWindow::Fill(int64_t offset, uint8_t* dst, int count) {
  int done = 0;
  while (done < count) {
    const ssize_t got = pread(fd_, dst + done, size_t(count - done), off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += int(got);
  }
  return done;
}

int CMpegFileWindow::Read(int64_t offset, uint8_t* dst, int count) {
  if (fd_ < 0 || offset < 0 || count <= 0) return 0;
  int done = 0;
  while (done < count) {
    const int64_t at = offset + done;
    int use = blocks_[recent_].Holds(at) ? recent_ : blocks_[1 - recent_].Holds(at) ? 1 - recent_ : -1;
    if (use < 0) {
      if (count - done >= kBlock) return done + Fill(at, dst + done, count - done);
      const Block& last = blocks_[recent_];
      use = 1 - recent_;
      Block& b = blocks_[use];
      if (!b.data) b.data.reset(new (std::nothrow) uint8_t[kBlock]);
      if (!b.data) return done + Fill(at, dst + done, count - done);
      // Blocks start on page boundaries, so that the reads the kernel gets stay aligned; a scan
      // that walks backwards gets the block that ends where the last one began.
      const bool backwards = last.length > 0 && at < last.start && at >= last.start - kBlock;
      b.start = backwards ? std::max<int64_t>(0, last.start - kBlock) : at & ~int64_t(4095);
      b.length = Fill(b.start, b.data.get(), kBlock);
      if (!b.Holds(at)) {
        b.length = 0;  // past the end: a file that grows later is read again there
        break;
      }
    }
    recent_ = use;
    const Block& b = blocks_[use];
    const int n = int(std::min<int64_t>(count - done, b.start + b.length - at));
    memcpy(dst + done, b.data.get() + (at - b.start), size_t(n));
    done += n;
  }
  return done;
}
