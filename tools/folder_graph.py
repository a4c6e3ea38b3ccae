#!/usr/bin/env python3
"""The folders of a checkout as a graph of their quoted includes: FOLDER -> FOLDER with the
number of includes, then the pairs of folders that include each other.  Tests, fuzz targets,
benchmarks and tools are left out.

Usage: tools/folder_graph.py ROOT [REV]   (with REV, the tree of that commit is read)"""
import os, re, subprocess, sys, collections
root = sys.argv[1]; rev = sys.argv[2] if len(sys.argv) > 2 else None
def files():
    if rev:
        out = subprocess.run(['git', '-C', root, 'ls-tree', '-r', '--name-only', rev], capture_output=True, text=True).stdout.split()
    else:
        out = subprocess.run(['git', '-C', root, 'ls-files', '--cached', '--others', '--exclude-standard'], capture_output=True, text=True).stdout.split()
    return [f for f in out if f.endswith(('.h', '.cpp', '.in'))]
def read(f):
    if rev: return subprocess.run(['git', '-C', root, 'show', f'{rev}:{f}'], capture_output=True, text=True).stdout
    return open(os.path.join(root, f)).read()
def folder(path):
    parts = path.split('/')
    # Older trees kept the host interface inside plugin/.
    if parts[0] == 'plugin' and len(parts) > 2 and parts[1] == 'sdk': return 'plugin/sdk'
    return parts[0]
skip = {'tests', 'fuzz', 'bench', 'tools', 'examples', 'docs'}
edges = collections.Counter()
for f in files():
    src = folder(f)
    if src in skip or '/' not in f: continue
    for inc in re.findall(r'#include "([^"]+)"', read(f)):
        if '/' not in inc: continue
        dst = folder(inc)
        if dst != src: edges[(src, dst)] += 1
for (a, b), n in sorted(edges.items()): print(f'{a} -> {b}  ({n})')
pairs = set(edges)
print('cycles:', sorted({tuple(sorted(p)) for p in pairs if (p[1], p[0]) in pairs}))
