#include "moxwin/results/model.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <cstdint>
#include <string>

#include "common/lines.h"
#include "common/paths.h"

namespace mox::results {

namespace {

constexpr int kLinePiece = 1096;  // units per read; longer lines are joined
// The capacity comes from a count file a user may edit: reserve no more than
// this up front and let a longer list grow the tables.
constexpr int kReserveLimit = 65536;
constexpr uint32_t kSymbolicLinkTag = 0xA000000C;

enum class LineRead { text, unusable, end };

struct ListReader {
  LineReader lines;
  wchar_t piece[kLinePiece];
};

// Reads one whole line, however many pieces it takes, and cleans it. A line
// without CR before its LF or the end of the file, or one that starts with
// U+0000, ends the list. A U+0000 inside the text would name another path, so
// that line is unusable but the list goes on.
LineRead read_list_line(ListReader& reader, std::wstring& line) {
  line.clear();
  bool first_piece = true;
  bool has_cr = false;
  bool has_nul = false;
  for (;;) {
    const wchar_t* piece = reader.piece;
    int n = read_wide_line(reader.lines, reader.piece, kLinePiece);
    if (n < 0) {
      if (first_piece) return LineRead::end;
      break;
    }
    if (first_piece && piece[0] == 0) return LineRead::end;
    first_piece = false;
    // The line is the text before its first CR; past that only the LF is
    // looked for, so a long tail costs no memory.
    if (!has_cr) {
      int i = 0;
      for (; i < n && piece[i] != L'\r'; ++i)
        if (piece[i] == 0) has_nul = true;
      has_cr = i < n;
      if (!has_nul) line.append(piece, static_cast<size_t>(i));
    }
    if (piece_ends_line(n, kLinePiece, piece[n - 1])) break;
  }
  if (!has_cr) return LineRead::end;
  if (has_nul) return LineRead::unusable;
  line.resize(static_cast<size_t>(clean_line(line.data())));
  return LineRead::text;
}

const wchar_t* extension_part(const wchar_t* name) {
  const wchar_t* dot = std::wcsrchr(name, L'.');
  return dot ? dot + 1 : L"";
}

// The size field of a dated list line, or kUnknown when it is not 20 digits.
int64_t listed_size_of(const std::wstring& line) {
  constexpr size_t kSizeStart = 20, kSizeDigits = 20;
  if (line.size() < kSizeStart + kSizeDigits) return shell::kUnknown;
  int64_t size = 0;
  for (size_t i = kSizeStart; i < kSizeStart + kSizeDigits; ++i) {
    wchar_t c = line[i];
    if (c < L'0' || c > L'9' || size > (INT64_MAX - 9) / 10) return shell::kUnknown;
    size = size * 10 + (c - L'0');
  }
  return size;
}

Row make_row(const std::wstring& path, int storage_index, int group, FileFacts& facts) {
  Row row;
  row.storage_index = storage_index;
  row.id = storage_index + 1;
  row.group = group;
  size_t folder_length = parent_path(path).size();  // always a prefix of the path
  size_t room = path.size() + 1 + folder_length + 1;
  row.text.reset(new wchar_t[room]);
  wchar_t* text = row.text.get();
  std::wmemcpy(text, path.c_str(), path.size() + 1);
  wchar_t* folder = text + path.size() + 1;
  std::wmemcpy(folder, path.c_str(), folder_length);
  folder[folder_length] = 0;
  row.path = text;
  row.folder = folder;
  row.name = text + file_name_offset(path);
  row.extension = extension_part(row.name);

  shell::FileStatus status;
  if (!plain_path_reaches(path)) {
    row.kind = FileKind::altered_name;
  } else if (facts.status(row.path, &status) == 0) {
    row.found = true;
    row.size = status.size;  // kUnknown when only the attributes could be read
    row.time = status.write_time;
    attribute_letters(status, row.attribute);
    if (!facts.identity(row.path, &row.identity)) row.identity = FileIdentity{.device = row.identity.device};
    row.kind = kind_of(status, row.identity);
  }
  return row;
}

// The display order and colour tables grow with the rows, so that a load cut
// short by memory still leaves them one entry per row.
void keep_equal_lengths(Model& model) {
  size_t n = std::min({model.rows.size(), model.order.size(), model.position_colours.size()});
  model.rows.erase(model.rows.begin() + static_cast<std::ptrdiff_t>(n), model.rows.end());
  model.order.resize(n);
  model.position_colours.resize(n);
}

}  // namespace

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  bool known = a.volume_serial || a.index_high || a.index_low;
  return known && a.volume_serial == b.volume_serial && a.index_high == b.index_high && a.index_low == b.index_low;
}

