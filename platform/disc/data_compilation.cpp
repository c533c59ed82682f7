#include "platform/disc/data_compilation.h"

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs/libisofs.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/base/file.h"
#include "platform/base/strings.h"
#include "platform/disc/disc_kinds.h"
#include "platform/disc/image_tool.h"
#include "platform/disc/sense_codes.h"

namespace platform::disc {
namespace {

bool EnsureLibisofs() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = iso_init() >= 0; });
  return ok;
}

// Blocks that the first 64 KiB of the medium hold: the descriptors that point at the newest
// session are written there after each session.
constexpr std::uint32_t kHeadBlocks = 32;

}  // namespace

struct DataCompilation::Impl {
  IsoImage* image = nullptr;
  std::uint32_t files = 0;
  std::vector<std::uint8_t> head;

  ~Impl() { Drop(); }
  void Drop() {
    if (image) iso_image_unref(image);
    image = nullptr;
    files = 0;
  }
  bool Ensure() {
    if (image) return true;
    if (!EnsureLibisofs()) return false;
    return iso_image_new("CDROM", &image) >= 0;
  }
};

DataCompilation::DataCompilation() : impl_(std::make_unique<Impl>()) {}
DataCompilation::~DataCompilation() = default;

void DataCompilation::Clear() { impl_->Drop(); }

bool DataCompilation::Empty() const { return impl_->files == 0; }

std::uint32_t DataCompilation::ImportSession(const std::string& image, std::uint32_t sessionBlock) {
  impl_->Drop();
  if (!impl_->Ensure()) return 0;
  IsoDataSource* source = nullptr;
  if (iso_data_source_new_from_file(image.c_str(), &source) < 0) return 0;
  IsoReadOpts* opts = nullptr;
  iso_read_opts_new(&opts, 0);
  iso_read_opts_set_start_block(opts, sessionBlock);
  IsoReadImageFeatures* features = nullptr;
  const int rc = iso_image_import(impl_->image, source, opts, &features);
  iso_read_opts_free(opts);
  iso_data_source_unref(source);
  if (features) iso_read_image_features_destroy(features);
  if (rc < 0) {
    // Nothing readable there: start a new tree.
    impl_->Drop();
    impl_->Ensure();
    return 0;
  }
  std::uint32_t count = 0;
  IsoDirIter* iter = nullptr;
  if (iso_dir_get_children(iso_image_get_root(impl_->image), &iter) == 1) {
    IsoNode* node = nullptr;
    while (iso_dir_iter_next(iter, &node) == 1) ++count;
    iso_dir_iter_free(iter);
  }
  impl_->files = count;
  return count;
}

bool DataCompilation::Add(const std::string& folder, const std::string& path, const std::string& longName) {
  if (!impl_->Ensure() || !platform::FileExists(path)) return false;
  IsoDir* dir = iso_image_get_root(impl_->image);
  std::string part;
  auto descend = [&](const std::string& name) {
    if (name.empty()) return true;
    IsoNode* node = nullptr;
    if (iso_dir_get_node(dir, name.c_str(), &node) == 1) {
      if (!ISO_NODE_IS_DIR(node)) return false;
      dir = reinterpret_cast<IsoDir*>(node);
      return true;
    }
    IsoDir* made = nullptr;
    if (iso_image_add_new_dir(impl_->image, dir, name.c_str(), &made) < 0) return false;
    dir = made;
    return true;
  };
  for (char c : folder) {
    if (c == '\\' || c == '/') {
      if (!descend(part)) return false;
      part.clear();
    } else {
      part += c;
    }
  }
  if (!descend(part)) return false;
  std::string name = longName.empty() ? path.substr(path.find_last_of('/') + 1) : longName;
  // Names the tree refuses ("/" inside, over 255 bytes) are cut to what it holds.
  for (char& c : name)
    if (c == '/' || c == '\\') c = '_';
  if (name.size() > 240) name = name.substr(0, 240);
  std::string unique = name;
  IsoNode* existing = nullptr;
  const auto dot = name.rfind('.');
  for (int n = 2; iso_dir_get_node(dir, unique.c_str(), &existing) == 1; ++n) {
    const std::string suffix = platform::Format(" (%d)", n);
    unique = dot == std::string::npos || dot == 0 ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
  }
  IsoNode* node = nullptr;
  if (iso_tree_add_new_node(impl_->image, dir, unique.c_str(), path.c_str(), &node) < 0) return false;
  ++impl_->files;
  return true;
}

bool DataCompilation::MakeJob(const std::string& label, std::uint32_t startBlock, bool randomAccess, WriteJob* job,
                              std::uint32_t* error) {
  if (!impl_->Ensure() || impl_->files == 0) {
    *error = kSenseBadRequest;
    return false;
  }
  const bool append = startBlock > 0;
  // The first session leaves the head free for the descriptors of later ones.
  if (randomAccess && startBlock < kHeadBlocks) startBlock = kHeadBlocks;
  const std::string volume = VolumeLabel(label.empty() ? "CDROM" : label);
  iso_image_set_volume_id(impl_->image, volume.c_str());
  IsoWriteOpts* opts = nullptr;
  if (iso_write_opts_new(&opts, 2) < 0) {
    *error = kSenseToolMissing;
    return false;
  }
  // Level 3: files of 4 GiB and more are written in several extents.
  iso_write_opts_set_iso_level(opts, 3);
  iso_write_opts_set_rockridge(opts, 1);
  iso_write_opts_set_joliet(opts, 1);
  iso_write_opts_set_joliet_longer_paths(opts, 1);
  // The label keeps the case it was given, as in the images genisoimage makes.
  iso_write_opts_set_relaxed_vol_atts(opts, 1);
  iso_write_opts_set_appendable(opts, append ? 1 : 0);
  iso_write_opts_set_ms_block(opts, startBlock);
  auto head = std::make_shared<std::vector<std::uint8_t>>(kHeadBlocks * kDataBlockBytes, 0);
  if (randomAccess) iso_write_opts_set_overwrite_buf(opts, head->data());
  burn_source* source = nullptr;
  const int rc = iso_image_create_burn_source(impl_->image, opts, &source);
  iso_write_opts_free(opts);
  if (rc < 0 || !source) {
    *error = kSenseSourceUnreadable;
    return false;
  }
  const off_t size = source->get_size(source);
  job->blocks = static_cast<std::uint32_t>((size + kDataBlockBytes - 1) / kDataBlockBytes);
  job->startBlock = startBlock;
  job->append = append;
  job->sourceFd = -1;
  auto holder = std::shared_ptr<burn_source>(source, [](burn_source* s) {
    if (s->cancel) s->cancel(s);
    if (--s->refcount < 1) {
      if (s->free_data) s->free_data(s);
      std::free(s);
    }
  });
  job->read = [holder](unsigned char* buffer, int bytes) {
    burn_source* s = holder.get();
    int got = 0;
    while (got < bytes) {
      const int n = s->read ? s->read(s, buffer + got, bytes - got) : s->read_xt(s, buffer + got, bytes - got);
      if (n <= 0) break;
      got += n;
    }
    return got == 0 ? 0 : got;
  };
  if (!randomAccess) return true;
  // After the session: the head blocks now describe it, so readers of the medium find it.
  job->afterWrite = [head](const std::string& imagePath) {
    platform::File image(imagePath, platform::FileMode::ReadWrite);
    return image.IsOpen() && image.Write(head->data(), head->size()) && image.Close();
  };
  return true;
}

}  // namespace platform::disc
