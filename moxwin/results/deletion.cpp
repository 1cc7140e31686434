#include "moxwin/results/deletion.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <unordered_map>
#include <unordered_set>

#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"

namespace mox::results {

namespace {

// Paths are one file when they are equal without regard to case, as the
// file system compares names.
std::wstring path_key(const wchar_t* path) {
  std::wstring key(path);
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

bool identity_known(const FileIdentity& identity) {
  return identity.volume_serial || identity.index_high || identity.index_low;
}

uint64_t identity_key(const FileIdentity& identity) {
  return (static_cast<uint64_t>(identity.index_high) << 32 | identity.index_low) * 0x9E3779B97F4A7C15ull ^
         identity.volume_serial;
}

// The storage-order range of every row's group.
struct GroupRange {
  int begin = 0, end = 0;
};
std::vector<GroupRange> group_ranges(const Model& model) {
  std::vector<GroupRange> ranges(model.rows.size());
  for_each_group(model, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) ranges[i] = {begin, end};
  });
  return ranges;
}

// The files the request would delete as it stands: a kept file must be none
// of them, by path or by identity.
class Deleting {
 public:
  Deleting(const Model& model, const EraseRequest& request) {
    for (const EraseEntry& entry : request.entries) {
      if (entry.refusal != Refusal::none) continue;
      const Row& row = model.rows[entry.row];
      paths_.insert(path_key(row.path));
      if (identity_known(row.identity)) identities_.emplace(identity_key(row.identity), &row.identity);
    }
  }
  bool includes(const Row& row) const {
    if (paths_.count(path_key(row.path))) return true;
    auto [first, last] = identities_.equal_range(identity_key(row.identity));
    return std::any_of(first, last, [&](const auto& known) { return same_file(*known.second, row.identity); });
  }

 private:
  std::unordered_set<std::wstring> paths_;
  std::unordered_multimap<uint64_t, const FileIdentity*> identities_;
};

// The rows of a group that the user keeps and that are still the files that
// were loaded, none of them a file the request deletes.
std::vector<int> survivors(const Model& model, const std::vector<bool>& in_request, const std::vector<FileNow>& now,
                           const Deleting& deleting, GroupRange group) {
  std::vector<int> found;
  for (int r = group.begin; r < group.end; ++r) {
    const Row& row = model.rows[r];
    if (!in_request[r] && deletable(row) && unchanged(row, now[r]) && !deleting.includes(row)) found.push_back(r);
  }
  return found;
}

bool whole_group(const std::vector<bool>& in_request, GroupRange group) {
  return std::all_of(in_request.begin() + group.begin, in_request.begin() + group.end, [](bool in) { return in; });
}

std::vector<bool> rows_in_request(const Model& model, const EraseRequest& request) {
  std::vector<bool> in_request(model.rows.size(), false);
  for (const EraseEntry& entry : request.entries) in_request[entry.row] = true;
  return in_request;
}

Refusal refusal_by_itself(const Row& row, const FileNow& now) {
  if (shell::has_wildcard(row.path)) return Refusal::wildcard;
  if (row.kind == FileKind::altered_name) return Refusal::not_regular;
  if (now.kind == FileKind::missing) return now.folder_exists ? Refusal::gone : Refusal::changed;
  if (!deletable(row) || now.kind != FileKind::regular) return Refusal::not_regular;
  if (!unchanged(row, now)) return Refusal::changed;
  return Refusal::none;
}

}  // namespace

ListKind list_kind_of(const std::wstring& text) {
  std::wstring word = text.substr(0, text.find_first_of(L" \t\r\n"));
  for (wchar_t& c : word) c = static_cast<wchar_t>(std::towlower(c));
  if (word == L"content") return ListKind::content;
  if (word == L"jpeg") return ListKind::jpeg;
  if (word == L"size") return ListKind::size;
  if (word == L"name") return ListKind::name;
  return ListKind::unknown;
}

bool unchanged(const Row& row, const FileNow& now) {
  const FileIdentity& then = row.identity;
  return row.found && now.kind == FileKind::regular && identity_known(then) && same_file(then, now.identity) &&
         now.size == row.size && now.write_time == row.time && now.identity.change_time == then.change_time;
}

