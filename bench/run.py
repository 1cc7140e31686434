#!/usr/bin/env python3
"""Benchmark of the content search against jdupes built for Windows, both
under Wine, and against fdupes, jdupes, rdfind and rmlint on Linux.

    bench/run.py [--scale quick|full] [--runs N] [--cold-runs N] [--readme]

Generates the corpus (bench/gen_corpus.py, deterministic), works out the
reference sets and the fewest bytes to read (bench/reference.py), installs
the peers with apt-get when they are missing, builds the search programs in
the build tree (--build, default build-bench) and then searches the same
tree with every tool: a warm-up run whose sets are checked against the
reference, warm runs (median), cold runs after dropping the page cache, and
runs over an empty folder, whose figures are taken off the others. Every run
goes through bench/measure.c (wall time, the kernel's I/O accounting and the
largest resident set of the whole process tree).

The project's search runs as the front end runs it: LIST.TXT, XLIST.TXT and
config.ini in a fresh working folder, then "cmd /c MOX.BAT" under Wine with
a persistent wineserver, so no run pays the server's start. Its steps are
also timed one by one, each in its own "cmd /c" with the command line of
MOX.BAT, less the time of a "cmd /c" that does nothing. jdupes for Windows
(bench/winjdupes.py) runs under the same prefix and server, as is and on one
CPU.

Cost figures that carry over to Windows: one run of each Wine tool under a
server that traces its requests, one run of each Linux tool under strace -c,
each less a run over an empty folder. The Windows peer's time is also given
as a model, with GetFileInformationByHandle (dear under Wine only) costed as
one open-and-close pair. The front end's list benchmark (listbench) runs under
the same server.

The report (markdown) is printed and written to WORK/report-SCALE.md, the
raw figures to WORK/results-SCALE.json; --readme puts the report into the
"## Benchmark" section of README.md.
"""
import argparse
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the work tree
import costs  # noqa: E402
import reference  # noqa: E402
import winjdupes  # noqa: E402

MiB = 1 << 20
PEER_PACKAGES = ['fdupes', 'jdupes', 'rdfind', 'rmlint']
MOX_TARGETS = ['dirscan', 'widen', 'sizesum', 'dupcheck', 'sort']
DEFAULT_RUNS = {'quick': (3, 1), 'full': (5, 3)}
PROBE_FILES = 4000
LIST_ROWS = {'quick': 10000, 'full': 50000}  # rows of the front end's list benchmark


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- set up

def ensure_peers():
    missing = [p for p in PEER_PACKAGES + ['strace'] if not shutil.which(p)]
    if not missing:
        return
    log(f'installing {" ".join(missing)}')
    cmd = ['apt-get', 'install', '-y', '--no-install-recommends'] + missing
    env = dict(os.environ, DEBIAN_FRONTEND='noninteractive')
    if subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL).returncode != 0:
        subprocess.run(['apt-get', 'update'], env=env, stdout=subprocess.DEVNULL, check=True)
        subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, check=True)


def build_measure(work):
    exe = os.path.join(work, 'measure')
    src = os.path.join(HERE, 'measure.c')
    if not os.path.exists(exe) or os.path.getmtime(exe) < os.path.getmtime(src):
        if not shutil.which('cc'):
            env = dict(os.environ, DEBIAN_FRONTEND='noninteractive')
            subprocess.run(['apt-get', 'install', '-y', '--no-install-recommends', 'gcc', 'libc6-dev'],
                           env=env, stdout=subprocess.DEVNULL, check=True)
        subprocess.run(['cc', '-O2', '-o', exe, src], check=True)
    return exe


