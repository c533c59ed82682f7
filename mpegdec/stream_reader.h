#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "mpegdec/bit_source.h"
#include "mpegdec/header_record.h"

// One layer of a video stream: opens the file, finds the stream's headers and pictures, and
// counts the pictures. The picture decoder reads the slices through its bit source.
class CMpegStreamReader {
 public:
  enum StreamType { kElementary = 1, kProgram = 2 };

  CMpegStreamReader();
  ~CMpegStreamReader();
  CMpegStreamReader(const CMpegStreamReader&) = delete;
  CMpegStreamReader& operator=(const CMpegStreamReader&) = delete;

  int Open(const char* path, int streamIndex, int ringSize);
  void Close();
  int CountPictures();

  int NextStartCode() { return source.NextStartCode(); }
  int PreviousStartCode() { return source.PreviousStartCode(); }

  // Headers.
  int ReadSequenceHeader();
  int ReadGopHeader();
  int ReadPictureHeader();
  int ReadSequenceExtensions();
  int ReadPictureExtensions();

  // Positioning.
  int GoToFirstPicture();
  int GoToLastPicture();
  int GoToPicture(const PesPacketInfo& info, int64_t offset, int fieldState);
  int GetPictureIndex(int* index);
  int FindNextPicture(int fieldState, int dropTimeCode, int newPictureNumber);
  int FindPreviousPicture(int fieldState, int dropTimeCode, int newPictureNumber);
  int DetermineTimeCode();

  // The number of pictures found by CountPictures, or 0 when not counted.
  int PictureCount() const {
    return lastPictureIndex >= 0 && lastPictureIndex >= firstPictureIndex ? lastPictureIndex - firstPictureIndex + 1
                                                                          : 0;
  }
  int64_t FileSize() const { return fileSize_; }

  FILE* file = nullptr;
  CMpegPackSource source;
  MpegHeaderRecord header;
  uint8_t timeCodeValid = 0;
  int lastPictureIndex = -1;
  int firstPictureIndex = -1;
  int bytesPerPicture = 0;
  int pictureStride = 0;
  double frame_rate = 0.0;
  uint8_t mpeg2 = 0;
  int streamIndex = 0;
  uint8_t secondField = 0;
  int pictureNumber = -1;
  int lastError = -127;

 private:
  struct SavedState {
    PesPacketInfo packet;
    int64_t offset = 0;
    uint8_t secondField = 0;
    int pictureNumber = 0;
    uint8_t timeCodeValid = 0;
    MpegTimeCode timeCode;
  };

  void ResetState();
  int DetectStreamType(int* type);
  uint32_t Bits(int n) { return source.GetBits(n); }
  int FinishHeader();
  int ReadSequenceExtension();
  int ReadSequenceDisplayExtension();
  int ReadSequenceScalableExtension();
  int ReadPictureCodingExtension();
  int ReadQuantMatrixExtension();
  int ReadPictureDisplayExtension();
  int ReadPictureSpatialScalableExtension();
  int ReadCopyrightExtension();
  template <typename ReadOne>
  int ReadExtensions(ReadOne readOne);
  void ReadMatrix(uint8_t* m);
  SavedState Save() const;
  int Restore(const SavedState& s);
  int TimeCodeIndex(const MpegTimeCode& tc) const;

  int64_t fileSize_ = 0;
};

// Display index of the first picture of a group from its time code.
int MpegTimeCodeToIndex(const MpegTimeCode& tc, double frameRate);
