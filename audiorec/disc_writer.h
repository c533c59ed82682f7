// What the burn dialogs ask of a disc writer, so that one frame drives the audio-CD writer and
// the data writer alike. `WriterOps` forwards to either; tests put their own in its place.
#pragma once

namespace auvry {

using WriterCallback = void (*)(int status, void* context);

class DiscWriter {
 public:
  virtual ~DiscWriter() = default;
  virtual unsigned char GetDriveCount() = 0;
  virtual const char* GetDriveName(unsigned char index) = 0;
  virtual int ChooseDrive(unsigned char index) = 0;
  virtual int IsErasable() = 0;
  virtual int StartErase(int mode, WriterCallback callback, void* context) = 0;
  virtual int UnloadMedium() = 0;
  virtual int TestUnitReady() = 0;
  virtual unsigned char GetDiscType() = 0;
  virtual int SupportDisc(unsigned char kind) = 0;
  virtual unsigned long GetFreeDiscBlock() = 0;
  virtual int Free() = 0;
  virtual void SetFinalizeDisc(int finalize) = 0;
  virtual unsigned long GetBlocksToWrite() = 0;
  virtual unsigned long GetBlocksWritten() = 0;
  virtual unsigned long GetErrorCode() = 0;
};

template <typename Writer>
class WriterOps final : public DiscWriter {
 public:
  explicit WriterOps(Writer& writer) : w_(writer) {}
  unsigned char GetDriveCount() override { return w_.GetDriveCount(); }
  const char* GetDriveName(unsigned char index) override { return w_.GetDriveName(index); }
  int ChooseDrive(unsigned char index) override { return w_.ChooseDrive(index); }
  int IsErasable() override { return w_.IsErasable(); }
  int StartErase(int mode, WriterCallback callback, void* context) override {
    return w_.StartErase(mode, callback, context);
  }
  int UnloadMedium() override { return w_.UnloadMedium(); }
  int TestUnitReady() override { return w_.TestUnitReady(); }
  unsigned char GetDiscType() override { return w_.GetDiscType(); }
  int SupportDisc(unsigned char kind) override { return w_.SupportDisc(kind); }
  unsigned long GetFreeDiscBlock() override { return w_.GetFreeDiscBlock(); }
  int Free() override { return w_.Free(); }
  void SetFinalizeDisc(int finalize) override { w_.SetFinalizeDisc(finalize); }
  unsigned long GetBlocksToWrite() override { return w_.GetBlocksToWrite(); }
  unsigned long GetBlocksWritten() override { return w_.GetBlocksWritten(); }
  unsigned long GetErrorCode() override { return w_.GetErrorCode(); }

 private:
  Writer& w_;
};

}  // namespace auvry