void judge_request(const Model& model, EraseRequest& request, const std::vector<FileNow>& now) {
  std::unordered_map<std::wstring, int> first_of_path;
  for (size_t i = 0; i < request.entries.size(); ++i) {
    EraseEntry& entry = request.entries[i];
    entry.survivor = -1;
    if (entry.refusal != Refusal::none) continue;
    const Row& row = model.rows[entry.row];
    auto [place, fresh] = first_of_path.emplace(path_key(row.path), static_cast<int>(i));
    if (!fresh) {
      entry.refusal = Refusal::same_path;
      entry.first = place->second;
      continue;
    }
    entry.refusal = refusal_by_itself(row, now[entry.row]);
  }
  // Refusing a file can make another file a survivor again, never the other
  // way round: repeat until nothing changes.
  std::vector<GroupRange> groups = group_ranges(model);
  std::vector<bool> in_request = rows_in_request(model, request);
  for (bool changed = true; changed;) {
    changed = false;
    Deleting deleting(model, request);
    constexpr int kWholeGroup = -2, kNoSurvivor = -1;
    std::unordered_map<int, int> first_survivor;  // first row of a group -> its survivor
    for (EraseEntry& entry : request.entries) {
      if (entry.refusal != Refusal::none) continue;
      GroupRange group = groups[entry.row];
      auto [known, fresh] = first_survivor.emplace(group.begin, kNoSurvivor);
      if (fresh) {
        std::vector<int> kept;
        if (whole_group(in_request, group))
          known->second = kWholeGroup;
        else if (kept = survivors(model, in_request, now, deleting, group); !kept.empty())
          known->second = kept.front();
      }
      if (known->second == kWholeGroup) continue;
      if (known->second == kNoSurvivor) {
        entry.refusal = Refusal::no_survivor;
        changed = true;
      } else {
        entry.survivor = known->second;
      }
    }
  }
}

int whole_groups(const Model& model, const EraseRequest& request) {
  std::vector<bool> in_request = rows_in_request(model, request);
  int whole = 0;
  for_each_group(model, [&](int begin, int end) {
    if (whole_group(in_request, {begin, end})) ++whole;
  });
  return whole;
}

FileRange compared_range(const Row& row, ListKind kind) {
  FileRange range{row.path, 0, row.size};
  // A listed size that cannot be the image data: the whole file, which is
  // the stricter comparison.
  if (kind == ListKind::jpeg && row.listed_size >= 0 && row.listed_size <= row.size) {
    range.offset = row.size - row.listed_size;
    range.length = row.listed_size;
  }
  return range;
}

std::vector<GroupComparison> plan_comparisons(const Model& model, const EraseRequest& request,
                                              const std::vector<FileNow>& now) {
  std::vector<GroupRange> groups = group_ranges(model);
  std::vector<bool> in_request = rows_in_request(model, request);
  Deleting deleting(model, request);
  std::vector<GroupComparison> comparisons;
  std::unordered_map<int, size_t> by_group;  // first row of a group -> its comparison
  for (size_t i = 0; i < request.entries.size(); ++i) {
    const EraseEntry& entry = request.entries[i];
    if (entry.refusal != Refusal::none || entry.survivor < 0) continue;
    GroupRange group = groups[entry.row];
    auto [place, fresh] = by_group.emplace(group.begin, comparisons.size());
    if (fresh) {
      GroupComparison comparison;
      std::vector<int> kept = compares_contents(request.kind)
                                  ? std::vector<int>{entry.survivor}
                                  : survivors(model, in_request, now, deleting, group);
      for (int r : kept) comparison.kept.push_back(compared_range(model.rows[r], request.kind));
      comparisons.push_back(std::move(comparison));
    }
    GroupComparison& comparison = comparisons[place->second];
    comparison.entries.push_back(static_cast<int>(i));
    comparison.checked.push_back(compared_range(model.rows[entry.row], request.kind));
  }
  return comparisons;
}

std::wstring shell_source_list(const Model& model, const EraseRequest& request) {
  std::wstring list;
  for (const EraseEntry& entry : request.entries) {
    if (entry.refusal != Refusal::none) continue;
    list += model.rows[entry.row].path;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

int settle_request(Model& model, EraseRequest& request, const std::vector<FileNow>& now) {
  int deleted = 0;
  for (EraseEntry& entry : request.entries) {
    if (entry.refusal != Refusal::none && entry.refusal != Refusal::gone) continue;
    const FileNow& file = now[entry.row];
    entry.deleted = file.kind == FileKind::missing && file.folder_exists;
    if (!entry.deleted) entry.refusal = entry.refusal == Refusal::gone ? Refusal::changed : Refusal::kept_by_shell;
  }
  for (EraseEntry& entry : request.entries)
    if (entry.refusal == Refusal::same_path) entry.deleted = request.entries[entry.first].deleted;
  for (size_t i = 0; i < model.rows.size(); ++i) {
    model.rows[i].checked = kUnchecked;
    model.rows[i].selected = i < request.selected.size() ? request.selected[i] : 0;
  }
  for (const EraseEntry& entry : request.entries) {
    model.rows[entry.row].checked = entry.deleted ? kDeleted : kChecked;
    if (entry.deleted) ++deleted;
  }
  return deleted;
}

std::wstring deletion_result_text(int requested, int deleted, const wchar_t* all_format, const wchar_t* some_format) {
  if (deleted == requested) return shell::format_text(shell::kMessageTextCap, all_format, shell::grouped(deleted).c_str());
  bool requested_first = some_format[0] == L'1';
  std::wstring first = shell::grouped(requested_first ? requested : deleted);
  std::wstring second = shell::grouped(requested_first ? deleted : requested);
  return shell::format_text(shell::kMessageTextCap, some_format[0] ? some_format + 1 : some_format, first.c_str(),
                            second.c_str());
}

}  // namespace mox::results
