// Finding the first and last pictures, returning to a picture, and display indices.
#include "mpegdec/mpeg_errors.h"
#include "mpegdec/stream_reader.h"

using namespace mpegdec;

int CMpegStreamReader::GoToPicture(const PesPacketInfo& info, int64_t offset, int fieldState) {
  source.status = 1;
  int r = source.SetPosition(info, offset);
  if (r < 0) {
    lastError = r;
    return 0;
  }
  r = ReadPictureHeader();
  if (r == 1) {
    if (header.picture_structure == kFramePicture || fieldState == 0) secondField = 0;
    else if (fieldState == 1) secondField = 1;
    return 1;
  }
  return r == 0 ? kEndOfData : r;
}

int CMpegStreamReader::FindNextPicture(int fieldState, int dropTimeCode, int newPictureNumber) {
  SavedState saved = Save();
  bool gopPassed = false;
  bool undo = false;
  source.NextStartCode();
  while (source.status == 1) {
    uint32_t code = source.Get32();
    if (source.status != 1) break;
    if (code == 0x100) {
      int r = ReadPictureHeader();
      if (r == 1) {
        if (gopPassed) {
          secondField = 0;
          pictureNumber = 1;
          timeCodeValid = 1;
        } else {
          if (header.picture_structure == kFramePicture || fieldState == 0) secondField = 0;
          else if (fieldState == 1) secondField = 1;
          if (dropTimeCode) timeCodeValid = 0;
          pictureNumber = newPictureNumber;
        }
        return 1;
      }
      if (r == 0) {
        undo = true;
        break;
      }
      lastError = r;
      return r;
    }
    if (code == 0x1B3) {
      int r = ReadSequenceHeader();
      if (r < 0) {
        lastError = r;
        return r;
      }
    } else if (code == 0x1B8) {
      int r = ReadGopHeader();
      if (r < 0) {
        lastError = r;
        return r;
      }
      gopPassed = true;
    } else if (code == 0x1B7) {
      undo = true;
      break;
    }
    source.NextStartCode();
  }
  if (!undo && source.status < 0) {
    lastError = source.status;
    return source.status;
  }
  if (GoToPicture(saved.packet, saved.offset, saved.secondField) != 1) return kEndOfData;
  pictureNumber = saved.pictureNumber;
  timeCodeValid = saved.timeCodeValid;
  header.timeCode = saved.timeCode;
  lastError = 0;
  return 0;
}

int CMpegStreamReader::FindPreviousPicture(int fieldState, int dropTimeCode, int newPictureNumber) {
  PesPacketInfo savedPacket = header.picturePacket;
  int64_t savedOffset = header.pictureOffset;
  bool gopPassed = false;
  source.PreviousStartCode();
  while (source.status == 1) {
    uint32_t code = source.Peek32();
    if (source.status != 1) break;
    if (code == 0x100) {
      source.Get32();
      int r = ReadPictureHeader();
      if (r != 1) {
        if (r < 0) {
          lastError = r;
          return r;
        }
        break;
      }
      if (header.picture_structure != kFramePicture) {
        if (gopPassed || fieldState == 1) secondField = 1;
        else if (fieldState == 0) secondField = 0;
      } else {
        secondField = 0;
      }
      if (dropTimeCode) timeCodeValid = 0;
      pictureNumber = newPictureNumber;
      return 1;
    }
    if (code == 0x1B3 || code == 0x1B8) {
      if (code == 0x1B8) gopPassed = true;
      source.SkipBackward(pictureStride - 4);
      if (source.status != 1) break;
    }
    source.PreviousStartCode();
  }
  if (source.status < 0 && source.status != kEndOfData) {
    int s = source.status;
    lastError = s;
    return s;
  }
  if (GoToPicture(savedPacket, savedOffset, -1) != 1) return kEndOfData;
  lastError = 0;
  return 0;
}

int CMpegStreamReader::GoToFirstPicture() {
  source.status = 1;
  PesPacketInfo first{0, 0, fileSize_};
  if (source.StreamCode()) {
    source.FindNextPacket(0, first);
    while (first.headerLength >= 0 && first.payloadLength == 0) source.FindNextPacket(first.payloadOffset, first);
    if (first.headerLength < 0) {
      lastError = first.headerLength;
      return 0;
    }
  }
  if (source.SetPosition(first, 0) < 0) {
    lastError = kReloadFailed;
    return 0;
  }
  source.status = 1;
  int r = FindNextPicture(0, 1, 1);
  if (!timeCodeValid) {
    header.timeCode = MpegTimeCode{};
    timeCodeValid = 1;
  }
  return r;
}

