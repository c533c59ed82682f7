// The hidden file a conversion writes until it has succeeded: its name beside the output, the
// lock by which its process owns it, and the sweep that removes those whose owner has gone.
#pragma once

#include <string>

// ".<name>.part<pid>[-<clash>]<extension>" in the output's folder.
std::string PartialFilePath(const std::string& output, int pid, int clash);
// Whether a file name (without folder) has the partial file's form.
bool IsPartialFileName(const std::string& name);

// A partial file created and locked by this process; the lock goes with the process, however
// it ends, so a file whose lock can be taken has no live owner.
class COwnedPartial {
 public:
  COwnedPartial() = default;
  ~COwnedPartial() { Release(); }
  COwnedPartial(const COwnedPartial&) = delete;
  COwnedPartial& operator=(const COwnedPartial&) = delete;

  // Creates the file (never over an existing one) and takes its lock. False with errno set
  // (EEXIST when the name is taken).
  bool Create(const std::string& path);
  // Gives up the lock; the file stays.
  void Release();
  bool Owned() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Removes the partial files of `folder` that no live process owns; the number removed.
int RemoveAbandonedPartials(const std::string& folder);
