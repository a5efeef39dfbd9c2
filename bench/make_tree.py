#!/usr/bin/env python3
"""Make a reproducible directory tree for timing disk-usage counters.

The same arguments (seed included) give the same names, sizes and mtimes on
every run and every machine, so timings of different builds and tools are
comparable. The tree holds:

  * many small files with real data (written, not sparse), about 5% empty;
  * a few large sparse files (set with truncate: huge sizes, almost no disk);
  * files of 1, 4095, 4096, 4097, 65536 and 65537 bytes (the 4 KiB cluster
    edge), a handful of each in a large tree;
  * deep chains next to bushy branches, down to --depth levels;
  * a few directories of thousands of entries (files, and one of subdirectories);
  * names with blanks, "&" and non-ASCII UTF-8, hidden (dot) files and
    directories;
  * symbolic links to files and to directories, one dangling and one pointing
    back at an ancestor (a walker that follows links would loop);
  * fixed modification times, whole seconds in 2001..2025 (UTC), for files,
    directories and the links themselves.

With --snapshots N the tree is made as OUT/snap-00 and repeated N - 1 times
(snap-01, ...) as a backup program keeps snapshots: the same directories, the
same symbolic links, and every regular file a hard link to the first copy's.
--images N adds N sparse disk images in OUT/images, 4 GiB each with 1 MiB
written at three places.

The summary line counts the directories below OUT (OUT itself not included),
the regular files and the links; bytes is the sum of the regular files'
apparent sizes.

Only the standard library is used.
"""

import argparse
import bisect
import os
import random
import sys

FIRST_TIME = 978307200  # 2001-01-01 00:00:00 UTC
LAST_TIME = 1767225599  # 2025-12-31 23:59:59 UTC
EDGE_SIZES = (1, 4095, 4096, 4097, 65536, 65537)
SMALL_CAP = 1 << 20  # small files never exceed this; they are written in full
BIG_FLOOR = 1 << 30  # the sparse files start at 1 GiB (or --max-size when smaller)
EXTENSIONS = (".txt", ".log", ".csv", ".jpg", ".png", ".c", ".h", ".pdf", ".tar.gz", "")
FOREIGN = ("Übersicht", "café crème", "Ångström", "отчёт", "図面", "Σημειώσεις", "naïve 🎧")
WORDS = ("old", "backup", "final", "draft", "copy of", "new")

# Fixed names that make sure every kind of odd name exists, whatever the seed.
SPECIAL_DIRS = ("Research & Development", "Old Projects 2003", "Übersicht Lieferanten", ".hidden dir")
SPECIAL_FILES = ("Q&A minutes.txt", "meeting notes 2004.doc", "naïve résumé.txt", ".profile-copy")


def odd_name(rng, stem, serial, ext):
    """A name unique per serial: mostly plain, sometimes hidden, blank, foreign or with '&'."""
    r = rng.random()
    if r < 0.03:
        base = f".{stem}{serial}"
    elif r < 0.08:
        base = f"{rng.choice(WORDS)} {stem} {serial}"
    elif r < 0.11:
        base = f"{rng.choice(FOREIGN)} {stem}{serial}"
    elif r < 0.12:
        base = f"{stem}{serial} & more"
    else:
        base = f"{stem}{serial:06d}"
    return base + ext


def random_time(rng):
    return rng.randint(FIRST_TIME, LAST_TIME)


