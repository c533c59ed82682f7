// A data disc's files: an ISO 9660 + Joliet + Rock Ridge tree made with libisofs, appended as a
// new session after the disc's last one, whose files it keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/disc/write_engine.h"

namespace platform::disc {

class DataCompilation {
 public:
  DataCompilation();
  ~DataCompilation();
  DataCompilation(const DataCompilation&) = delete;
  DataCompilation& operator=(const DataCompilation&) = delete;

  void Clear();
  // Reads the tree of the session starting at `sessionBlock` of the image; the number of files
  // it holds (0 when there is none).
  std::uint32_t ImportSession(const std::string& image, std::uint32_t sessionBlock);
  // `folder` is the disc folder ("\" or "/" for the root); the file keeps `longName` on the
  // disc, made unique in its folder.
  bool Add(const std::string& folder, const std::string& path, const std::string& longName);
  bool Empty() const;
  // A job writing the tree as a session starting at `startBlock`; false with *error set. On a
  // simulated (random-access) disc the session's descriptors are also copied to its head.
  bool MakeJob(const std::string& label, std::uint32_t startBlock, bool randomAccess, WriteJob* job,
               std::uint32_t* error);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::disc
