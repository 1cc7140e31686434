"""jdupes built for Windows, as a benchmark peer that runs under Wine like
the content search (bench/run.py). Nothing of it goes into the product.

The source is Debian's source package of the installed jdupes, fetched with
apt-get source through a private sources list and private state and cache
folders, so the machine's own apt set-up is untouched; dpkg-source applies
Debian's patches. The Makefile's Windows build (Unicode, static) is
cross-compiled with the project's mingw-w64. The program is kept in the work
folder, like the corpus, and built again only for another version.
"""
import os
import re
import shutil
import subprocess

CC = 'x86_64-w64-mingw32-gcc-posix'
WINDRES = 'x86_64-w64-mingw32-windres'
KEYRING = '/usr/share/keyrings/debian-archive-keyring.gpg'


class BuildError(Exception):
    pass


def run(cmd, **kw):
    try:
        r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)
    except OSError as e:
        raise BuildError(f'{cmd[0]}: {e.strerror}')
    if r.returncode != 0:
        tail = r.stdout.strip().splitlines()[-1:] or ['no output']
        raise BuildError(f'{cmd[0]} {cmd[1] if len(cmd) > 1 else ""} failed: {tail[0]}')
    return r.stdout


def installed_version(package):
    try:
        out = subprocess.run(['dpkg-query', '-W', '-f', '${Version} ${source:Package}', package],
                             capture_output=True, text=True)
    except OSError:
        raise BuildError('dpkg-query is missing')
    if out.returncode != 0 or not out.stdout.strip():
        raise BuildError(f'{package} is not installed')
    version, source = out.stdout.split()
    return version, source


def origins(package, version):
    """deb-src lines for the archives that serve the installed version,
    read from apt-cache policy (e.g. "500 http://... bookworm/main amd64 Packages")."""
    text = run(['apt-cache', 'policy', package])
    lines, inside = [], False
    for line in text.splitlines():
        m = re.match(r'\s*(\*\*\*)?\s*(\S+) \d+$', line)
        if m:
            inside = m.group(2) == version
            continue
        m = re.match(r'\s*\d+ (\S+://\S+) (\S+)/(\S+) \S+ Packages$', line)
        if inside and m:
            uri, suite, component = m.groups()
            signed = f'[signed-by={KEYRING}] ' if os.path.exists(KEYRING) else ''
            lines.append(f'deb-src {signed}{uri} {suite} {component}')
    if not lines:
        raise BuildError(f'no archive serves {package} {version}')
    return lines


def fetch_source(package, source, version, folder):
    """apt-get source SOURCE=VERSION (the source of the installed package)
    into folder, apt's lists kept in it; the unpacked, patched source tree."""
    apt = os.path.join(folder, 'apt')
    for sub in ('lists/partial', 'cache/archives/partial'):
        os.makedirs(os.path.join(apt, sub), exist_ok=True)
    try:
        lines = origins(package, version)
    except BuildError:
        # A machine whose package lists are gone knows the version but not
        # its archive until the lists are fetched again.
        run(['apt-get', '-q', 'update'])
        lines = origins(package, version)
    sources = os.path.join(apt, 'sources.list')
    with open(sources, 'w') as f:
        f.write('\n'.join(lines) + '\n')
    opts = ['-o', f'Dir::Etc::SourceList={sources}', '-o', 'Dir::Etc::SourceParts=/dev/null',
            '-o', f'Dir::State={apt}', '-o', f'Dir::State::Lists={apt}/lists',
            '-o', 'Dir::State::status=/var/lib/dpkg/status', '-o', f'Dir::Cache={apt}/cache',
            '-o', 'APT::Sandbox::User=root']
    run(['apt-get', '-q'] + opts + ['update'])
    src = os.path.join(folder, 'src')
    shutil.rmtree(src, ignore_errors=True)
    os.makedirs(src)
    run(['apt-get', '-q'] + opts + ['source', f'{source}={version}'], cwd=src)
    trees = [d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d))]
    if len(trees) != 1:
        raise BuildError(f'apt-get source left {len(trees)} source trees')
    return os.path.join(src, trees[0])


def compile_windows(tree):
    """The Makefile's Windows build, static, with the mingw-w64 compiler."""
    for tool in (CC, WINDRES):
        if not shutil.which(tool):
            raise BuildError(f'{tool} is missing')
    # The Makefile calls plain "windres"; a wrapper by that name on PATH (a
    # script, not a link, so windres still finds mingw's preprocessor).
    tools = os.path.join(tree, '.mingw-bin')
    os.makedirs(tools, exist_ok=True)
    wrapper = os.path.join(tools, 'windres')
    if os.path.lexists(wrapper):
        os.remove(wrapper)
    with open(wrapper, 'w') as f:
        f.write(f'#!/bin/sh\nexec {WINDRES} "$@"\n')
    os.chmod(wrapper, 0o755)
    env = dict(os.environ, PATH=tools + os.pathsep + os.environ.get('PATH', ''))
    run(['make', '-C', tree, 'OS=Windows_NT', f'CC={CC}', 'static', '-j2'], env=env)
    exe = os.path.join(tree, 'jdupes.exe')
    if not os.path.exists(exe):
        raise BuildError('make left no jdupes.exe')
    return exe


def ensure(work, package='jdupes'):
    """Path of jdupes.exe for the installed version of the package, built
    when the work folder has none yet; raises BuildError."""
    version, source = installed_version(package)
    folder = os.path.join(work, f'winpeer-{package}-{version}')
    exe = os.path.join(folder, f'{package}.exe')
    if os.path.exists(exe):
        return exe, version
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    if not shutil.which('dpkg-source'):
        env = dict(os.environ, DEBIAN_FRONTEND='noninteractive')
        subprocess.run(['apt-get', 'install', '-y', '--no-install-recommends', 'dpkg-dev'],
                       env=env, stdout=subprocess.DEVNULL)
    tree = fetch_source(package, source, version, folder)
    shutil.copy(compile_windows(tree), exe)
    return exe, version