int CMpegStreamReader::GoToLastPicture() {
  source.status = 1;
  PesPacketInfo last{0, 0, fileSize_};
  if (source.StreamCode()) {
    int64_t size;
    if (fseeko(file, 0, SEEK_END) != 0 || (size = ftello(file)) < 0) {
      lastError = kFileError;
      return 0;
    }
    source.FindPreviousPacket(size, last);
    while (last.headerLength >= 0 && last.payloadLength == 0)
      source.FindPreviousPacket(last.payloadOffset - last.headerLength, last);
    if (last.headerLength < 0) {
      lastError = last.headerLength;
      return 0;
    }
  }
  if (source.SetPosition(last, last.payloadLength) < 0) {
    lastError = kReloadFailed;
    return 0;
  }
  source.status = 1;
  int r = FindPreviousPicture(1, 1, pictureNumber);
  if (r == 1) timeCodeValid = 0;
  return r;
}

int CMpegStreamReader::GetPictureIndex(int* index) {
  if (!timeCodeValid) {
    int r = DetermineTimeCode();
    if (r != 1) {
      *index = -1;
      return r;
    }
  }
  int unwrapped = header.temporal_reference + (pictureNumber & ~1023);
  int d = unwrapped - pictureNumber;
  if (d >= 513) unwrapped -= 1024;
  else if (d < -512) unwrapped += 1024;
  *index = TimeCodeIndex(header.timeCode) + unwrapped;
  return 1;
}

int CMpegStreamReader::DetermineTimeCode() {
  if (header.low_delay) {
    lastError = kBadFormat;
    return 0;
  }
  PesPacketInfo savedPacket;
  int64_t savedOffset = source.GetPosition(savedPacket);
  const int currentTr = header.temporal_reference;
  const int currentType = header.picture_coding_type;
  const uint8_t savedBit = source.BitPos();
  source.status = 1;

  auto back = [&](int64_t bytes) {
    if (source.status == 1) source.SkipBackward(int(bytes));
    if (source.status == 1) source.PreviousStartCode();
  };
  auto shortStep = [&] { back(9); };
  auto jump = [&](int pictures) {
    if (pictures > 1023) pictures = 1023;
    if (pictures <= 0) shortStep();
    else back(int64_t(pictureStride) * pictures + 1);
  };

  int count = 0, acc = 0, lastTr = 0;
  bool pending = false, mainPhase = false, gopFound = false;
  if (currentType == kPictureB) {
    count = currentTr + 1;
    lastTr = -1;
    acc = 1;
    mainPhase = true;
    back(int64_t(pictureStride) * (count > 1023 ? 1023 : count) + 4);
  } else {
    back(4);
  }
  while (source.status == 1) {
    uint32_t code = source.Peek32();
    if (source.status != 1) break;
    if (code == 0x100) {
      source.Get32();
      int t = int(Bits(10));
      int type = int(Bits(3));
      if (!mainPhase) {
        if (t == currentTr) {
          shortStep();
          continue;
        }
        mainPhase = true;
        pending = false;
        acc = 2;
        if (type == kPictureB) {
          count = t + 1;
          lastTr = -1;
          jump(count);
        } else {
          count = t;
          lastTr = t;
          jump(t);
        }
      } else if (type == kPictureB) {
        lastTr = -1;
        int d = count - t - 1;
        if (pending) {
          if (d < 1) d += 1024;
          pending = false;
        } else if (d < 0) {
          d += 1024;
        }
        count = t + 1;
        acc += d;
        jump(count);
      } else if (pending) {
        if (t == lastTr) {
          shortStep();
        } else {
          int d = count - t;
          if (d < 1) d += 1024;
          pending = false;
          lastTr = t;
          count = t;
          acc += d;
          jump(t);
        }
      } else if (t != lastTr) {
        pending = true;
        lastTr = t;
        shortStep();
      } else {
        jump(t);
      }
    } else if (code == 0x1B3) {
      back(pictureStride - 4);
    } else if (code == 0x1B8) {
      gopFound = true;
      break;
    } else {
      source.PreviousStartCode();
    }
  }
  int frames = !mainPhase ? 1 : (pending ? count + acc : acc);
  int result = 1;
  if (gopFound) {
    source.Get32();
    if (ReadGopHeader() == 1) {
      pictureNumber = frames;
      timeCodeValid = 1;
    } else {
      timeCodeValid = 0;
    }
  } else if (source.status >= 0 || source.status == kEndOfData) {
    header.timeCode = MpegTimeCode{};
    timeCodeValid = 1;
    pictureNumber = frames;
  } else {
    lastError = kReadError;
    result = kReadError;
  }
  source.status = 1;
  if (source.SetPosition(savedPacket, savedOffset) < 0) {
    lastError = kReloadFailed;
    return kEndOfData;
  }
  source.SetBitPos(savedBit);
  return result;
}