LoadOutcome load_rows(Model& model, FILE* list, int capacity, FileFacts& facts) {
  release(model);
  LoadOutcome outcome;
  model.capacity = std::max(capacity, 0);
  try {
    auto reader = std::make_unique<ListReader>();
    line_reader_init(reader->lines, list);
    size_t reserve = static_cast<size_t>(std::min(model.capacity, kReserveLimit));
    model.rows.reserve(reserve);
    model.order.reserve(reserve);
    model.position_colours.reserve(reserve);
    std::wstring line;
    int group = 1;
    while (model.count() < model.capacity) {
      LineRead read = read_list_line(*reader, line);
      if (read == LineRead::end) break;
      if (read == LineRead::unusable) {
        ++outcome.skipped_lines;
      } else if (line.empty()) {
        ++group;  // every empty line counts, so numbers may skip
      } else if (line.size() <= static_cast<size_t>(kPathOffset)) {
        ++outcome.skipped_lines;  // no path; the group goes on
      } else {
        int index = model.count();
        model.rows.push_back(make_row(line.substr(kPathOffset), index, group, facts));
        model.rows.back().listed_size = listed_size_of(line);
        model.order.push_back(index);
        model.position_colours.push_back(0);
      }
    }
  } catch (const std::bad_alloc&) {
    outcome.out_of_memory = true;
    keep_equal_lengths(model);
  }
  count_links(model);
  compute_parity(model);
  return outcome;
}

LoadOutcome load_file(Model& model, const wchar_t* file_name, int capacity, FileFacts& facts) {
  FILE* list = _wfopen(file_name, L"rb");
  if (!list) {
    release(model);
    LoadOutcome outcome;
    outcome.status = -1;
    return outcome;
  }
  LoadOutcome outcome = load_rows(model, list, capacity, facts);
  fclose(list);
  return outcome;
}

void release(Model& model) { model = Model(); }

FileKind kind_of(const shell::FileStatus& status, const FileIdentity& identity) {
  if (status.flags & shell::kFileReparsePoint) return FileKind::link;
  if (status.flags & shell::kFileDirectory) return FileKind::folder;
  if (identity.device) return FileKind::device;
  return FileKind::regular;
}

void attribute_letters(const shell::FileStatus& status, wchar_t (&letters)[8]) {
  int n = 0;
  auto add = [&](wchar_t letter) {
    if (n < 7) letters[n++] = letter;
  };
  uint32_t f = status.flags;
  if (f & shell::kFileReadOnly) add(L'R');
  if (f & shell::kFileHidden) add(L'H');
  if (f & shell::kFileSystem) add(L'S');
  if (f & shell::kFileArchive) add(L'A');
  if (f & shell::kFileEncrypted) add(L'E');
  else if (f & shell::kFileCompressed) add(L'C');
  if (f & shell::kFileReparsePoint) add(status.reparse_tag == kSymbolicLinkTag ? L'Y' : L'L');
  if (f & shell::kFileSparse) add(L'Z');
  letters[n] = 0;
}

void count_links(Model& model) {
  // Counted within each group only. Unknown (all-zero) identities compare
  // equal here.
  auto same = [](const FileIdentity& a, const FileIdentity& b) {
    return a.volume_serial == b.volume_serial && a.index_high == b.index_high && a.index_low == b.index_low;
  };
  std::vector<Row>& rows = model.rows;
  for_each_group(model, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) rows[i].link = 1;
    for (int i = begin; i < end; ++i)
      for (int j = i + 1; j < end; ++j)
        if (same(rows[i].identity, rows[j].identity)) {
          ++rows[i].link;
          ++rows[j].link;
        }
  });
}

void compute_parity(Model& model) {
  uint8_t parity = 0;
  for (size_t i = 0; i < model.rows.size(); ++i) {
    if (i > 0 && model.rows[i].group != model.rows[i - 1].group) parity ^= 1;
    model.rows[i].parity = parity;
  }
}

void compute_position_colours(Model& model, const ListColours& colours) {
  model.position_colours.assign(model.order.size(), colours.colour[2]);
  bool fourth = false;
  for (size_t p = 1; p < model.order.size(); ++p) {
    if (model.rows[model.order[p]].group != model.rows[model.order[p - 1]].group) fourth = !fourth;
    model.position_colours[p] = colours.colour[fourth ? 3 : 2];
  }
}

uint32_t background_colour(const Model& model, int position, const ListColours& colours) {
  int count = model.count();
  if (position < 0 || position >= count) return colours.colour[0];
  switch (model.colouring) {
    case Colouring::natural_ascending:
      return colours.colour[model.rows[position].parity ? 1 : 0];
    case Colouring::natural_descending:
      return colours.colour[model.rows[count - 1 - position].parity ? 1 : 0];
    case Colouring::by_position:
      break;
  }
  if (static_cast<size_t>(position) >= model.position_colours.size()) return colours.colour[2];
  return model.position_colours[position];
}

void reset_order(Model& model) {
  model.order.resize(model.rows.size());
  for (size_t i = 0; i < model.order.size(); ++i) model.order[i] = static_cast<int>(i);
  model.position_colours.resize(model.rows.size());
}

void compact(Model& model) {
  auto deleted = [](const Row& row) { return row.checked == kDeleted; };
  model.rows.erase(std::remove_if(model.rows.begin(), model.rows.end(), deleted), model.rows.end());
  for (size_t i = 0; i < model.rows.size(); ++i) model.rows[i].storage_index = static_cast<int>(i);
  reset_order(model);
  compute_parity(model);
}

}  // namespace mox::results
