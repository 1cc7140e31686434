#!/usr/bin/env python3
"""Deterministic benchmark corpus for duplicate finders.

    gen_corpus.py --out DIR [--scale quick|full] [--seed N] [--force]

The same scale and seed always give the same tree, byte for byte (names,
contents, hard links, modification times). Shape: many small files, a mix of
sizes up to hundreds of MiB, duplicate sets of 2 to 20 files holding about
30% of the candidates (the files that share their size with another),
families of equal-size files that share a header and differ after it,
near-duplicates of equal size that differ only in the middle or only in the
last byte, hard links, empty files, a few names with blanks and non-ASCII
characters. A manifest of what was planted goes to DIR.manifest.json (beside
the tree, so no tool scans it); an existing tree with the same manifest is
kept unless --force is given.
"""
import argparse
import hashlib
import json
import math
import os
import random
import shutil
import sys

GENERATOR_VERSION = 1
POOL_SIZE = 16 << 20
MiB = 1 << 20
KiB = 1 << 10

SCALES = {
    # A run of the whole benchmark in about a minute.
    'quick': dict(small=4000, small_max=64 * KiB, medium=60, medium_max=4 * MiB,
                  large=2, large_min=16 * MiB, large_max=32 * MiB, large_dups=1,
                  families=[(1 * MiB, 12, 200 * KiB), (256 * KiB, 10, 40 * KiB)],
                  dirs=60, empty=20, dup_share=0.032),
    # A few GiB: tens of thousands of small files, files up to 400 MiB.
    'full': dict(small=40000, small_max=64 * KiB, medium=800, medium_max=8 * MiB,
                 large=8, large_min=32 * MiB, large_max=400 * MiB, large_dups=2,
                 families=[(1 * MiB, 60, 200 * KiB), (4 * MiB, 20, 3 * MiB),
                           (256 * KiB, 100, 40 * KiB)],
                 dirs=600, empty=200, dup_share=0.055),
}

NEAR_SHARE = 0.015
LINK_SHARE = 0.01
WORDS = ['photo', 'report', 'backup', 'invoice', 'scan', 'draft', 'song', 'video',
         'notes', 'setup', 'data', 'image', 'archive', 'letter', 'build', 'log']
ODD_WORDS = ['café', 'Übersicht', '日本語', 'naïve file', 'résumé', 'copy of']
EXTS = ['.txt', '.jpg', '.png', '.pdf', '.doc', '.dat', '.mp3', '.mp4', '.zip',
        '.iso', '.dll', '.html', '.bin', '.csv']


def log_uniform(rng, lo, hi):
    return int(math.exp(rng.uniform(math.log(lo), math.log(hi))))


def group_size(rng, cap):
    """2..cap, most sets small: P(k) ~ k^-1.5."""
    ks = list(range(2, cap + 1))
    return rng.choices(ks, weights=[k ** -1.5 for k in ks])[0]


class Item:
    """One content: pool bytes from `base` on, a unique stamp at `stamp_at`,
    and bytes flipped at `flips` (near-duplicates)."""

    def __init__(self, ident, size, base, stamp_at=0, flips=()):
        self.ident, self.size, self.base = ident, size, base
        self.stamp_at, self.flips = stamp_at, tuple(flips)
        self.copies = 1
        self.kind = 'unique'
        self.near_of = None


def stamp(ident):
    return b'MOXBENCH' + ident.to_bytes(8, 'little')


def chunks(item, pool, piece=8 * MiB):
    """Yield the item's contents in pieces."""
    if item.size < 16:
        # Too small for a stamp: bytes from a hash of the id (may collide, as
        # real tiny files do).
        data = bytearray(hashlib.sha256(stamp(item.ident)).digest()[:item.size])
        for f in item.flips:
            data[f] ^= 0xFF
        yield bytes(data)
        return
    st = stamp(item.ident)
    pos = 0
    while pos < item.size:
        n = min(piece, item.size - pos)
        start = (item.base + pos) % POOL_SIZE
        if start + n <= POOL_SIZE:
            data = bytearray(pool[start:start + n])
        else:
            data = bytearray(pool[start:]) + pool[:n - (POOL_SIZE - start)]
        lo, hi = max(item.stamp_at, pos), min(item.stamp_at + len(st), pos + n)
        if lo < hi:
            data[lo - pos:hi - pos] = st[lo - item.stamp_at:hi - item.stamp_at]
        for f in item.flips:
            if pos <= f < pos + n:
                data[f - pos] ^= 0xFF
        yield bytes(data)
        pos += n


