#!/usr/bin/env python3
"""Draw the labelled evaluation sample of translation candidates.

Runs `polyverb-classic list --tsv` over every Pascal source file of the
real-world corpus and of the Free Pascal sources, then draws a seeded,
stratified random sample and writes sample.tsv next to this script.

Strata (by source):
  realworld  files under /work/shared/corpus/realworld, paths `realworld/...`
  fpcsrc     files under /usr/share/fpcsrc, paths `fpcsrc/...`
Each stratum contributes PER_SOURCE rows (all of its candidates if it has
fewer). Within a stratum the sampled rows are shuffled and assigned
alternately to `tune` and `report`, so each split gets half of every stratum.

Deterministic: sorted file lists, a fixed SEED and Python's `random.Random`
(whose sample/shuffle are stable across Python 3 versions for a given seed)
give the same file on every run, as long as the sources and the tool do not
change.

Usage: python3 sample.py [--tool PATH] [--out PATH]
"""

import argparse
import os
import random
import re
import subprocess
import sys

SEED = 20250611
PER_SOURCE = 600
EXTENSIONS = ('.pas', '.pp', '.inc', '.lpr', '.dpr')

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_TOOL = '/work/tools/polyverb-classic'
CORPUS_ROOT = '/work/shared/corpus'   # paths are given as realworld/...
FPC_ROOT = '/usr/share/fpcsrc'        # paths are given as fpcsrc/...
CHUNK = 400                           # files per tool run (argv length)

# The tool breaks lines at CR LF, CR and LF alike.
LINE_BREAK = re.compile(rb'\r\n|\r|\n')


def pascal_files(root):
    """Sorted (byte-wise) relative paths of the Pascal sources under root."""
    found = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        for name in filenames:
            if name.lower().endswith(EXTENSIONS):
                full = os.path.join(dirpath, name)
                if os.path.isfile(full) and not os.path.islink(full):
                    found.append(os.path.relpath(full, root))
    return sorted(found, key=os.fsencode)


def run_tool(tool, cwd, files):
    """All candidate rows (lists of byte fields) the tool prints for files."""
    rows = []
    for i in range(0, len(files), CHUNK):
        chunk = files[i:i + CHUNK]
        proc = subprocess.run([tool, 'list', '--tsv'] + chunk, cwd=cwd,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if proc.returncode not in (0, 1):
            sys.exit('sample.py: %s failed (exit %d): %s'
                     % (tool, proc.returncode,
                        proc.stderr.decode('utf-8', 'replace')))
        if proc.stderr:
            sys.stderr.write(proc.stderr.decode('utf-8', 'replace'))
        for line in proc.stdout.split(b'\n'):
            if not line:
                continue
            fields = line.split(b'\t')
            if len(fields) != 5:
                sys.exit('sample.py: unexpected tool output: %r' % line)
            rows.append(fields)
    return rows


def escape(raw):
    """Escape a source line the way the tool escapes TEXT."""
    out = bytearray()
    for b in raw:
        if b == 0x5C:
            out += b'\\\\'
        elif b == 0x09:
            out += b'\\t'
        elif b == 0x0D:
            out += b'\\r'
        elif b == 0x0A:
            out += b'\\n'
        elif b < 0x20 or b == 0x7F:
            out += b'\\x%02x' % b
        else:
            out.append(b)
    return bytes(out)


class LineCache:
    def __init__(self):
        self.path = None
        self.lines = None

    def line(self, path, number):
        if path != self.path:
            with open(path, 'rb') as f:
                self.lines = LINE_BREAK.split(f.read())
            self.path = path
        return self.lines[number - 1]


def candidates(tool, source, root, prefix):
    files = pascal_files(root)
    rows = run_tool(tool, root, files)
    cache = LineCache()
    result = []
    for path, line, start, nxt, text in rows:
        rel = path.decode('utf-8', 'surrogateescape')
        context = escape(cache.line(os.path.join(root, rel), int(line)))
        result.append({
            'source': source,
            'file': prefix + rel,
            'line': int(line), 'start': int(start), 'next': int(nxt),
            'text': text, 'context': context,
        })
    return files, result


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--tool', default=DEFAULT_TOOL)
    ap.add_argument('--out', default=os.path.join(HERE, 'sample.tsv'))
    args = ap.parse_args()

    strata = [
        ('realworld', os.path.join(CORPUS_ROOT, 'realworld'), 'realworld/'),
        ('fpcsrc', FPC_ROOT, 'fpcsrc/'),
    ]
    rng = random.Random(SEED)
    sampled = []
    for source, root, prefix in strata:
        files, rows = candidates(args.tool, source, root, prefix)
        if len(rows) <= PER_SOURCE:
            picked = list(rows)
        else:
            picked = rng.sample(rows, PER_SOURCE)
        order = list(picked)
        rng.shuffle(order)
        for i, row in enumerate(order):
            row['split'] = 'tune' if i % 2 == 0 else 'report'
        sys.stderr.write('%s: %d files, %d candidates, %d sampled\n'
                         % (source, len(files), len(rows), len(picked)))
        sampled.extend(picked)

    # Ids follow source order, then file position, so neighbours read together.
    sampled.sort(key=lambda r: (r['source'] != 'realworld',
                                os.fsencode(r['file']), r['line'], r['start']))
    header = b'id\tsplit\tsource\tfile\tline\tstart\tnext\ttext\tcontext\n'
    with open(args.out, 'wb') as out:
        out.write(header)
        for n, r in enumerate(sampled, 1):
            tag = 'R' if r['source'] == 'realworld' else 'F'
            fields = [
                ('%s%04d' % (tag, n)).encode(), r['split'].encode(),
                r['source'].encode(), os.fsencode(r['file']),
                str(r['line']).encode(), str(r['start']).encode(),
                str(r['next']).encode(), r['text'], r['context'],
            ]
            out.write(b'\t'.join(fields) + b'\n')
    sys.stderr.write('wrote %d rows to %s\n' % (len(sampled), args.out))


if __name__ == '__main__':
    main()