def plan_directories(rng, count, max_depth):
    """Returns [(relative path, depth)], the root ("", 0) first, parents before children."""
    dirs = [("", 0)]
    if count == 0:
        return dirs
    eligible = [0]  # indexes of directories that may still get children

    def add(parent_index, name):
        parent, depth = dirs[parent_index]
        dirs.append((os.path.join(parent, name) if parent else name, depth + 1))
        if depth + 1 < max_depth:
            eligible.append(len(dirs) - 1)

    # One chain straight down to the full depth: the deepest branch.
    chain = min(count, max_depth)
    for level in range(chain):
        add(len(dirs) - 1, f"level{level:02d}")
    remaining = count - chain

    # One wide directory: a tenth of the rest (at most 2000) as its children.
    wide = min(remaining // 10, 2000) if max_depth >= 2 else 0
    if wide >= 2:
        add(0, "wide")
        hub = len(dirs) - 1
        for i in range(wide - 1):
            add(hub, f"w{i:05d}")
        remaining -= wide

    # The rest: a third extend the newest directory (deep runs), the others
    # hang below any directory that may still grow (bushy branches).
    for i in range(remaining):
        if rng.random() < 0.33 and eligible[-1] == len(dirs) - 1:
            parent = eligible[-1]
        else:
            parent = rng.choice(eligible)
        if i < len(SPECIAL_DIRS):
            name = SPECIAL_DIRS[i]
        else:
            name = odd_name(rng, "dir", i, "")
        add(parent, name)
    return dirs


def plan_sizes(rng, count, max_size):
    """Sizes of the files in creation order, and how many of them are sparse."""
    sparse = min(max(2, count // 50000), max(0, count - len(EDGE_SIZES)))
    sizes = []
    for i in range(count):
        r = rng.random()
        if i < len(EDGE_SIZES):
            size = EDGE_SIZES[i]
        elif i >= count - sparse:
            low = min(BIG_FLOOR, max_size)
            if i == count - sparse:  # one beyond 32 bits when allowed
                low = min((1 << 32) + 1, max_size)
            size = rng.randint(low, max_size)
        elif r < 0.05:
            size = 0
        elif r < 0.055:
            size = rng.choice(EDGE_SIZES)
        else:
            size = min(int(rng.lognormvariate(7.3, 1.6)), SMALL_CAP)
        sizes.append(min(size, max_size))
    return sizes, sparse


def place_files(rng, dirs, count):
    """For each file the index of its directory: a few hubs of thousands, the rest skewed."""
    hubs = 3 if count >= 30000 else (1 if count >= 2000 else 0)
    per_hub = max(1000, min(count // 50, 6000)) if hubs else 0
    hub_dirs = [rng.randrange(len(dirs)) for _ in range(hubs)]
    placed = []
    for hub in hub_dirs:
        placed += [hub] * per_hub
    cumulative, running = [], 0.0
    for _ in dirs:
        running += rng.paretovariate(1.5)
        cumulative.append(running)
    for _ in range(count - len(placed)):
        placed.append(bisect.bisect_left(cumulative, rng.random() * running))
    rng.shuffle(placed)
    return placed


def write_file(path, size, data, mtime):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
    try:
        if size <= len(data):
            view = memoryview(data)[:size]
            while view:
                view = view[os.write(fd, view) :]
        else:
            os.ftruncate(fd, size)  # sparse: the size without the blocks
        os.utime(fd, (mtime, mtime))
    finally:
        os.close(fd)


def snapshot(first, copy):
    """Repeats the tree `first` as `copy`: directories and links anew, files hard-linked."""
    for here, subdirs, names in os.walk(first):
        there = os.path.join(copy, os.path.relpath(here, first))
        os.makedirs(there, exist_ok=True)
        for name in subdirs + names:
            src, dst = os.path.join(here, name), os.path.join(there, name)
            if os.path.islink(src):
                os.symlink(os.readlink(src), dst)
                st = os.lstat(src)
                os.utime(dst, ns=(st.st_mtime_ns, st.st_mtime_ns), follow_symlinks=False)
            elif not os.path.isdir(src):
                os.link(src, dst)
    for here, _, _ in os.walk(first, topdown=False):
        st = os.stat(here)
        os.utime(os.path.join(copy, os.path.relpath(here, first)), ns=(st.st_mtime_ns, st.st_mtime_ns))


def images(out, count, seed):
    """Sparse disk images: 4 GiB each, 1 MiB of data at the start, the middle and the end."""
    if count == 0:
        return
    folder = os.path.join(out, "images")
    os.mkdir(folder)
    data = random.Random(seed).randbytes(1 << 20)
    size = 4 << 30
    for k in range(count):
        path = os.path.join(folder, f"disk-{k}.img")
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        try:
            os.ftruncate(fd, size)
            for at in (0, size // 2, size - len(data)):
                os.pwrite(fd, data, at)
            t = FIRST_TIME + k * 86400
            os.utime(fd, (t, t))
        finally:
            os.close(fd)
    os.utime(folder, (FIRST_TIME, FIRST_TIME))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("out", help="directory to make; must be absent or empty")
    ap.add_argument("--dirs", type=int, default=200, help="directories below OUT (default 200)")
    ap.add_argument("--files", type=int, default=2000, help="regular files (default 2000)")
    ap.add_argument("--depth", type=int, default=8, help="deepest directory level, >= 1 (default 8)")
    ap.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    ap.add_argument(
        "--max-size",
        type=int,
        default=64 << 30,
        metavar="BYTES",
        help="largest size of any file (default 64 GiB)",
    )
    ap.add_argument("--snapshots", type=int, default=0, metavar="N",
                    help="make the tree N times, files hard-linked (default 0: once, no snap-NN)")
    ap.add_argument("--images", type=int, default=0, metavar="N",
                    help="sparse 4 GiB disk images in OUT/images (default 0)")
    a = ap.parse_args()
    top = a.out
    if a.snapshots > 0:
        a.out = os.path.join(top, "snap-00")
    if a.dirs < 0 or a.files < 0 or a.max_size < 0:
        ap.error("--dirs, --files and --max-size must not be negative")
    if a.depth < 1:
        ap.error("--depth must be at least 1")
    if a.snapshots < 0 or a.images < 0:
        ap.error("--snapshots and --images must not be negative")
    if os.path.lexists(top) and (not os.path.isdir(top) or os.listdir(top)):
        sys.exit(f"make_tree.py: {top} exists and is not an empty directory")

    rng = random.Random(a.seed)
    data = random.Random(a.seed).randbytes(SMALL_CAP)
    dirs = plan_directories(rng, a.dirs, a.depth)
    sizes, sparse = plan_sizes(rng, a.files, a.max_size)
    where = place_files(rng, dirs, a.files)

    os.makedirs(a.out, exist_ok=True)
    for rel, _ in dirs[1:]:
        os.mkdir(os.path.join(a.out, rel))

    files, total, empty = [], 0, 0
    for i, (size, d) in enumerate(zip(sizes, where)):
        if i < len(SPECIAL_FILES):
            name = SPECIAL_FILES[i]
        else:
            name = odd_name(rng, "file", i, rng.choice(EXTENSIONS))
        rel = os.path.join(dirs[d][0], name)
        write_file(os.path.join(a.out, rel), size, data, random_time(rng))
        files.append(rel)
        total += size
        empty += size == 0

    # Relative links, so the tree can be moved. The first dangles, the second
    # climbs back to an ancestor, the rest alternate between files and directories.
    links = max(4, a.dirs // 400) if files and len(dirs) > 1 else 0
    for k in range(links):
        home, depth = dirs[rng.randrange(len(dirs))]
        if k == 0:
            target = "no such file"
        elif k == 1:
            home, depth = max(dirs, key=lambda entry: entry[1])
            target = os.path.join(*[".."] * depth)
        elif k % 2:
            target = os.path.relpath(files[rng.randrange(len(files))], home or ".")
        else:
            target = os.path.relpath(dirs[rng.randrange(len(dirs))][0] or ".", home or ".")
        path = os.path.join(a.out, home, odd_name(rng, "link", k, ""))
        os.symlink(target, path)
        t = random_time(rng)
        os.utime(path, (t, t), follow_symlinks=False)

    # Last, because every entry made inside a directory moves its mtime.
    for rel, _ in reversed(dirs):
        t = random_time(rng)
        os.utime(os.path.join(a.out, rel), (t, t))

    for k in range(1, a.snapshots):
        snapshot(a.out, os.path.join(top, f"snap-{k:02d}"))
    images(top, a.images, a.seed)
    if top != a.out:
        os.utime(top, (FIRST_TIME, FIRST_TIME))

    print(
        f"dirs={a.dirs} files={a.files} empty={empty} sparse={sparse} symlinks={links} "
        f"bytes={total} depth={max(d for _, d in dirs)} seed={a.seed} "
        f"snapshots={a.snapshots} images={a.images} out={top}"
    )


if __name__ == "__main__":
    main()
