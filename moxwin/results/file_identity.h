// The file system behind a load: each listed file's status and identity,
// asked as cheaply as the system allows.
#pragma once
#include <cstdint>
#include <vector>

#include "moxwin/results/model.h"

namespace mox::results {

// The identity as a load defines it: an open without access rights, then
// the information by handle. False (and zeros) when either fails.
bool identity_by_handle_information(const wchar_t* path, FileIdentity* identity);

// One per load: it remembers the volume serials it has asked for.
class SystemFileFacts : public FileFacts {
 public:
  SystemFileFacts();
  int status(const wchar_t* path, shell::FileStatus* status) override;
  // The same values as identity_by_handle_information.
  bool identity(const wchar_t* path, FileIdentity* identity) override;

 private:
  // Under Wine: the drive of the file's resolved name and the size of its
  // file system.
  struct VolumeKey {
    wchar_t drive = 0;
    int64_t total_units = 0;
    uint32_t sectors_per_unit = 0;
    uint32_t bytes_per_sector = 0;
    bool operator==(const VolumeKey&) const = default;
  };
  struct KnownVolume {
    VolumeKey key;
    uint32_t serial = 0;
  };

  uint32_t volume_serial(void* file);
  bool volume_key(void* file, VolumeKey* key);

  bool cheap_path_ = false;  // under Wine
  std::vector<KnownVolume> volumes_;
  std::vector<unsigned char> name_buffer_;  // room for the longest object name
};

}  // namespace mox::results
