"""Cost figures of a run that do not depend on the speed of the machine:
requests to the Wine server, counted in its debug output, and system calls,
counted by strace -c (bench/run.py)."""
import collections
import re

# A request in the server's debug output: "0024: open_file( access=... )";
# its reply is "0024: open_file() = 0 { ... }".
REQUEST = re.compile(rb'^[0-9a-f]+: (\w+)\( ')
# Wine asks its mount manager, in another process, for a volume's serial:
# GetFileInformationByHandle does it for every call.
MOUNT_MANAGER = b'filename=L"\\\\Device\\\\MountPointManager"'


def server_requests(trace, start, end):
    """Requests by kind in bytes start to end of the server's debug output,
    and how often the mount manager was opened."""
    counts = collections.Counter()
    mounts = 0
    with open(trace, 'rb') as f:
        f.seek(start)
        left = end - start
        for line in f:
            left -= len(line)
            if left < 0:
                break
            m = REQUEST.match(line)
            if m:
                counts[m.group(1).decode()] += 1
                if m.group(1) == b'open_file_object' and MOUNT_MANAGER in line:
                    mounts += 1
    return {'kinds': dict(counts), 'mount_manager': mounts}


def strace_calls(path):
    """System calls by name from the summary that strace -c writes."""
    counts = {}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) < 5 or not re.match(r'^[\d.]+$', fields[0]) or fields[-1] == 'total':
                continue
            counts[fields[-1]] = int(fields[3])
    return counts


def net(run, empty):
    """A run's counts less those of the empty run, by kind (none below 0)."""
    return {k: max(0, v - empty.get(k, 0)) for k, v in run.items() if v - empty.get(k, 0) > 0}
