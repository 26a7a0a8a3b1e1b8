# Peak memory of a process tree, read from /proc every 200 ms until its root ends: the largest
# sum of resident sizes over the tree at one moment, and the largest single process.
# Usage: tree_memory.py PID
import os
import sys
import time

root = int(sys.argv[1])


def tree():
    """Resident KiB of each process under root (root included)."""
    parent, rss = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            with open("/proc/%s/statm" % entry) as f:
                pages = int(f.read().split()[1])
        except (IOError, OSError, IndexError, ValueError):
            continue
        parent[int(entry)] = int(fields[1])
        rss[int(entry)] = pages * os.sysconf("SC_PAGE_SIZE") // 1024
    inside = {}
    for pid in rss:
        p, seen = pid, 0
        while p not in (0, 1) and seen < 64:
            if p == root:
                inside[pid] = rss[pid]
                break
            p, seen = parent.get(p, 0), seen + 1
    return inside


def running():
    """Until the root ends (a zombie its parent has not yet reaped counts as ended)."""
    try:
        with open("/proc/%d/stat" % root) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (IOError, OSError, IndexError):
        return False


peak_sum = peak_one = peak_count = 0
while running():
    sizes = tree()
    if sizes:
        peak_sum = max(peak_sum, sum(sizes.values()))
        peak_one = max(peak_one, max(sizes.values()))
        peak_count = max(peak_count, len(sizes))
    time.sleep(0.2)
print("peak memory %d MiB in %d processes (largest %d MiB)" % (
    peak_sum // 1024, peak_count, peak_one // 1024))
