// Size totaller: passes the size-path lines whose size occurs on two or more
// neighbouring lines and totals their nominal size and the space they take on
// disk (smaller for compressed files).
#pragma once
#include <windows.h>

#include <cstdio>

namespace mox {

// Input lines are read with this limit, terminator included.
constexpr int kSizesumLineCap = 2048;

// The system's compressed-size call; null when the system lacks it. The seam
// for tests, since a test system may be unable to compress files.
using CompressedSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
extern CompressedSizeFn g_compressed_size;

// Looks GetCompressedFileSizeW up in kernel32.dll.
void find_compressed_size_service();

struct SizeTotals {
  int lines = 0;
  unsigned long long nominal = 0;
  unsigned long long on_disk = 0;
};

// The size field: white space, an optional sign and decimal digits within the
// first 20 characters.
unsigned long long size_field(const wchar_t* line);

// What a kept line adds to the on-disk total, by its marker: ' ' the nominal
// size, 'c' the compressed size (never more than the nominal one; the nominal
// one when the compressed size cannot be read; nothing without the service),
// any other marker nothing. path may carry the line end.
unsigned long long on_disk_size(unsigned long long nominal, wchar_t marker, const wchar_t* path);

// Reads the list from in and writes the lines of runs to out as read. Lines
// too short to hold a size and its marker are reported and skipped.
SizeTotals sizesum_run(FILE* in, FILE* out);

}  // namespace mox
