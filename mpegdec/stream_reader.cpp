#include "mpegdec/stream_reader.h"

#include "mpegdec/mpeg_errors.h"

using namespace mpegdec;

namespace {
// Negative codes pass through; a bare "not found" becomes malformed data.
int AsFailure(int r) { return r < 0 ? r : kMalformed; }
}  // namespace

CMpegStreamReader::CMpegStreamReader() { ResetState(); }

CMpegStreamReader::~CMpegStreamReader() {
  source.Close();
  if (file) fclose(file);
}

void CMpegStreamReader::ResetState() {
  header = MpegHeaderRecord{};
  timeCodeValid = 0;
  lastPictureIndex = firstPictureIndex = pictureNumber = -1;
  bytesPerPicture = pictureStride = 0;
  frame_rate = 0.0;
  mpeg2 = 0;
  streamIndex = 0;
  secondField = 0;
  lastError = kNotOpen;
  fileSize_ = 0;
}

void CMpegStreamReader::Close() {
  source.Close();
  if (file) fclose(file);
  file = nullptr;
  ResetState();
}

int CMpegStreamReader::DetectStreamType(int* type) {
  CMpegFileSource probe;
  int r = probe.Open(file, 2048);
  if (r != 1) {
    lastError = r;
    return 0;
  }
  int flag;
  uint32_t first = probe.PeekByte(&flag);
  if (flag != 1) {
    lastError = flag >= 0 ? kMalformed : flag;
    return 0;
  }
  if (first == 0x47) return kBadFormat;
  probe.NextStartCode();
  if (probe.status != 1) {
    if (probe.status == 0) return kMalformed;
    lastError = kReadError;
    return 0;
  }
  uint32_t code = probe.Peek32();
  if (code == 0x1B3) {
    *type = kElementary;
  } else if (code == 0x1BA || code == 0x1E0) {
    *type = kProgram;
  } else {
    return kMalformed;
  }
  return 1;
}

int CMpegStreamReader::Open(const char* path, int index, int ringSize) {
  if (lastError != kNotOpen || file) return kBadState;
  if (!path || index < 0 || index > 15) return kBadState;
  file = fopen(path, "rb");
  if (!file) return kFileError;
  if (fseeko(file, 0, SEEK_END) != 0 || (fileSize_ = ftello(file)) < 0 || fseeko(file, 0, SEEK_SET) != 0) {
    Close();
    return kFileError;
  }
  int type = 0;
  int r = DetectStreamType(&type);
  if (r != 1) {
    int code = r == 0 ? lastError : r;
    Close();
    return AsFailure(code);
  }
  r = source.Open(file, type == kProgram ? 0xE0 + index : 0, ringSize);
  if (r != 1) {
    Close();
    return AsFailure(r);
  }
  streamIndex = index;
  source.NextStartCode();
  while (source.status == 1) {
    uint32_t code = source.Get32();
    if (source.status == 1 && code == 0x1B3) break;
    source.NextStartCode();
  }
  if (source.status != 1) {
    r = source.status;
    Close();
    return AsFailure(r);
  }
  r = ReadSequenceHeader();
  if (r != 1) {
    Close();
    return AsFailure(r);
  }
  if (!mpeg2) {
    header.progressive_sequence = 1;
    header.chroma_format = 1;
    header.matrix_coefficients = 5;
  }
  if (pictureStride == 0) {
    int mbw = (header.horizontal_size + 15) / 16;
    int mbh = mpeg2 && !header.progressive_sequence ? 2 * ((header.vertical_size + 31) / 32)
                                                    : (header.vertical_size + 15) / 16;
    int n = mbw * mbh;
    if (!mpeg2) pictureStride = 12 + int(float(n * 11) * 0.030303031f);
    else if (header.progressive_sequence) pictureStride = 20 + int(float(n * 11) * 0.030303031f);
    else pictureStride = 20 + int(float(n * 11) * 0.015151516f);
  }
  pictureNumber = 0;
  if (GoToFirstPicture() != 1) {
    Close();
    return kEndOfData;
  }
  firstPictureIndex = MpegTimeCodeToIndex(header.timeCode, frame_rate);
  lastError = 1;
  return 1;
}

int MpegTimeCodeToIndex(const MpegTimeCode& tc, double frameRate) {
  int s = (tc.hours * 60 + tc.minutes) * 60 + tc.seconds;
  if (tc.drop_frame_flag) return int(s * frameRate) + tc.pictures;
  return s * int(frameRate + 0.5) + tc.pictures;
}

int CMpegStreamReader::TimeCodeIndex(const MpegTimeCode& tc) const { return MpegTimeCodeToIndex(tc, frame_rate); }

CMpegStreamReader::SavedState CMpegStreamReader::Save() const {
  SavedState s;
  s.packet = header.picturePacket;
  s.offset = header.pictureOffset;
  s.secondField = secondField;
  s.pictureNumber = pictureNumber;
  s.timeCodeValid = timeCodeValid;
  s.timeCode = header.timeCode;
  return s;
}

int CMpegStreamReader::Restore(const SavedState& s) {
  if (GoToPicture(s.packet, s.offset, -1) != 1) return kEndOfData;
  secondField = s.secondField;
  pictureNumber = s.pictureNumber;
  timeCodeValid = s.timeCodeValid;
  header.timeCode = s.timeCode;
  return 1;
}

int CMpegStreamReader::CountPictures() {
  if (!file) {
    lastError = kBadState;
    return 0;
  }
  if (fseeko(file, 0, SEEK_END) != 0 || (fileSize_ = ftello(file)) < 0) {
    lastError = kFileError;
    return 0;
  }
  SavedState saved = Save();
  // Later sequence headers may say other things; the picture we stand on keeps what it had.
  MpegHeaderRecord savedHeader = header;
  double savedRate = frame_rate;
  auto restore = [&](int result) {
    int r = Restore(saved);
    header = savedHeader;
    frame_rate = savedRate;
    return r == 1 ? result : kEndOfData;
  };
  int r = GoToLastPicture();
  if (r != 1) return restore(r);
  int index = -1;
  r = GetPictureIndex(&index);
  if (r != 1) return restore(r);
  lastPictureIndex = header.picture_coding_type == kPictureB ? index + 1 : index;
  if (firstPictureIndex > lastPictureIndex) {
    lastPictureIndex = -1;
    int result = restore(0);
    lastError = kMalformed;
    return result;
  }
  bytesPerPicture = int(fileSize_ / (int64_t(lastPictureIndex) - firstPictureIndex + 1));
  return restore(1);
}
