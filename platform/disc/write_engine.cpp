#include "platform/disc/write_engine.h"

#include <fcntl.h>
#include <libburn/libburn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/disc/sense_codes.h"
#include "platform/disc/suite_wait.h"

using namespace burn;

namespace platform::disc {
namespace {

// What libburn reads: the job's stream, block by block, counted, paced on the suite clock and
// failing where the drive's description puts a write error or when the caller stops.
struct Feed {
  int fd = -1;
  const std::function<int(unsigned char*, int)>* reader = nullptr;
  std::uint32_t pace = 0;
  bool hasFault = false;
  std::uint32_t faultBlock = 0;
  std::atomic<bool>* stop = nullptr;
  std::atomic<std::uint32_t>* fed = nullptr;
  std::uint64_t startMs = 0;
  bool faulted = false;
  bool shortStream = false;
  bool longStream = false;
  bool stopped = false;
  off_t size = 0;
  // libburn asks for one block at a time: the descriptor is read in large pieces, handed out
  // from here.
  std::vector<unsigned char> buffer;
  std::size_t begin = 0;
  std::size_t end = 0;
};

constexpr std::size_t kFeedBufferBytes = 1 << 20;

// Fills `out` from the descriptor through the feed's buffer; the bytes given (fewer at the end).
int ReadBuffered(Feed* feed, unsigned char* out, int size) {
  int got = 0;
  while (got < size) {
    if (feed->begin == feed->end) {
      if (feed->buffer.empty()) feed->buffer.resize(kFeedBufferBytes);
      const ssize_t n = ::read(feed->fd, feed->buffer.data(), feed->buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      feed->begin = 0;
      feed->end = static_cast<std::size_t>(n);
    }
    const std::size_t take = std::min(feed->end - feed->begin, static_cast<std::size_t>(size - got));
    std::memcpy(out + got, feed->buffer.data() + feed->begin, take);
    feed->begin += take;
    got += static_cast<int>(take);
  }
  return got;
}

int FeedRead(burn_source* source, unsigned char* buffer, int size) {
  auto* feed = static_cast<Feed*>(source->data);
  const std::uint32_t block = feed->fed->load();
  if (feed->stop->load()) {
    feed->stopped = true;
    return -1;
  }
  if (feed->hasFault && block >= feed->faultBlock) {
    feed->faulted = true;
    return -1;
  }
  if (static_cast<off_t>(block) * kDataBlockBytes >= feed->size) return 0;
  const int got = feed->reader ? std::max(0, (*feed->reader)(buffer, size)) : ReadBuffered(feed, buffer, size);
  if (got < size) {
    // The stream ended early (a vanished file, a tool that failed): never burn a cut-off disc.
    feed->shortStream = true;
    return -1;
  }
  feed->fed->store(block + 1);
  if (feed->pace) {
    const std::uint64_t due = feed->startMs + static_cast<std::uint64_t>(block + 1) * 1000 / feed->pace;
    if (!WaitForSuiteTime(platform::CurrentClock(), due, feed->stop) && feed->stop->load()) {
      feed->stopped = true;
      return -1;
    }
  }
  return size;
}

// Whether a descriptor's stream goes on past the blocks it was to hold (an image tool that made
// more than it said): such a disc would miss its end.
bool StreamGoesOn(Feed* feed) {
  if (feed->reader) return false;
  if (feed->begin < feed->end) return true;
  unsigned char byte;
  ssize_t n;
  do {
    n = ::read(feed->fd, &byte, 1);
  } while (n < 0 && errno == EINTR);
  return n > 0;
}

off_t FeedSize(burn_source* source) { return static_cast<Feed*>(source->data)->size; }

int FeedSetSize(burn_source* source, off_t size) {
  static_cast<Feed*>(source->data)->size = size;
  return 1;
}

void FeedFree(burn_source*) {}

// Medium blocks that `streamBlocks` of a job's stream fill.
std::uint32_t MediumBlocks(const WriteJob& job, std::uint32_t streamBlocks) {
  if (!job.mediumBlocks || job.blocks == 0) return streamBlocks;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(streamBlocks) * job.mediumBlocks + job.blocks - 1) /
                                    job.blocks);
}

std::mutex& LibburnMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

bool EnsureLibburn() {
  static int state = 0;  // 0 not tried, 1 running, -1 failed
  std::lock_guard lock(LibburnMutex());
  if (state == 0) {
    state = burn_initialize() ? 1 : -1;
    if (state == 1)
      burn_msgs_set_severities(const_cast<char*>("NEVER"), const_cast<char*>("SORRY"),
                               const_cast<char*>("vidarro disc: "));
  }
  return state == 1;
}

WriteEngine::~WriteEngine() {
  Stop();
  Join();
}

bool WriteEngine::WritesIntoImage(const DriveDesc& desc) {
  if (desc.IsReal() || desc.pace || desc.hasWriteFault) return false;
  struct stat st;
  if (::lstat(desc.ImagePath().c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

std::uint32_t WriteEngine::StartBlock(const MediumState& s, bool append) {
  if (!append || !s.used) return 0;
  // Sessions start on a 32-block boundary, as multisession readers expect.
  return (s.usedBlocks + 31) / 32 * 32;
}

bool WriteEngine::Start(SimDrive* drive, WriteJob job, DiscCallback callback, void* context, std::uint32_t* error) {
  auto fail = [&](std::uint32_t code) {
    if (job.sourceFd >= 0) ::close(job.sourceFd);
    if (job.producerSucceeded) job.producerSucceeded();
    error_ = code;
    if (error) *error = code;
    return false;
  };
  if (busy_) return fail(kSenseNotReady);
  Join();
  if (!drive) return fail(kSenseNoMedium);
  if (job.blocks == 0 || (job.sourceFd < 0 && !job.read && job.audioTracks.empty() && !job.startInto))
    return fail(kSenseBadRequest);
  if (job.startInto &&
      (job.append || job.startBlock > 0 || !job.producerEnded || !job.stopProducer || !WritesIntoImage(drive->Desc())))
    return fail(kSenseBadRequest);
  if (!EnsureLibburn()) return fail(kSenseToolMissing);
  std::lock_guard startLock(startMutex_);
  std::uint32_t startBlock = 0;
  std::uint32_t refused = 0;
  const bool marked = drive->Change([&](MediumState& s) {
    if (s.trayOpen || s.kind == kNoDisc) refused = kSenseNoMedium;
    else if (s.burning) refused = kSenseNotReady;
    else if (!drive->Desc().Writes(CapabilityFor(s.kind))) refused = kSenseIncompatible;
    else if (s.finalized || (s.used && !job.append && !IsRewritable(s.kind))) refused = kSenseMediumClosed;
    if (refused) return;
    startBlock = job.startBlock >= 0 ? static_cast<std::uint32_t>(job.startBlock) : StartBlock(s, job.append);
    if (static_cast<std::uint64_t>(startBlock) + MediumBlocks(job, job.blocks) > s.capacity) {
      refused = kSenseNoSpace;
      return;
    }
    // From here on the disc counts as written and unfinished, also if this process dies.
    s.burning = true;
    s.used = true;
    s.finalized = false;
  });
  if (!marked) return fail(kSenseNotReady);
  if (refused) return fail(refused);
  stop_ = false;
  toWrite_ = job.blocks;
  written_ = 0;
  error_ = 0;
  busy_ = true;
  thread_ = std::thread(&WriteEngine::Run, this, drive, std::move(job), startBlock, callback, context);
  return true;
}

bool WriteEngine::Write(SimDrive* drive, const WriteJob& job, std::uint32_t startBlock) {
  const DriveDesc& desc = drive->Desc();
  Feed feed;
  feed.fd = job.sourceFd;
  if (job.sourceFd < 0) feed.reader = &job.read;
  feed.pace = desc.pace;
  feed.hasFault = desc.hasWriteFault;
  feed.faultBlock = desc.writeFault.block;
  feed.stop = &stop_;
  feed.fed = &written_;
  feed.startMs = platform::CurrentClock().NowMs();
  feed.size = static_cast<off_t>(job.blocks) * kDataBlockBytes;

  if (!job.append && !desc.IsReal()) {
    // A fresh disc replaces the image whole. A regular file is removed and made anew rather than
    // emptied: ext4 pushes an emptied file's new data to the disk as it is closed, which the burn
    // would wait for.
    const std::string image = desc.ImagePath();
    struct stat st;
    const bool regular = ::lstat(image.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (regular ? ::unlink(image.c_str()) != 0 && errno != ENOENT : ::truncate(image.c_str(), 0) != 0) {
      error_ = kSenseWriteError;
      return false;
    }
  }
  if (job.startInto) return WriteInto(job, desc.ImagePath());
  burn_drive_info* info = nullptr;
  std::string address = desc.IsReal() ? desc.realAddress : "stdio:" + desc.ImagePath();
  if (burn_drive_scan_and_grab(&info, address.data(), 0) != 1 || !info) {
    error_ = kSenseNotReady;
    return false;
  }
  burn_drive* bd = info[0].drive;
  burn_source source{};
  source.refcount = 1;
  source.read = FeedRead;
  source.get_size = FeedSize;
  source.set_size = FeedSetSize;
  source.free_data = FeedFree;
  source.data = &feed;

  burn_disc* disc = burn_disc_create();
  burn_session* session = burn_session_create();
  burn_disc_add_session(disc, session, BURN_POS_END);
  std::vector<burn_track*> tracks;
  bool ok = true;
  const bool audio = desc.IsReal() && !job.audioTracks.empty();
  if (audio) {
    // Audio tracks of 16-bit little-endian samples, as the drive takes them.
    for (std::size_t i = 0; i < job.audioTracks.size() && ok; ++i) {
      const AudioTrack& t = job.audioTracks[i];
      const int fd = ::open(t.path.c_str(), O_RDONLY | O_CLOEXEC);
      burn_source* pcm = nullptr;
      if (fd >= 0 && ::lseek(fd, static_cast<off_t>(t.dataOffset), SEEK_SET) >= 0)
        pcm = burn_fd_source_new(fd, -1, static_cast<off_t>(t.bytes));
      if (!pcm) {
        if (fd >= 0) ::close(fd);
        error_ = kSenseSourceUnreadable;
        ok = false;
        break;
      }
      burn_track* track = burn_track_create();
      burn_track_define_data(track, 0, 0, 1, BURN_AUDIO);
      if (i > 0) burn_track_set_pregap_size(track, static_cast<int>(t.pregap), 0);
      burn_track_set_source(track, pcm);
      burn_source_free(pcm);  // the track holds it
      burn_session_add_track(session, track, BURN_POS_END);
      tracks.push_back(track);
    }
  } else {
    burn_track* track = burn_track_create();
    burn_track_define_data(track, 0, 0, 0, BURN_MODE1);
    burn_track_set_source(track, &source);
    burn_session_add_track(session, track, BURN_POS_END);
    tracks.push_back(track);
  }

  burn_write_opts* opts = burn_write_opts_new(bd);
  burn_write_opts_set_perform_opc(opts, 0);
  if (audio) {
    burn_write_opts_set_write_type(opts, BURN_WRITE_SAO, BURN_BLOCK_SAO);
  } else if (desc.IsReal()) {
    // A real disc's sessions follow each other; the drive knows where the next one starts.
    burn_write_opts_set_multi(opts, job.finalize ? 0 : 1);
  } else {
    burn_write_opts_set_start_byte(opts, static_cast<off_t>(startBlock) * kDataBlockBytes);
    // A simulated disc is a file like any image a tool writes: the kernel writes it out in its
    // own time, as it does genisoimage's, instead of the burn waiting on the disk every 16 MB.
    burn_write_opts_set_stdio_fsync(opts, -1);
  }
  char reasons[BURN_REASONS_LEN] = {};
  if (ok && !audio) ok = burn_write_opts_auto_write_type(opts, disc, reasons, 0) != BURN_WRITE_NONE;
  if (ok) {
    burn_drive_set_speed(bd, 0, job.speedKBs > 0 ? job.speedKBs : 0);
    burn_disc_write(opts, disc);
    burn_progress progress;
    std::uint32_t doneTracks = 0;  // sectors of the tracks before the current one
    int lastTrack = 0;
    while (burn_drive_get_status(bd, &progress) != BURN_DRIVE_IDLE) {
      if (stop_) burn_drive_cancel(bd);
      if (audio && progress.sector > 0) {
        if (progress.track != lastTrack) doneTracks = written_, lastTrack = progress.track;
        written_ = std::min(job.blocks, doneTracks + static_cast<std::uint32_t>(progress.sector));
      }
      // Shorter once the stream is all handed over, so the end is seen as soon as it comes.
      std::this_thread::sleep_for(std::chrono::milliseconds(written_ >= job.blocks ? 1 : 5));
    }
    if (audio) {
      ok = burn_drive_wrote_well(bd) && !stop_;
      if (ok) written_ = job.blocks;
      if (stop_) feed.stopped = true;
    } else {
      ok = burn_drive_wrote_well(bd) && !feed.faulted && !feed.shortStream && !feed.stopped &&
           written_.load() == job.blocks;
      if (ok && StreamGoesOn(&feed)) {
        feed.longStream = true;
        ok = false;
      }
    }
  }
  burn_write_opts_free(opts);
  for (burn_track* track : tracks) burn_track_free(track);
  burn_session_free(session);
  burn_disc_free(disc);
  burn_drive_release(bd, 0);
  burn_drive_info_free(info);

  // A stop is what the user did: it wins over what the stop itself set off (a tool ended early,
  // libburn seeing its input end).
  if (feed.stopped || stop_) error_ = kSenseAborted;
  else if (feed.faulted) error_ = desc.writeFault.sense;
  else if (feed.shortStream || feed.longStream) error_ = kSenseSourceUnreadable;
  else if (!ok) error_ = kSenseWriteError;
  return ok;
}

// The producer writes the image itself; the blocks written are what the file holds so far.
bool WriteEngine::WriteInto(const WriteJob& job, const std::string& image) {
  if (!job.startInto(image)) {
    error_ = kSenseToolMissing;
    return false;
  }
  // Blocks the file holds so far, at most the stream's.
  const auto blocksIn = [&] {
    return static_cast<std::uint32_t>(
        std::min<std::int64_t>(job.blocks, std::max<std::int64_t>(0, platform::FileSize(image)) / kDataBlockBytes));
  };
  bool stopping = false;
  while (!job.producerEnded(5)) {
    written_ = blocksIn();
    if (stop_ && !stopping) {
      stopping = true;
      job.stopProducer();
    }
  }
  if (stop_) {
    error_ = kSenseAborted;
    return false;
  }
  // An image cut short, or one going on past the size the producer gave, is never a burned disc.
  if (platform::FileSize(image) != static_cast<std::int64_t>(job.blocks) * kDataBlockBytes) {
    written_ = blocksIn();
    error_ = kSenseSourceUnreadable;
    return false;
  }
  written_ = job.blocks;
  return true;
}

void WriteEngine::Run(SimDrive* drive, WriteJob job, std::uint32_t startBlock, DiscCallback callback, void* context) {
  bool ok = Write(drive, job, startBlock);
  if (job.sourceFd >= 0) ::close(job.sourceFd);
  job.read = nullptr;
  const bool produced = !job.producerSucceeded || job.producerSucceeded();
  if (ok && !produced) {
    ok = false;
    error_ = kSenseSourceUnreadable;
  }
  if (ok && job.afterWrite && !job.afterWrite(drive->Desc().ImagePath())) {
    ok = false;
    error_ = kSenseWriteError;
  }
  const std::uint32_t written = written_;
  drive->Change([&](MediumState& s) {
    s.burning = false;
    s.used = true;
    s.usedBlocks = startBlock + MediumBlocks(job, ok ? job.blocks : written);
    if (ok) {
      s.finalized = job.finalize;
      s.lastSession = startBlock;
    }
  });
  if (ok) written_ = job.blocks;
  busy_ = false;
  { std::lock_guard wait(startMutex_); }
  if (callback) callback(ok ? 0 : 1, context);
}

void WriteEngine::Stop() { stop_ = true; }

void WriteEngine::Join() {
  if (!thread_.joinable()) return;
  // From inside a callback that starts the next burn: that thread is about to end by itself.
  if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
  else thread_.join();
}

}  // namespace platform::disc