def build_mox(build):
    """Configure and build the programs of the content search; None when
    they cannot be built (the report then leaves the project out)."""
    if not os.path.exists(os.path.join(build, 'CMakeCache.txt')):
        r = subprocess.run(['cmake', '-S', REPO, '-B', build,
                            '-DCMAKE_TOOLCHAIN_FILE=' + os.path.join(REPO, 'cmake/mingw-w64-x86_64.cmake'),
                            '-DCMAKE_BUILD_TYPE=Release'], stdout=subprocess.DEVNULL)
        if r.returncode != 0:
            return 'configure failed'
    r = subprocess.run(['cmake', '--build', build, '-j2', '--target'] + MOX_TARGETS,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        return 'build failed: ' + r.stderr.strip().splitlines()[-1] if r.stderr.strip() else 'build failed'
    # The probes are a nicety: without them the report lacks the per-call
    # costs, the model of the Windows peer and the front end's figures.
    subprocess.run(['cmake', '--build', build, '-j2', '--target', 'winprobe', 'listbench'],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return None


def can_drop_caches():
    try:
        drop_caches()
        return True
    except OSError:
        return False


def drop_caches():
    os.sync()
    with open('/proc/sys/vm/drop_caches', 'w') as f:
        f.write('3\n')


# ---------------------------------------------------------------- tools

def winpath(path):
    return 'Z:' + path.replace('/', '\\')


def linuxpath(path):
    if not path[:2].upper() == 'Z:':
        raise ValueError(f'not a Z: path: {path}')
    return path[2:].replace('\\', '/')


def relsets(sets, root):
    out = []
    for s in sets:
        out.append(sorted(os.path.relpath(p, root) for p in s))
    return out


def blank_line_sets(text):
    sets, cur = [], []
    for line in text.split('\n'):
        if line:
            cur.append(line)
        elif cur:
            sets.append(cur)
            cur = []
    if cur:
        sets.append(cur)
    return sets


class Tool:
    """A duplicate finder: its command line and how to read its sets."""
    name = ''
    output = 'out.txt'
    under_wine = False

    def command(self, root, outdir):
        raise NotImplementedError

    def sets(self, outdir):
        raise NotImplementedError

    def prepare(self, root, outdir):
        os.makedirs(outdir, exist_ok=True)


class Fdupes(Tool):
    name = 'fdupes'
    note = '-r -H -q (-H: hard links are duplicates); MD5 of a first part and of the whole file, then a byte comparison'

    def command(self, root, outdir):
        return ['fdupes', '-r', '-H', '-q', root]

    def sets(self, outdir):
        with open(os.path.join(outdir, self.output), encoding='utf-8', errors='surrogateescape') as f:
            return blank_line_sets(f.read())


class Jdupes(Fdupes):
    name = 'jdupes'
    note = '-r -H -z -q (-z: empty files are duplicates); hashes of the first 4 KiB and of the whole file, then a byte comparison'

    def command(self, root, outdir):
        return ['jdupes', '-r', '-H', '-z', '-q', root]


class Rdfind(Tool):
    name = 'rdfind'
    note = '-ignoreempty false -removeidentinode false; first and last bytes, then SHA-1 of the whole file, no byte comparison'
    output = 'rdfind.log'

    def command(self, root, outdir):
        return ['rdfind', '-ignoreempty', 'false', '-removeidentinode', 'false',
                '-outputname', os.path.join(outdir, 'results.txt'), root]

    def sets(self, outdir):
        groups = {}
        with open(os.path.join(outdir, 'results.txt'), encoding='utf-8', errors='surrogateescape') as f:
            for line in f:
                if line.startswith('#') or not line.strip():
                    continue
                fields = line.rstrip('\n').split(' ', 7)
                groups.setdefault(abs(int(fields[1])), []).append(fields[7])
        return [g for g in groups.values() if len(g) >= 2]


class Rmlint(Tool):
    name = 'rmlint'
    note = '-T df --size 0 -o json; BLAKE2b of growing pieces, several threads, no byte comparison'

    def command(self, root, outdir):
        return ['rmlint', '-T', 'df', '--size', '0', '-o', 'json:' + os.path.join(outdir, 'rmlint.json'), root]

    def sets(self, outdir):
        with open(os.path.join(outdir, 'rmlint.json'), encoding='utf-8', errors='surrogateescape') as f:
            entries = json.load(f)
        sets = []
        for e in entries:
            if e.get('type') != 'duplicate_file':
                continue
            if e['is_original'] or not sets:
                sets.append([])
            sets[-1].append(e['path'])
        return sets


def wine_argv(winerun, cpus, argv):
    """argv under Wine, with the Windows process tree held on cpus if given."""
    pin = ['taskset', '-c', ','.join(map(str, sorted(cpus)))] if cpus else []
    return pin + [winerun] + argv


class WineJdupes(Jdupes):
    """jdupes built for Windows, run under Wine exactly as the search is."""
    under_wine = True

    def __init__(self, exe, winerun, cpus=None):
        self.exe, self.winerun, self.cpus = exe, winerun, cpus
        self.name = 'jdupes, Wine' + (', one CPU' if cpus else '')
        self.note = ('jdupes.exe -r -H -z -q under Wine (Debian\'s source, cross-compiled with mingw-w64); '
                     'every file opened once for GetFileInformationByHandle while the tree is read')
        if cpus:
            self.note = 'the same, with the process tree and the wineserver on one CPU'

    def command(self, root, outdir):
        return wine_argv(self.winerun, self.cpus, [self.exe, '-r', '-H', '-z', '-q', winpath(root)])

    def sets(self, outdir):
        with open(os.path.join(outdir, self.output), encoding='utf-8', errors='surrogateescape') as f:
            text = f.read().replace('\r\n', '\n')
        return [[linuxpath(p) for p in s] for s in blank_line_sets(text)]


class Mox(Tool):
    output = 'stdout.txt'
    under_wine = True

    def __init__(self, build, args, cpus=None):
        """cpus: run the chain and the wineserver on these CPUs only."""
        self.build, self.args, self.cpus = build, args, cpus
        self.bin = os.path.join(build, 'bin')
        self.winerun = os.path.join(build, 'winerun')
        self.name = 'mox' if not cpus else 'mox, one CPU'
        self.note = ('cmd /c MOX.BAT' + (' ' + ' '.join(args) if args else '') +
                     ' under Wine; sizes, then a byte comparison in growing blocks')
        if cpus:
            self.note = ('the same, with the chain and the wineserver on one CPU (taskset), so that '
                         'no request to the server waits for another CPU to wake up')

    def prepare(self, root, outdir):
        shutil.rmtree(outdir, ignore_errors=True)
        os.makedirs(outdir)
        write_mox_inputs(outdir, root)

    def command(self, root, outdir):
        return self.wine_command(['cmd', '/c', winpath(os.path.join(self.bin, 'MOX.BAT'))] + self.args)

    def wine_command(self, argv):
        return wine_argv(self.winerun, self.cpus, argv)

    def sets(self, outdir):
        with open(os.path.join(outdir, 'DLIST.TXT'), 'rb') as f:
            text = f.read().decode('utf-16-le')
        text = text.lstrip('\ufeff').replace('\r\n', '\n')
        return [[linuxpath(line[41:]) for line in s] for s in blank_line_sets(text)]


def write_mox_inputs(folder, root):
    """What the front end leaves in the working folder before a search."""
    def utf16(text):
        return ('\ufeff' + text).encode('utf-16-le')
    with open(os.path.join(folder, 'LIST.TXT'), 'wb') as f:
        f.write(utf16(winpath(root) + '\r\n'))
    with open(os.path.join(folder, 'XLIST.TXT'), 'wb') as f:
        f.write(utf16('\r\n'))
    with open(os.path.join(folder, 'config.ini'), 'wb') as f:
        f.write(b'[exclude]\r\nmin=0\r\nmax=9223372036854775807\r\nattribute=\r\n'
                b'[Options]\r\nbuffer=\r\nfiles=\r\n')


# ---------------------------------------------------------------- runs

class Runner:
    def __init__(self, measure, work):
        self.measure, self.work = measure, work
        self.wine = None  # set while a wineserver of ours runs
        self.failures = []  # runs that failed and were repeated

    def run(self, argv, cwd, stdout=None, stderr=None, cpus=None):
        """One measured run; cpus: the wineserver's CPUs during it."""
        if self.wine:
            self.wine.pin(cpus)
        try:
            return self._run(argv, cwd, stdout, stderr)
        finally:
            if self.wine:
                self.wine.pin(None)

    def _run(self, argv, cwd, stdout, stderr):
        out_json = os.path.join(self.work, 'last-run.json')
        cmd = [self.measure, '-C', cwd]
        if stdout:
            cmd += ['-o', stdout]
        if stderr:
            cmd += ['-e', stderr]
        server = self.wine.cpu() if self.wine else 0.0
        subprocess.run(cmd + [out_json, '--'] + argv, check=True)
        with open(out_json) as f:
            r = json.load(f)
        r['server_cpu'] = (self.wine.cpu() if self.wine else 0.0) - server
        r['cpu'] = r['utime'] + r['stime'] + r['server_cpu']
        return r

    def run_tool(self, tool, root, outdir):
        """One run; a failed run is noted and repeated once."""
        for attempt in (1, 2):
            tool.prepare(root, outdir)
            r = self.run(tool.command(root, outdir), outdir, os.path.join(outdir, tool.output),
                         os.path.join(outdir, 'stderr.txt'), getattr(tool, 'cpus', None))
            if r['exit'] == 0:
                break
            self.failed(f'{tool.name} exited with {r["exit"]}: {stderr_text(outdir, "stderr.txt")}', attempt)
        if r['stragglers']:
            log(f'warning: {tool.name} left processes running; their counters are missing')
        return r

    def failed(self, text, attempt):
        log('failed: ' + text)
        self.failures.append(text)
        if attempt == 2:
            raise RuntimeError(text)


def stderr_text(folder, name):
    with open(os.path.join(folder, name), 'rb') as f:
        return f.read().replace(b'\0', b'').decode('utf-8', 'replace').strip()[-500:]


def compare_sets(found, expected):
    """Differences between a tool's sets and the reference, in words."""
    want = {frozenset(s) for s in expected}
    got = {frozenset(s) for s in found}
    if want == got:
        return []
    where = {p: s for s in got for p in s}
    problems = []
    for s in sorted(want - got, key=lambda s: sorted(s)):
        parts = {where.get(p) for p in s}
        example = sorted(s)[0]
        if parts == {None}:
            problems.append(f'missing set of {len(s)} ({example})')
        else:
            problems.append(f'set of {len(s)} reported as {sorted(len(x) if x else 0 for x in parts)} ({example})')
    wanted_paths = {p for s in want for p in s}
    for s in sorted(got - want, key=lambda s: sorted(s)):
        extra = sorted(p for p in s if p not in wanted_paths)
        if extra:
            problems.append(f'false set of {len(s)} ({extra[0]})')
    return problems


def median_run(runs):
    keys = ['wall', 'rchar', 'read_bytes', 'maxrss_kib', 'utime', 'stime', 'server_cpu', 'cpu']
    return {k: statistics.median(r[k] for r in runs) for k in keys}


def chain_steps(bat_text, bin_dir):
    """The command lines of the content search, as MOX.BAT runs them."""
    steps, label = [], ''
    for line in bat_text.splitlines():
        line = line.strip()
        if line.startswith(':'):
            label = line[1:].lower()
            continue
        if label not in ('start', 'group_content'):
            continue
        m = re.match(r'"%BIN%(\w+)\.exe"', line)
        name = m.group(1) if m else ('sort' if line.lower().startswith('sort ') else None)
        if not name:
            continue
        line = line.replace('%BIN%', winpath(bin_dir) + '\\').replace('%XOPT%', '-X XLIST.TXT')
        for var in ('%SCANOPT%', '%EXT%', '%CHECKOPT%'):
            line = line.replace(var, '')
        if '%' in line:
            raise RuntimeError(f'MOX.BAT step with unknown variable: {line}')
        steps.append((name, ' '.join(line.split())))
    if [n for n, _ in steps] != ['dirscan', 'sort', 'widen', 'sizesum', 'dupcheck']:
        raise RuntimeError(f'unexpected content chain in MOX.BAT: {[n for n, _ in steps]}')
    return steps


def write_bat(path, lines):
    with open(path, 'w', newline='') as f:
        f.write('@echo off\r\n' + ''.join(line + '\r\nif errorlevel 1 exit /b 1\r\n' for line in lines)
                + 'exit /b 0\r\n')


class Wine:
    """A persistent wineserver for the build's prefix during the runs,
    started here (in the foreground, as our child) so its CPU time can be
    read: the server does the file-system work of every Windows process.
    trace: a file for the server's debug output, one line per request and
    one per reply."""

    def __init__(self, build, trace=None):
        self.build, self.trace = build, trace
        self.prefix = os.path.join(build, 'wineprefix')
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG='-all')
        self.server = None

    def __enter__(self):
        winerun = os.path.join(self.build, 'winerun')
        # The first use creates the prefix; then let that server end.
        subprocess.run([winerun, 'cmd', '/c', 'exit'], stdout=subprocess.DEVNULL, check=True)
        subprocess.run(['wineserver', '-w'], env=self.env, check=True)
        if self.trace:
            with open(self.trace, 'wb') as out:
                self.server = subprocess.Popen(['wineserver', '-f', '-p', '-d1'], env=self.env, stderr=out)
        else:
            self.server = subprocess.Popen(['wineserver', '-f', '-p'], env=self.env)
        st = os.stat(self.prefix)
        socket = f'/tmp/.wine-{os.getuid()}/server-{st.st_dev:x}-{st.st_ino:x}/socket'
        for _ in range(1000):
            if os.path.exists(socket) or self.server.poll() is not None:
                break
            time.sleep(0.01)
        if self.server.poll() is not None:
            raise RuntimeError('wineserver did not start')
        # Start the prefix's services now, outside any measured run.
        subprocess.run([winerun, 'cmd', '/c', 'exit'], stdout=subprocess.DEVNULL, check=True)
        return self

    def pin(self, cpus):
        """Keep the server on these CPUs (None: all of ours)."""
        os.sched_setaffinity(self.server.pid, cpus or os.sched_getaffinity(0))

    def trace_size(self):
        return os.path.getsize(self.trace)

    def cpu(self):
        """CPU seconds the server has used so far."""
        with open(f'/proc/{self.server.pid}/stat') as f:
            fields = f.read().rsplit(')', 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')

    def __exit__(self, *exc):
        subprocess.run(['wineserver', '-k'], env=self.env)
        try:
            self.server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.server.terminate()
            self.server.wait()


def time_mox_steps(runner, mox, pinned, root, work, runs, cold_runs):
    """Each step of the chain in its own cmd /c, in order; the time of an
    empty cmd /c and of one extra program start are measured beside them."""
    with open(os.path.join(mox.bin, 'MOX.BAT'), encoding='latin-1') as f:
        steps = chain_steps(f.read(), mox.bin)
    folder = os.path.join(work, 'steps')
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    write_mox_inputs(folder, root)
    open(os.path.join(folder, 'EMPTYIN.TXT'), 'wb').close()
    write_bat(os.path.join(folder, 'EMPTY.BAT'), [])
    write_bat(os.path.join(folder, 'START.BAT'),
              [f'"{winpath(mox.bin)}\\widen.exe" EMPTYIN.TXT > NUL'])
    for i, (name, line) in enumerate(steps):
        write_bat(os.path.join(folder, f'STEP{i}.BAT'), [line])

    def bat(name, tool=mox):
        return runner.run(tool.wine_command(['cmd', '/c', winpath(os.path.join(folder, name))]), folder,
                          os.path.join(folder, 'bat-stdout.txt'), os.path.join(folder, 'bat-stderr.txt'),
                          tool.cpus)

    def chain(tool=mox):
        if os.path.exists(os.path.join(folder, 'log.txt')):
            os.remove(os.path.join(folder, 'log.txt'))
        out = []
        for i in range(len(steps)):
            for attempt in (1, 2):
                r = bat(f'STEP{i}.BAT', tool)
                if r['exit'] == 0:
                    break
                runner.failed(f'step {steps[i][0]} exited with {r["exit"]}: '
                              f'{stderr_text(folder, "bat-stderr.txt")}', attempt)
            out.append(r)
        return out

    result = {'steps': [name for name, _ in steps], 'lines': [line for _, line in steps], 'folder': folder,
              'empty': [], 'start': [], 'warm': [], 'cold': [], 'empty_cold': [],
              'start_one_cpu': [], 'warm_one_cpu': []}
    bat('EMPTY.BAT')
    chain()  # warm-up
    for _ in range(runs):
        result['empty'].append(bat('EMPTY.BAT'))
        result['start'].append(bat('START.BAT'))
        result['warm'].append(chain())
    for _ in range(cold_runs):
        drop_caches()
        result['empty_cold'].append(bat('EMPTY.BAT'))  # Wine itself from disk
        result['cold'].append(chain())  # the corpus from disk
    if pinned:
        for _ in range(runs):
            result['start_one_cpu'].append(bat('START.BAT', pinned))
            result['warm_one_cpu'].append(chain(pinned))
    result['probe'] = probe_calls(runner, mox, folder, runs)
    if pinned:
        result['probe_one_cpu'] = probe_calls(runner, pinned, folder, runs)
    return result


def probe_calls(runner, mox, folder, runs):
    """Microseconds per file of single Win32 calls over the candidates
    (warm), median of the runs; empty when the probe is not built."""
    return medians([probe_once(runner, mox.build, mox.cpus, folder, 'LIST4.TXT') for _ in range(runs)])


def probe_once(runner, build, cpus, folder, listname):
    """One run of winprobe over a list in folder: microseconds per file by
    call; empty when the probe is not built."""
    exe = os.path.join(build, 'benchtools', 'winprobe.exe')
    if not os.path.exists(exe):
        return {}
    runner.run(wine_argv(os.path.join(build, 'winerun'), cpus, [exe, listname, str(PROBE_FILES)]), folder,
               os.path.join(folder, 'probe.txt'), None, cpus)
    out = {}
    with open(os.path.join(folder, 'probe.txt')) as f:
        for line in f:
            name, value = line.split()[:2]
            out[name] = float(value)
    return out


def medians(samples):
    names = {n for s in samples for n in s}
    return {n: statistics.median(s[n] for s in samples if n in s) for n in names}


def write_probe_list(root, path):
    """Every file of the tree in the order of a walk, in the layout winprobe
    reads (the path from column 22)."""
    lines = []
    for folder, subs, files in os.walk(root):
        subs.sort()
        lines += [' ' * 21 + winpath(os.path.join(folder, f)) + '\r\n' for f in sorted(files)]
    with open(path, 'wb') as f:
        f.write(('\ufeff' + ''.join(lines)).encode('utf-16-le'))


def server_costs(runner, build, tools, corpus, empty_root, work):
    """Requests to the Wine server by kind, for a run over the corpus and one
    over an empty folder of each tool, under a server that traces them."""
    trace = os.path.join(work, 'server-trace.txt')
    out = {}
    with Wine(build, trace) as wine:
        runner.wine = wine
        try:
            for t in tools:
                log(f'{t.name}: counting requests to the Wine server')
                outdir = os.path.join(work, 'out', t.name)
                counts = []
                for root in (empty_root, corpus):
                    start = wine.trace_size()
                    runner.run_tool(t, root, outdir)
                    counts.append(costs.server_requests(trace, start, wine.trace_size()))
                out[t.name] = {'empty': counts[0], 'run': counts[1]}
        finally:
            runner.wine = None
    os.remove(trace)
    return out


def syscall_costs(tools, corpus, empty_root, work):
    """System calls by name (strace -c -f) for a run over the corpus and one
    over an empty folder of each tool; a tool strace cannot run is left out."""
    out = {}
    for t in tools:
        log(f'{t.name}: counting system calls')
        outdir = os.path.join(work, 'out', t.name)
        counts = []
        for root in (empty_root, corpus):
            t.prepare(root, outdir)
            summary = os.path.join(outdir, 'strace.txt')
            with open(os.path.join(outdir, t.output), 'wb') as stdout:
                r = subprocess.run(['strace', '-c', '-f', '-o', summary] + t.command(root, outdir), cwd=outdir,
                                   stdout=stdout, stderr=subprocess.DEVNULL)
            if r.returncode != 0:
                break
            counts.append(costs.strace_calls(summary))
        if len(counts) == 2:
            out[t.name] = {'empty': {'kinds': counts[0]}, 'run': {'kinds': counts[1]}}
    return out


# The lines of listbench's report that join this one: the load and the fill.
LISTBENCH_LINES = ('load: file status', 'load: identity', 'load: the rest (list, rows, links)', 'load: whole row',
                   'fill, list empty (hidden, then paint)', 'column texts of every row (made when shown)')


def frontend_figures(runner, build, rows, work):
    """The front end's load and fill of a list of rows (listbench), per row
    and in open-and-close pairs measured in the same run; None when the
    benchmark is not built, the reason when it failed."""
    exe = os.path.join(build, 'benchtools', 'listbench.exe')
    if not os.path.exists(exe):
        return None
    log(f'front end: loading and filling {rows} rows')
    folder = os.path.join(work, 'frontend')
    os.makedirs(folder, exist_ok=True)
    r = runner.run(wine_argv(os.path.join(build, 'winerun'), None, [exe, str(rows), '3', winpath(work)]), folder,
                   os.path.join(folder, 'listbench.txt'), os.path.join(folder, 'stderr.txt'))
    if r['exit'] != 0:
        return {'failed': f'listbench exited with {r["exit"]}: {stderr_text(folder, "stderr.txt")}'}
    fig = {'rows': rows, 'steps': []}
    with open(os.path.join(folder, 'listbench.txt'), encoding='utf-8', errors='replace') as f:
        for line in f:
            m = re.match(r'unit: CreateFileW\+CloseHandle pair ([\d.]+) us', line)
            if m:
                fig['pair_us'] = float(m.group(1))
            for label in LISTBENCH_LINES:
                m = re.match(re.escape(label) + r'\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)$', line.rstrip())
                if m:
                    fig['steps'].append((label,) + tuple(float(x) for x in m.groups()))
    return fig


# ---------------------------------------------------------------- report

def fmt_s(x):
    return f'{x:.2f}' if x < 100 else f'{x:.0f}'


def fmt_mib(b):
    return f'{b / MiB:.1f}'


def mount_of(path):
    """(device, file system type) of the mount that holds path."""
    best, found = '', ('?', '?')
    with open('/proc/mounts') as f:
        for line in f:
            fields = line.split()
            point = fields[1]
            if (path == point or path.startswith(point.rstrip('/') + '/')) and len(point) > len(best):
                best, found = point, (fields[0], fields[2])
    return found


def read_ahead_kib(device):
    name = os.path.basename(device)
    for candidate in (name, re.sub(r'p?\d+$', '', name)):
        try:
            with open(f'/sys/block/{candidate}/queue/read_ahead_kb') as f:
                return int(f.read())
        except (OSError, ValueError):
            continue
    return None


def machine_info(work):
    cpu = ''
    with open('/proc/cpuinfo') as f:
        for line in f:
            if line.startswith('model name'):
                cpu = line.split(':', 1)[1].strip()
                break
    with open('/proc/meminfo') as f:
        mem = int(f.readline().split()[1]) * 1024
    device, fs = mount_of(work)
    ahead = read_ahead_kib(device)
    if ahead is not None:
        fs += f' on {os.path.basename(device)}, read-ahead {ahead} KiB'

    def version(cmd):
        try:
            out = subprocess.run(cmd, capture_output=True, text=True)
            text = (out.stdout or out.stderr).strip().splitlines()
            return text[0] if text else '?'
        except OSError:
            return 'missing'
    return {
        'cpu': cpu, 'cores': os.cpu_count(), 'memory_gib': round(mem / (1 << 30), 1),
        'kernel': platform.release(), 'fs': fs,
        'wine': version(['wine', '--version']),
        'fdupes': version(['fdupes', '--version']), 'jdupes': version(['jdupes', '-v']),
        'rdfind': version(['rdfind', '-v']), 'rmlint': re.sub(r'\x1b\[[0-9;]*m', '', version(['rmlint', '--version'])),
        'python': platform.python_version(),
        'mingw': version([winjdupes.CC, '-dumpversion']),
    }


def report(res):
    s = res['reference']
    lines = []
    add = lines.append
    m = res['machine']
    cold = res['cold_runs'] > 0
    add(f"Run {res['date']} with `{res['command']}` (scale {res['scale']}, seed {res['seed']}).")
    add('')
    add(f"Machine: {m['cpu']}, {m['cores']} cores, {m['memory_gib']} GiB, Linux {m['kernel']}, "
        f"{m['fs']}; {m['wine']}; {m['fdupes']}, {m['jdupes'].split('(')[0].strip()}, "
        f"{m['rdfind'].replace('This is ', '').replace('version ', '')}, "
        f"rmlint {m['rmlint'].split()[1] if len(m['rmlint'].split()) > 1 else '?'}"
        + (f"; jdupes for Windows from Debian's source {res['jdupes_wine']}, mingw-w64 "
           f"{m.get('mingw', '?')}" if res.get('jdupes_wine') else '') + ". "
        f"Load average before/after: {res['load_before']:.2f} / {res['load_after']:.2f}"
        + (f" ({res['load_note']})" if res.get('load_note') else '') + '.')
    add('')
    add(f"Corpus: {s['files']} files ({s['candidates']} share their size with another), "
        f"{fmt_mib(s['bytes'])} MiB, {s['dup_sets']} duplicate sets with {s['dup_files']} files "
        f"({100 * s['dup_share']:.0f}% of the candidates). Fewest bytes to read: "
        f"{fmt_mib(s['min_bytes_4k'])} MiB (4 KiB blocks; {fmt_mib(s['min_bytes_32k'])} MiB with 32 KiB blocks; "
        f"{fmt_mib(s['schedule_bytes'])} MiB under the content search's block schedule, every path of a set "
        f"read, links included).")
    add('')
    tools = res['tools']
    mox = tools.get('mox')
    same = [n for n in tools if tools[n].get('under_wine')]
    cross = [n for n in tools if n.startswith('mox') or not tools[n].get('under_wine')]
    if any(not n.startswith('mox') for n in same):
        add('Same platform: the search against jdupes built for Windows, both under Wine.')
        add('')
        tool_table(res, same, add, res.get('models', {}))
    add('Cross platform: the search under Wine against the peers on Linux.')
    add('')
    tool_table(res, cross, add)
    add(f"Times: medians of {res['runs']} warm runs" +
        (f" and {res['cold_runs']} cold runs (page cache dropped before each)" if cold else
         f" (cold runs: {res['cold_note']})") +
        ", each less the same tool's run over an empty folder (last column; for mox that is Wine starting "
        "cmd and the five programs). tool/mox above 1: the tool is slower than mox (a row on one CPU "
        "against mox on one CPU). CPU: user and system "
        "time of the whole process tree (under Wine with the wineserver's), less the empty run's. Bytes read: "
        "the process tree's rchar (warm: bytes returned by read calls, also from pipes, sockets and "
        "intermediate lists) and read_bytes (cold: fetched from the disk, read-ahead included), less the "
        "empty run's, with the ratio to the fewest bytes. Peak RSS: the largest process of the tree "
        "(under Wine without the wineserver).")
    add('')
    models_text(res, add)
    costs_report(res, add)
    for name, t in tools.items():
        add(f"- {name}: {t['note']}" + ('' if not t['problems'] else
                                        f"; differs from the reference: {'; '.join(t['problems'][:5])}"
                                        + (f" and {len(t['problems']) - 5} more" if len(t['problems']) > 5 else '')))
    if res.get('mox_skipped'):
        add(f"- mox: not measured ({res['mox_skipped']})")
    if res.get('jdupes_wine_skipped'):
        add(f"- jdupes, Wine: not measured ({res['jdupes_wine_skipped']})")
    for text in res.get('failures', []):
        add(f"- a run failed and was repeated: {text}")
    add('')
    st = res.get('mox_steps')
    if st:
        steps_report(st, s, add)
    frontend_report(res.get('frontend'), add)
    if mox and res['targets']:
        add('Targets:')
        for t in res['targets']:
            add(f'- {t}')
    return '\n'.join(lines) + '\n'


def net(t, mode, key='wall'):
    """A figure of a tool's runs less the same figure of its empty runs."""
    empty = 'empty' if mode == 'warm' else 'empty_cold'
    return t[mode][key] - t[empty][key]


def same_cpus_mox(tools, name):
    """The mox row a tool is compared with: on one CPU for a row on one CPU."""
    return tools.get('mox, one CPU' if 'one CPU' in name else 'mox')


def tool_table(res, names, add, models=None):
    """One row per tool; a tool with a model of its time gets a second row
    with the modelled times only."""
    s, tools, cold = res['reference'], res['tools'], res['cold_runs'] > 0
    modes = ['warm'] + (['cold'] if cold else [])
    head = ['tool', 'sets', 'warm s', 'tool/mox'] + (['cold s', 'tool/mox'] if cold else []) + \
        ['CPU s', 'read warm MiB (rchar)'] + (['read cold MiB (disk)'] if cold else []) + \
        ['peak RSS MiB', 'empty run s']
    add('| ' + ' | '.join(head) + ' |')
    add('|' + '---|' * len(head))
    for name in names:
        t = tools[name]
        mox = same_cpus_mox(tools, name)
        row = [name, 'same' if not t['problems'] else f"{len(t['problems'])} differ"]
        for mode in modes:
            row.append(fmt_s(net(t, mode)))
            row.append(f"{net(t, mode) / net(mox, mode):.2f}" if mox else '-')
        row.append(fmt_s(net(t, 'warm', 'cpu')))
        rw = net(t, 'warm', 'rchar')
        row.append(f"{fmt_mib(rw)} ({rw / s['min_bytes_4k']:.2f}×)")
        if cold:
            rc = net(t, 'cold', 'read_bytes')
            row.append(f"{fmt_mib(rc)} ({rc / s['min_bytes_4k']:.2f}×)")
        row += [f"{t['warm']['maxrss_kib'] / 1024:.0f}", fmt_s(t['empty']['wall'])]
        add('| ' + ' | '.join(row) + ' |')
        model = (models or {}).get(name)
        if model and 'warm' in model:
            row = [name + ', model', '']
            for mode in modes:
                row += [fmt_s(model[mode]), f"{model[mode] / net(mox, mode):.2f}" if mox else '-']
            row += [''] * (len(head) - len(row))
            add('| ' + ' | '.join(row) + ' |')
    add('')


def peer_models(res):
    """The Windows peer's times with each GetFileInformationByHandle costed as
    one open-and-close pair instead of what it costs under Wine (where it asks
    the mount manager, in another process, for the volume's serial): the
    per-call costs from the probes run right after each of the peer's warm
    runs (as is or on one CPU), the calls counted in the traced run. Warm costs are used for the cold model.
    The model does not hold when the probe's cost of the calls exceeds the
    peer's whole warm run: then the calls cost less inside the run than in
    the probe's loop, and only the measured times are reported."""
    traced = (res.get('server_costs') or {}).get('jdupes, Wine')
    if not traced:
        return {}
    calls = traced['run']['mount_manager'] - traced['empty']['mount_manager']
    out = {}
    for name, probe in (res.get('peer_probes') or {}).items():
        t = res['tools'].get(name)
        if not t or not probe:
            continue
        pair = probe['CreateFileW+CloseHandle']
        call = probe['CreateFileW+GetFileInformationByHandle+CloseHandle'] - pair
        saved = calls * (call - pair) / 1e6
        out[name] = {'calls': calls, 'call_us': call, 'pair_us': pair, 'saved': saved,
                     'run_us': 1e6 * net(t, 'warm') / calls if calls else 0.0}
        if calls * call / 1e6 >= net(t, 'warm'):
            continue
        out[name]['warm'] = net(t, 'warm') - saved
        if t.get('cold'):
            out[name]['cold'] = net(t, 'cold') - saved
    return out


def models_text(res, add):
    models = res.get('models')
    if not models:
        return
    parts = [f"{name}: {m['calls']} calls × ({m['call_us']:.0f} − {m['pair_us']:.0f} µs) = {fmt_s(m['saved'])} s"
             + ('' if 'warm' in m else f" (does not hold: more than the whole warm run, which leaves at most "
                                       f"{m['run_us']:.0f} µs per call with all else; no model row)")
             for name, m in models.items()]
    add("Model: the measured time less what GetFileInformationByHandle costs under Wine beyond one "
        "open-and-close pair. jdupes calls it once for every file and folder it reads; under Wine each call "
        "asks Wine's mount manager, in another process, for the volume's serial (some ten requests to the "
        "server), on Windows it costs little. Calls counted in the traced run (the mount manager opened), "
        "per-call costs from the probe run right after each warm run of the peer, under the same load "
        "(`bench/winprobe.cpp` over an even sample of the corpus's files, medians; warm costs also for the cold "
        "model): " + '; '.join(parts) + '. A model, not a measurement: on Windows the call may cost less than '
        'a pair, and every other call its own.')
    add('')


def costs_report(res, add):
    """Requests to the Wine server and system calls per file, by kind."""
    s = res['reference']
    rows = [(n, 'Wine server requests', c) for n, c in (res.get('server_costs') or {}).items()] + \
        [(n, 'system calls', c) for n, c in (res.get('syscall_costs') or {}).items()]
    if not rows:
        return
    add('Cost per file: what each tool asks of the system it runs on, less its run over an empty folder '
        '(one run each: under Wine with the server tracing its requests, on Linux under `strace -c -f`).')
    add('')
    add('| tool | counted | per scanned file | per candidate | the most frequent, per scanned file |')
    add('|---|---|---|---|---|')
    for name, what, c in rows:
        kinds = costs.net(c['run']['kinds'], c['empty']['kinds'])
        total = sum(kinds.values())
        top = sorted(kinds.items(), key=lambda kv: -kv[1])[:6]
        add(f"| {name} | {what} | {total / s['files']:.2f} | {total / s['candidates']:.2f} | " +
            ', '.join(f"{k} {v / s['files']:.2f}" for k, v in top) + ' |')
    add('')
    add(f"Scanned files: {s['files']}; candidates (files that share their size with another): {s['candidates']}. "
        "On Windows each request to the Wine server is a system call, so these counts carry over; the times "
        "do not.")
    add('')


def frontend_report(fig, add):
    if not fig:
        return
    if fig.get('failed'):
        add(f"Front end: not measured ({fig['failed']}).")
        add('')
        return
    add(f"Front end (`moxwin/bench/listbench.cpp`, medians of 3 rounds, {fig['rows']} rows): one "
        f"CreateFileW+CloseHandle pair took {fig.get('pair_us', 0):.1f} µs in the same run.")
    add('')
    add('| step | s | µs/row | pairs/row |')
    add('|---|---|---|---|')
    for label, seconds, micros, pairs in fig['steps']:
        add(f"| {label} | {seconds:.3f} | {micros:.1f} | {pairs:.2f} |")
    add('')


def steps_report(st, s, add):
    empty = median_run(st['empty'])
    e = median_run(st['start'])  # cmd and one program: what each step pays besides its work
    add(f"Wine: an empty `cmd /c` takes {fmt_s(empty['wall'])} s warm"
        + (f", {fmt_s(median_run(st['empty_cold'])['wall'])} s cold" if st['empty_cold'] else '')
        + f"; each program started from it {fmt_s(e['wall'] - empty['wall'])} s more.")
    add('')
    cold, one = bool(st['cold']), bool(st.get('warm_one_cpu'))
    e1 = median_run(st['start_one_cpu']) if one else None
    head = ['step', 'warm s'] + (['cold s'] if cold else []) + (['warm s, one CPU'] if one else []) + \
        ['CPU s', 'of it wineserver', 'rchar MiB', 'peak RSS MiB', 'command']
    add('| ' + ' | '.join(head) + ' |')
    add('|' + '---|' * len(head))
    totals = [0.0, 0.0, 0.0]
    for i, name in enumerate(st['steps']):
        w = median_run([r[i] for r in st['warm']])
        totals[0] += w['wall'] - e['wall']
        row = [name, fmt_s(w['wall'] - e['wall'])]
        if cold:
            c = median_run([r[i] for r in st['cold']])
            totals[1] += c['wall'] - e['wall']
            row.append(fmt_s(c['wall'] - e['wall']))
        if one:
            w1 = median_run([r[i] for r in st['warm_one_cpu']])
            totals[2] += w1['wall'] - e1['wall']
            row.append(fmt_s(w1['wall'] - e1['wall']))
        row += [fmt_s(max(0.0, w['cpu'] - e['cpu'])), fmt_s(max(0.0, w['server_cpu'] - e['server_cpu'])),
                fmt_mib(w['rchar'] - e['rchar']), f"{w['maxrss_kib'] / 1024:.0f}", f"`{shorten(st['lines'][i])}`"]
        add('| ' + ' | '.join(row) + ' |')
    add('| total | ' + fmt_s(totals[0]) + ' | ' + (fmt_s(totals[1]) + ' | ' if cold else '') +
        (fmt_s(totals[2]) + ' | ' if one else '') + ' | | | | |')
    add('')
    add('Each step ran in its own `cmd /c` with the command line of MOX.BAT, in order; times are medians, '
        'each less a `cmd /c` that starts one program (widen on an empty list), so the steps add up to the '
        'search less Wine\'s starts.' + (' Cold: page cache dropped once before the chain, so each step '
                                           'finds the corpus as the chain leaves it.' if cold else '') +
        (' One CPU: the chain and the wineserver held on one CPU.' if one else ''))
    add('')
    p, p1 = st.get('probe'), st.get('probe_one_cpu') or {}
    if p:
        def cost(probe, name, less=None):
            v = probe[name] - (probe[less] if less else 0.0)
            return v
        names = {
            'open': ('CreateFileW+CloseHandle', None),
            'size': ('CreateFileW+GetFileSizeEx+CloseHandle', 'CreateFileW+CloseHandle'),
            'info': ('CreateFileW+GetFileInformationByHandle+CloseHandle', 'CreateFileW+CloseHandle'),
            'candidate': ('CreateFileW+GetFileSizeEx+ReadFile(32KiB)+CloseHandle', None),
            'find': ('FindFirstFileW+FindClose', None),
            'attrs_ex': ('GetFileAttributesExW', None),
            'attrs': ('GetFileAttributesW', None),
        }
        v = {k: cost(p, *n) for k, n in names.items()}
        v1 = {k: cost(p1, *n) for k, n in names.items()} if p1 else None

        def both(k):
            return f"{v[k]:.0f}" + (f" / {v1[k]:.0f}" if v1 else '')

        def total(count, k, extra=None):
            t = count * (v[k] + (v[extra] - v['size'] if extra else 0.0)) / 1e6
            t1 = count * (v1[k] + (v1[extra] - v1['size'] if extra else 0.0)) / 1e6 if v1 else None
            return f"{t:.1f}" + (f" / {t1:.1f}" if v1 else '') + ' s'
        add(f"Win32 calls under Wine, µs per file" + (" (as is / on one CPU)" if v1 else '') +
            f", warm, median of probes over up to {PROBE_FILES} candidates (`bench/winprobe.cpp`): "
            f"CreateFileW+CloseHandle {both('open')}, GetFileSizeEx {both('size')} more, "
            f"GetFileInformationByHandle {both('info')} more, open+size+first 32 KiB read+close "
            f"{both('candidate')}, FindFirstFileW {both('find')}, GetFileAttributesExW {both('attrs_ex')}, "
            f"GetFileAttributesW {both('attrs')}. For this corpus: {s['candidates']} candidates × open, size, "
            f"first read, close = {total(s['candidates'], 'candidate')} "
            f"(with GetFileInformationByHandle for the size {total(s['candidates'], 'candidate', 'info')}); "
            f"{s['dup_files']} listed files × GetFileAttributesExW = {total(s['dup_files'], 'attrs_ex')} "
            f"(× FindFirstFileW {total(s['dup_files'], 'find')}); "
            f"{s['files']} scanned files × GetFileAttributesW = {total(s['files'], 'attrs')}.")
        add('')


def shorten(line):
    return re.sub(r'"Z:[^"]*\\(\w+\.exe)"', r'\1', line)


def targets(res):
    tools, s = res['tools'], res['reference']
    mox = tools.get('mox')
    if not mox:
        return []
    out = []
    modes = ['warm'] + (['cold'] if res['cold_runs'] else [])
    models = res.get('models', {})
    missed = []
    for name, peer in (('mox', 'jdupes, Wine'), ('mox, one CPU', 'jdupes, Wine, one CPU')):
        if name not in tools or peer not in tools:
            continue
        for mode in modes:
            mine, measured = net(tools[name], mode), net(tools[peer], mode)
            theirs = models.get(peer, {}).get(mode)
            basis = 'model' if theirs is not None else \
                ('measured; the model does not hold' if peer in models else 'measured, no model')
            theirs = measured if theirs is None else theirs
            ok = mine <= 0.5 * theirs
            if not ok and name == 'mox':
                missed.append(mode)
            out.append(f"same platform, {mode} wall time ≤ 0.5 × {peer} ({basis}, {fmt_s(theirs)} s): "
                       f"{'met' if ok else 'missed'} by {name}, {fmt_s(mine)} s = {mine / theirs:.2f} × the "
                       f"{'model' if basis == 'model' else 'peer'}"
                       + (f", {mine / measured:.2f} × the measured {fmt_s(measured)} s" if basis == 'model' else ''))
    if 'jdupes, Wine' not in tools:
        out.append('same platform: not measured (' + res.get('jdupes_wine_skipped', 'jdupes-wine not asked for') + ')')
    st = res.get('mox_steps')
    if missed and st:
        e = median_run(st['start'])['wall']
        for mode in missed:
            times = {n: median_run([r[i] for r in st[mode]])['wall'] - e for i, n in enumerate(st['steps'])}
            worst = max(times, key=times.get)
            out.append(f"{mode}: the time goes to {worst}, {fmt_s(times[worst])} s of the steps' "
                       f"{fmt_s(sum(times.values()))} s (" +
                       ', '.join(f'{n} {fmt_s(v)}' for n, v in times.items()) + ')')
    traced = (res.get('server_costs') or {}).get('mox')
    if traced:
        kinds = costs.net(traced['run']['kinds'], traced['empty']['kinds'])
        per = sum(kinds.values()) / s['candidates']
        top = sorted(kinds.items(), key=lambda kv: -kv[1])[:5]
        out.append(f"Wine server requests per candidate ≤ 3: {'met' if per <= 3 else 'missed'}, {per:.2f} "
                   f"(" + ', '.join(f"{k} {v / s['candidates']:.2f}" for k, v in top) + ')')
    least = s['min_bytes_4k']
    rw = mox['warm']['rchar'] - mox['empty']['rchar']
    text = (f"bytes read ≤ 1.05 × the fewest ({fmt_mib(least)} MiB): warm rchar {fmt_mib(rw)} MiB = "
            f"{rw / least:.2f} × ({'met' if rw <= 1.05 * least else 'missed'})")
    if res['cold_runs']:
        rc = mox['cold']['read_bytes'] - mox['empty_cold']['read_bytes']
        text += (f"; cold disk reads {fmt_mib(rc)} MiB = {rc / least:.2f} × "
                 f"({'met' if rc <= 1.05 * least else 'missed'})")
    out.append(text)
    if st:
        dup = median_run([r[-1] for r in st['warm']])['rchar'] - median_run(st['start'])['rchar']
        lists = sum(os.path.getsize(os.path.join(st['folder'], n)) for n in ('LIST4.TXT', 'LIST5.TXT'))
        over = s['schedule_bytes'] - s['link_bytes'] - s['min_bytes_4k']
        out.append(f"of the warm rchar, dupcheck's {fmt_mib(dup)} MiB: its input {fmt_mib(lists)} MiB; "
                   f"the block schedule over every path {fmt_mib(s['schedule_bytes'])} MiB = the fewest "
                   f"+ {fmt_mib(s['link_bytes'])} MiB for reading every name of a hard-linked file "
                   f"+ {fmt_mib(over)} MiB for blocks past the first difference (32 KiB, growing ×4); the rest "
                   f"{fmt_mib(dup - lists - s['schedule_bytes'])} MiB (re-reading, Wine's requests). The other "
                   f"steps read only the lists")
    return out


def update_readme(text):
    """Put the report into the "### Latest run" part of the "## Benchmark"
    section of README.md; the rest of the README stays as it is."""
    path = os.path.join(REPO, 'README.md')
    with open(path, encoding='utf-8') as f:
        readme = f.read()
    block = '### Latest run\n\n' + text
    m = re.search(r'^## Benchmark\n', readme, flags=re.M)
    if not m:
        readme = readme.rstrip('\n') + '\n\n## Benchmark\n\n' + block
    else:
        nxt = re.search(r'^## ', readme[m.end():], flags=re.M)
        end = m.end() + nxt.start() if nxt else len(readme)
        section = readme[m.start():end]
        keep = section.find('### Latest run\n')
        head = section[:keep] if keep >= 0 else section.rstrip('\n') + '\n\n'
        readme = readme[:m.start()] + head + block + ('\n' if nxt else '') + readme[end:]
    with open(path, 'w', encoding='utf-8') as f:
        f.write(readme)


# ---------------------------------------------------------------- main

def reproducing_args(argv):
    """The arguments that shape the figures (not --readme, not the note)."""
    out, skip = [], False
    for a in argv:
        if skip:
            skip = False
        elif a == '--readme' or a.startswith('--load-note='):
            pass
        elif a == '--load-note':
            skip = True
        else:
            out.append(a)
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--scale', choices=['quick', 'full'], default='quick')
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--work', default='/tmp/mox-bench', help='corpus and scratch folders (default %(default)s)')
    ap.add_argument('--build', default=os.path.join(REPO, 'build-bench'), help='build tree of the project')
    ap.add_argument('--runs', type=int, help='warm runs per tool (quick 3, full 5)')
    ap.add_argument('--cold-runs', type=int, help='cold runs per tool (quick 1, full 3)')
    ap.add_argument('--tools', default='mox,jdupes-wine,fdupes,jdupes,rdfind,rmlint',
                    help='jdupes-wine: jdupes built for Windows, under Wine (default %(default)s)')
    ap.add_argument('--mox-args', default='', help='arguments for MOX.BAT, e.g. "/v"')
    ap.add_argument('--no-build', action='store_true', help='use the build tree as it is')
    ap.add_argument('--no-steps', action='store_true', help='skip the step timing of the chain')
    ap.add_argument('--no-one-cpu', action='store_true',
                    help='skip the runs of the chain with Wine held on one CPU')
    ap.add_argument('--no-costs', action='store_true',
                    help='skip counting requests to the Wine server and system calls')
    ap.add_argument('--list-rows', type=int, help='rows of the front end\'s list benchmark (quick 10000, '
                    'full 50000; 0 skips it)')
    ap.add_argument('--readme', action='store_true', help='write the report into README.md')
    ap.add_argument('--load-note', default='', help='a word on what else ran on the machine')
    args = ap.parse_args()

    runs, cold_runs = DEFAULT_RUNS[args.scale]
    runs = args.runs if args.runs is not None else runs
    cold_runs = args.cold_runs if args.cold_runs is not None else cold_runs
    work = os.path.abspath(args.work)
    build = os.path.abspath(args.build)
    os.makedirs(work, exist_ok=True)
    command = ' '.join(['bench/run.py'] + reproducing_args(sys.argv[1:]))

    ensure_peers()
    measure = build_measure(work)
    corpus = os.path.join(work, f'corpus-{args.scale}-{args.seed}')
    subprocess.run([sys.executable, os.path.join(HERE, 'gen_corpus.py'), '--out', corpus,
                    '--scale', args.scale, '--seed', str(args.seed)], check=True)
    ref_path = corpus + '.reference.json'
    with open(corpus + '.manifest.json') as f:
        manifest = json.load(f)
    ref = None
    if os.path.exists(ref_path):
        with open(ref_path) as f:
            ref = json.load(f)
        if ref.get('manifest') != manifest or ref.get('version') != reference.VERSION:
            ref = None
    if ref is None:
        log('working out the reference')
        ref = reference.compute(corpus)
        ref['manifest'] = manifest
        ref['version'] = reference.VERSION
        with open(ref_path, 'w') as f:
            json.dump(ref, f)
    empty_root = os.path.join(work, 'empty')
    os.makedirs(empty_root, exist_ok=True)

    tools = []
    wanted = args.tools.split(',')
    res = {'scale': args.scale, 'seed': args.seed, 'runs': runs, 'command': command,
           'date': datetime.datetime.now().strftime('%Y-%m-%d %H:%M'),
           'reference': ref['stats'], 'load_note': args.load_note}
    if 'mox' in wanted:
        why = None if args.no_build else build_mox(build)
        missing = [p for p in ['MOX.BAT', 'dirscan.exe', 'widen.exe', 'sizesum.exe', 'dupcheck.exe']
                   if not os.path.exists(os.path.join(build, 'bin', p))]
        if why or missing:
            res['mox_skipped'] = why or f'missing in {build}/bin: {", ".join(missing)}'
            log('mox left out: ' + res['mox_skipped'])
        else:
            tools.append(Mox(build, args.mox_args.split()))
            if not args.no_one_cpu:
                tools.append(Mox(build, args.mox_args.split(), {min(os.sched_getaffinity(0))}))
    if 'jdupes-wine' in wanted:
        winerun = os.path.join(build, 'winerun')
        try:
            if not os.path.exists(winerun):
                raise winjdupes.BuildError(f'no {winerun}: the build tree is not configured')
            log('jdupes for Windows: building it unless the work folder has it')
            exe, version = winjdupes.ensure(work)
            res['jdupes_wine'] = version
            tools.append(WineJdupes(exe, winerun))
            if not args.no_one_cpu:
                tools.append(WineJdupes(exe, winerun, {min(os.sched_getaffinity(0))}))
        except winjdupes.BuildError as e:
            res['jdupes_wine_skipped'] = str(e)
            log('jdupes under Wine left out: ' + str(e))
    peer_classes = {'fdupes': Fdupes, 'jdupes': Jdupes, 'rdfind': Rdfind, 'rmlint': Rmlint}
    tools += [peer_classes[n]() for n in wanted if n in peer_classes]
    list_rows = args.list_rows if args.list_rows is not None else LIST_ROWS[args.scale]

    res['cold_note'] = 'not asked for'
    if cold_runs and not can_drop_caches():
        res['cold_note'] = 'not run: dropping the page cache (/proc/sys/vm/drop_caches) is not permitted here'
        cold_runs = 0
    res['cold_runs'] = cold_runs
    res['machine'] = machine_info(work)
    res['load_before'] = os.getloadavg()[0]

    runner = Runner(measure, work)
    raw = {t.name: {'warm': [], 'cold': [], 'empty': [], 'empty_cold': []} for t in tools}
    problems = {}

    peer_probes = {}
    if any(isinstance(t, WineJdupes) for t in tools):
        write_probe_list(corpus, os.path.join(work, 'probe-list.txt'))

    def series():
        for t in tools:
            outdir = os.path.join(work, 'out', t.name)
            log(f'{t.name}: warm-up and check')
            runner.run_tool(t, empty_root, outdir)
            runner.run_tool(t, corpus, outdir)
            problems[t.name] = compare_sets(relsets(t.sets(outdir), corpus), ref['sets'])
            if problems[t.name]:
                log(f'{t.name}: {len(problems[t.name])} sets differ from the reference, e.g. {problems[t.name][:3]}')
        for i in range(runs):
            log(f'warm run {i + 1}/{runs}')
            for t in tools:
                outdir = os.path.join(work, 'out', t.name)
                raw[t.name]['empty'].append(runner.run_tool(t, empty_root, outdir))
                raw[t.name]['warm'].append(runner.run_tool(t, corpus, outdir))
                if isinstance(t, WineJdupes):
                    # Right after the peer's run, under the same load: the
                    # per-call costs of its model.
                    peer_probes.setdefault(t.name, []).append(
                        probe_once(runner, build, t.cpus, work, 'probe-list.txt'))
        for i in range(cold_runs):
            log(f'cold run {i + 1}/{cold_runs}')
            for t in tools:
                outdir = os.path.join(work, 'out', t.name)
                drop_caches()
                raw[t.name]['empty_cold'].append(runner.run_tool(t, empty_root, outdir))
                drop_caches()
                raw[t.name]['cold'].append(runner.run_tool(t, corpus, outdir))
        mox = next((t for t in tools if t.name == 'mox'), None)
        pinned = next((t for t in tools if isinstance(t, Mox) and t.cpus), None)
        if mox and not args.no_steps:
            log('timing the steps of the chain')
            res['mox_steps'] = time_mox_steps(runner, mox, pinned, corpus, work, runs, cold_runs)

    wine_tools = [t for t in tools if t.under_wine]
    if wine_tools:
        with Wine(build) as wine:
            runner.wine = wine
            series()
            if list_rows and any(isinstance(t, Mox) for t in tools):
                res['frontend'] = frontend_figures(runner, build, list_rows, work)
            runner.wine = None
    else:
        series()
    if not args.no_costs:
        traced = [t for t in wine_tools if not t.cpus]
        if traced:
            res['server_costs'] = server_costs(runner, build, traced, corpus, empty_root, work)
        native = [t for t in tools if not t.under_wine]
        if native:
            res['syscall_costs'] = syscall_costs(native, corpus, empty_root, work)
    res['load_after'] = os.getloadavg()[0]
    res['failures'] = runner.failures

    res['tools'] = {}
    for t in tools:
        r = raw[t.name]
        res['tools'][t.name] = {
            'note': t.note, 'problems': problems[t.name], 'under_wine': t.under_wine,
            'warm': median_run(r['warm']), 'empty': median_run(r['empty']),
            'cold': median_run(r['cold']) if r['cold'] else None,
            'empty_cold': median_run(r['empty_cold']) if r['empty_cold'] else None,
        }
    res['peer_probes'] = {name: medians(p) for name, p in peer_probes.items()}
    res['models'] = peer_models(res)
    res['targets'] = targets(res)
    res['raw'] = raw
    text = report(res)
    with open(os.path.join(work, f'results-{args.scale}.json'), 'w') as f:
        json.dump(res, f, indent=1)
    with open(os.path.join(work, f'report-{args.scale}.md'), 'w') as f:
        f.write(text)
    print(text)
    if args.readme:
        update_readme(text)
    return 1 if any(problems.values()) else 0


if __name__ == '__main__':
    sys.exit(main())