def plan(scale, seed):
    """Decide everything from the seed: items, copies, places, links."""
    rng = random.Random(seed)
    items = []

    def new_item(size, stamp_at=0, base=None):
        it = Item(len(items) + 1, size, rng.randrange(POOL_SIZE) if base is None else base,
                  stamp_at)
        items.append(it)
        return it

    for _ in range(scale['small']):
        new_item(log_uniform(rng, 100, scale['small_max']))
    for _ in range(scale['medium']):
        new_item(log_uniform(rng, scale['small_max'], scale['medium_max']))
    large = [new_item(log_uniform(rng, scale['large_min'], scale['large_max']))
             for _ in range(scale['large'])]
    # Families: equal sizes and a shared header; members differ after it.
    for size, count, header in scale['families']:
        base = rng.randrange(POOL_SIZE)
        for _ in range(count):
            it = new_item(size, stamp_at=header, base=base)
            it.kind = 'family'

    # Duplicate sets: large files get few copies, the others 2..20. The share
    # of items with copies is set per scale so that about 30% of the
    # candidates (files that share their size with another) are duplicates.
    for it in items:
        if it in large:
            continue
        if rng.random() < scale['dup_share']:
            it.copies = group_size(rng, 20 if it.size <= scale['small_max'] else 5)
    for it in rng.sample(large, scale['large_dups']):
        it.copies = 2

    # Near-duplicates: same size, one byte flipped in the middle or at the
    # end; some of them have copies of their own.
    candidates = [it for it in items if it.size >= 16]
    near_count = max(4, int(len(candidates) * NEAR_SHARE))
    chosen = rng.sample(candidates, near_count)
    if large and large[0] not in chosen:
        chosen[0] = large[0]
    for i, orig in enumerate(chosen):
        where = orig.size // 2 if i % 2 == 0 else orig.size - 1
        near = Item(len(items) + 1, orig.size, orig.base, orig.stamp_at, (where,))
        near.ident = orig.ident  # same stamp: the flip is the only difference
        near.kind = 'near-middle' if i % 2 == 0 else 'near-last'
        near.near_of = items.index(orig)
        near.copies = 2 if rng.random() < 0.3 and orig.size < 64 * MiB else 1
        items.append(near)

    # Folders: a random tree, at most six levels deep.
    dirs = ['']
    for i in range(scale['dirs']):
        parent = rng.choice(dirs)
        if parent.count('/') >= 5:
            parent = ''
        name = f'{rng.choice(WORDS)}{i:03d}'
        if rng.random() < 0.03:
            name = f'{rng.choice(ODD_WORDS)} {i:03d}'
        dirs.append(f'{parent}/{name}' if parent else name)

    counter = 0

    def new_path(item_ext=None):
        nonlocal counter
        counter += 1
        word = rng.choice(ODD_WORDS) + ' ' if rng.random() < 0.02 else rng.choice(WORDS)
        ext = item_ext or rng.choice(EXTS)
        d = rng.choice(dirs)
        name = f'{word}{counter:06d}{ext}'
        return f'{d}/{name}' if d else name

    files = []  # (path, item index or None for empty)
    for idx, it in enumerate(items):
        ext = rng.choice(EXTS)
        for _ in range(it.copies):
            files.append((new_path(ext), idx))
    for _ in range(scale['empty']):
        files.append((new_path('.txt'), None))
    rng.shuffle(files)

    # Hard links: extra names for some files, always one for a large file.
    linkable = [f for f in files if f[1] is not None]
    links = [(new_path(), src) for src, _ in rng.sample(linkable, int(len(linkable) * LINK_SHARE))]
    big = [f for f in linkable if items[f[1]] is large[-1]] if large else []
    if big:
        links.append((new_path(), big[0][0]))
    mtimes = {p: 1_500_000_000 + rng.randrange(200_000_000) for p, _ in files}
    return items, dirs, files, links, mtimes


def write_tree(out, items, dirs, files, links, mtimes, seed):
    pool = random.Random(seed ^ 0x5EED).randbytes(POOL_SIZE)
    for d in dirs:
        os.makedirs(os.path.join(out, d), exist_ok=True)
    for path, idx in files:
        full = os.path.join(out, path)
        with open(full, 'wb') as f:
            if idx is not None:
                for data in chunks(items[idx], pool):
                    f.write(data)
        os.utime(full, (mtimes[path], mtimes[path]))
    for path, src in links:
        os.link(os.path.join(out, src), os.path.join(out, path))


def summary(items, files, links):
    sizes = [items[i].size if i is not None else 0 for _, i in files]
    in_sets = sum(1 for _, i in files if i is not None and items[i].copies > 1)
    return {
        'files': len(files) + len(links),
        'hard_links': len(links),
        'empty_files': sum(1 for _, i in files if i is None),
        'bytes': sum(sizes),
        'largest': max(sizes),
        'files_in_planted_sets': in_sets,
        'planted_sets': sum(1 for it in items if it.copies > 1),
        'near_duplicates': sum(1 for it in items if it.kind.startswith('near')),
        'family_files': sum(it.copies for it in items if it.kind == 'family'),
    }


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--out', required=True)
    ap.add_argument('--scale', choices=sorted(SCALES), default='quick')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--force', action='store_true')
    args = ap.parse_args()

    out = os.path.abspath(args.out)
    manifest_path = out + '.manifest.json'
    items, dirs, files, links, mtimes = plan(SCALES[args.scale], args.seed)
    manifest = {'generator': GENERATOR_VERSION, 'scale': args.scale, 'seed': args.seed,
                'summary': summary(items, files, links)}
    if not args.force and os.path.isdir(out) and os.path.exists(manifest_path):
        with open(manifest_path) as f:
            if json.load(f) == manifest:
                print(f'corpus {out} is current ({args.scale}, seed {args.seed})')
                return 0
    if os.path.exists(manifest_path):
        os.remove(manifest_path)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    write_tree(out, items, dirs, files, links, mtimes, args.seed)
    with open(manifest_path, 'w') as f:
        json.dump(manifest, f, indent=1)
    s = manifest['summary']
    print(f"corpus {out}: {s['files']} files, {s['bytes'] / MiB:.0f} MiB, "
          f"{s['files_in_planted_sets']} files in {s['planted_sets']} planted sets, "
          f"{s['near_duplicates']} near-duplicates, {s['hard_links']} hard links, "
          f"{s['empty_files']} empty")
    return 0


if __name__ == '__main__':
    sys.exit(main())
