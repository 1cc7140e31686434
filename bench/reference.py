#!/usr/bin/env python3
"""Independent reference for the benchmark: the duplicate sets of a tree and
the fewest bytes a duplicate finder must read to find them.

    reference.py ROOT [--json OUT]

Files are grouped by size; the distinct files (inodes) of each size are read
side by side and split by exact byte comparison, block by block. Every path
of a set of equal contents is listed, hard links included (each link is a
path with the same contents); all empty files form one set.

Minimum bytes: every byte of each distinct file of a duplicate set once
(links to one file count once; a set that is one file under several names
needs no reading), plus, for every other file that shares its size with
another file, its bytes up to the end of the first block in which it differs
from all of them. Blocks of 4 KiB (the page, the smallest read the kernel
makes); the figure for 32 KiB blocks is given too, and the bytes that the
content search's block schedule (32 KiB, then four times the previous block
up to 32 MiB) reads when it reads every path of a set, links included, and
every other candidate up to the end of the block where it differs; of
those, the bytes spent on reading more than one name of a file.
"""
import argparse
import json
import os
import sys

VERSION = 3  # of the figures; cached references of another version are redone
CHUNK = 1 << 20
BLOCKS = (4096, 32768)


def scan(root):
    """Regular files under root: (relative path, size, (dev, inode))."""
    files = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        for name in sorted(filenames):
            full = os.path.join(dirpath, name)
            st = os.lstat(full)
            if os.path.isfile(full) and not os.path.islink(full):
                files.append((os.path.relpath(full, root), st.st_size, (st.st_dev, st.st_ino)))
    return files


def first_mismatch(a, b):
    """Index of the first differing byte of two equal-length buffers."""
    a, b = memoryview(a), memoryview(b)
    lo, hi = 0, len(a)
    while hi - lo > 256:
        mid = (lo + hi) // 2
        if a[lo:mid] == b[lo:mid]:
            lo = mid
        else:
            hi = mid
    while lo < hi and a[lo] == b[lo]:
        lo += 1
    return lo


def round_up(n, block, size):
    return min(size, -(-n // block) * block)


def schedule_end(n, size, first=32768, largest=32 << 20):
    """End of the block of the growing schedule that holds byte n - 1."""
    end, block = 0, first
    while end < n:
        end += block
        block = min(block * 4, largest)
    return min(end, size)


def needed_bytes(diverge, size):
    """Bytes read of a file that differs from all others at byte `diverge`:
    per fixed block size, then under the growing schedule."""
    return tuple(round_up(diverge + 1, b, size) for b in BLOCKS) + (schedule_end(diverge + 1, size),)


def split_size_group(root, size, inodes):
    """Split the distinct files of one size by contents.
    inodes: {inode: [paths]}. Returns (classes of inodes with equal contents,
    {inode: bytes needed per block size} for the files that are unique)."""
    keys = list(inodes)
    handles = {k: open(os.path.join(root, inodes[k][0]), 'rb') for k in keys}
    needed = {}
    classes = [keys]
    pos = 0
    try:
        while pos < size and classes:
            data = {k: handles[k].read(CHUNK) for cls in classes for k in cls}
            next_classes = []
            for cls in classes:
                parts = {}
                for k in cls:
                    parts.setdefault(data[k], []).append(k)
                for members in parts.values():
                    if len(members) >= 2:
                        next_classes.append(members)
                        continue
                    k = members[0]
                    diverge = pos + max(first_mismatch(data[k], data[o]) for o in cls if o != k)
                    needed[k] = needed_bytes(diverge, size)
            classes = next_classes
            pos += CHUNK
    finally:
        for h in handles.values():
            h.close()
    return classes, needed


def compute(root):
    root = os.path.abspath(root)
    files = scan(root)
    by_size = {}
    for path, size, inode in files:
        by_size.setdefault(size, {}).setdefault(inode, []).append(path)
    sets, min_bytes = [], [0] * (len(BLOCKS) + 1)
    candidates = dup_bytes = path_bytes = link_bytes = 0
    for size, inodes in sorted(by_size.items()):
        paths = [p for ps in inodes.values() for p in ps]
        if len(paths) < 2:
            continue
        candidates += len(paths)
        if size == 0 or len(inodes) == 1:
            sets.append(sorted(paths))
            path_bytes += size * len(paths)
            link_bytes += size * len(paths)  # one file: nothing to compare
            continue
        classes, needed = split_size_group(root, size, inodes)
        for cls in classes:
            sets.append(sorted(p for k in cls for p in inodes[k]))
            dup_bytes += size * len(cls)
            path_bytes += size * sum(len(inodes[k]) for k in cls)
            link_bytes += size * sum(len(inodes[k]) - 1 for k in cls)
        for k, ps in inodes.items():
            if k in needed:
                if len(ps) >= 2:  # one file under several names: a set of its own
                    sets.append(sorted(ps))
                    path_bytes += size * len(ps)
                    link_bytes += size * len(ps) - needed[k][-1]
                else:
                    path_bytes += needed[k][-1]
                for i in range(len(BLOCKS)):
                    min_bytes[i] += needed[k][i]
    sets.sort()
    dup_files = sum(len(s) for s in sets)
    return {
        'root': root,
        'sets': sets,
        'stats': {
            'files': len(files),
            'bytes': sum(size for _, size, _ in files),
            'distinct_bytes': sum({inode: size for _, size, inode in files}.values()),
            'candidates': candidates,
            'dup_files': dup_files,
            'dup_sets': len(sets),
            'dup_share': dup_files / candidates if candidates else 0.0,
            'dup_bytes': dup_bytes,
            'min_bytes_4k': dup_bytes + min_bytes[0],
            'min_bytes_32k': dup_bytes + min_bytes[1],
            'schedule_bytes': path_bytes,
            'link_bytes': link_bytes,
        },
    }


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('root')
    ap.add_argument('--json')
    args = ap.parse_args()
    ref = compute(args.root)
    if args.json:
        with open(args.json, 'w') as f:
            json.dump(ref, f)
    print(json.dumps(ref['stats'], indent=1))
    return 0


if __name__ == '__main__':
    sys.exit(main())
