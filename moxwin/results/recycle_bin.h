// Whether the shell's delete can move a file into a recycle bin, or would
// delete it for good although undo was asked.
#pragma once

namespace mox::results {

class RecycleBin {
 public:
  RecycleBin();
  bool takes(const wchar_t* path) const;

 private:
  // Under Wine the bin is the desktop's trash folder, one for every drive; it
  // is there when its parent folder is ($XDG_DATA_HOME, else
  // ~/.local/share): without it the shell deletes for good, asking nothing.
  bool wine_ = false;
  bool wine_trash_ = false;
};

}  // namespace mox::results
