#!/usr/bin/env bash
# How close cflow's call graph, as `tanglet-view -p` runs it, comes to the
# compiler's own: recall and precision of caller -> callee pairs between
# functions the program defines. Not a test.
#
#   bench/true-graph.sh [OPTION...] TANGLET_VIEW TREE
#
# TREE is a C program built in place with a compilation database and GCC's
# call graph next to each object, e.g. for a Debian source package:
#   apt-get source gzip && apt-get build-dep -y gzip && cd gzip-1.12 &&
#   ./configure CFLAGS=-O0 && bear -- make CFLAGS='-O0 -fcallgraph-info=su'
# (keep any flags configure put in CFLAGS, such as -I/usr/include/libnl3 for
# htop). The compiler's graph is `tanglet-view --ci=TREE`, cflow's is
# `tanglet-view -p TREE`; both as JSON.
#
# A pair is (caller, callee), both defined. A function is its name; where
# either graph defines one name in more than one file (statics), it is the
# name and the base name of the file, so that two statics of one name stay
# two and a static inline in a header is one whichever unit emitted it.
# Only then: GCC places a function that a header declares at the header.
# Indirect calls are not pairs.
#
# Options:
#   --units=FILE   only the units listed in FILE (source paths relative to
#                  TREE, one a line) are the program: functions defined in
#                  other .c files (test programs, generators, archive
#                  members the link left out) are dropped from both graphs. To list the linked units, relink with
#                  CC='gcc -Wl,-Map=FILE.map' and take the map's objects and
#                  archive members back to their sources.
#   --guess=FILE   cflow's graph from FILE instead of -p: a listing
#                  tanglet-view reads, or its JSON (ending .json)
#   --truth=ci     read the .ci files of the database's units here, not
#                  with tanglet-view --ci
#   --show=N       print up to N missed and N extra pairs
#   --json         one JSON line of figures instead of text
set -euo pipefail
units='' guess='' truth='' show=0 json=0
while [[ $# -gt 0 && $1 == --* ]]; do
  case $1 in
    --units=*) units=${1#*=} ;;
    --guess=*) guess=${1#*=} ;;
    --truth=*) truth=${1#*=} ;;
    --show=*) show=${1#*=} ;;
    --json) json=1 ;;
    *) echo "bench/true-graph.sh: unknown option $1" >&2 && exit 2 ;;
  esac
  shift
done
view=${1:?usage: bench/true-graph.sh [OPTION...] TANGLET_VIEW TREE}
tree=${2:?usage: bench/true-graph.sh [OPTION...] TANGLET_VIEW TREE}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ -n $truth ]]; then
  echo ci > "$work/truth"
else
  "$view" --ci="$tree" -T json --max-nodes=0 > "$work/truth.json"
  echo "$work/truth.json" > "$work/truth"
fi
if [[ $guess == *.json ]]; then
  cp "$guess" "$work/guess.json"
elif [[ -n $guess ]]; then
  "$view" -T json --max-nodes=0 "$guess" > "$work/guess.json"
else
  "$view" -p "$tree" -T json --max-nodes=0 > "$work/guess.json"
fi

python3 - "$work/truth" "$work/guess.json" "$tree" "$units" "$show" "$json" << 'EOF'
import json, os, re, sys
truth_at, guess_at, tree, units_at, show, as_json = sys.argv[1:]

def from_json(path):
    """Pairs and defined functions of a tanglet-view -T json graph."""
    g = json.load(open(path))
    key = {n['id']: (n['name'], os.path.basename(n['file'])) for n in g['nodes'] if n['defined']}
    pairs = {(key[e['source']], key[e['target']]) for e in g['edges']
             if e['source'] in key and e['target'] in key}
    return pairs, set(key.values())

NODE = re.compile(r'^node: \{ title: "([^"]*)" label: "([^"\\]*)\\n([^"]*?):\d+:\d+')
EDGE = re.compile(r'^edge: \{ sourcename: "([^"]*)" targetname: "([^"]*)"')

def from_ci(paths):
    """Pairs and defined functions of .ci files, as GCC writes them."""
    public, units = {}, []
    for path in paths:
        local, edges = {}, []
        for line in open(path, errors='replace'):
            m = NODE.match(line)
            if m and 'shape : ellipse' not in line:
                local[m[1]] = (m[2], os.path.basename(m[3]))
                if ':' not in m[1]:
                    public[m[1]] = local[m[1]]
            elif (m := EDGE.match(line)):
                edges.append((m[1], m[2]))
        units.append((local, edges))
    pairs, defined = set(), set()
    for local, edges in units:
        defined.update(local.values())
        for s, t in edges:
            s, t = local.get(s) or public.get(s), local.get(t) or public.get(t)
            if s and t:
                pairs.add((s, t))
    return pairs, defined

def ci_of(e):
    obj = e.get('output') or os.path.splitext(os.path.basename(e['file']))[0] + '.o'
    return os.path.splitext(os.path.join(e['directory'], obj))[0] + '.ci'

def ci_names(e):
    path = ci_of(e)
    if not os.path.exists(path):
        return set()
    return {(m[2], os.path.basename(m[3])) for m in map(NODE.match, open(path, errors='replace'))
            if m and 'shape : ellipse' not in m[0]}

db = json.load(open(os.path.join(tree, 'compile_commands.json')))
linked = {os.path.abspath(os.path.join(tree, u.strip())) for u in open(units_at) if u.strip()} if units_at else None
into = lambda e: linked is None or os.path.normpath(os.path.join(e['directory'], e['file'])) in linked
truth_at = open(truth_at).read().strip()
if truth_at.endswith('.json'):
    truth, defined = from_json(truth_at)
else:
    truth, defined = from_ci([ci_of(e) for e in db if into(e) and os.path.exists(ci_of(e))])
guess, guess_defined = from_json(guess_at)
if units_at:
    # What the units that the program does not link define, by their .ci
    # files: GCC may place a function at a header that declares it.
    # A .c file that is not a unit of the program (cflow may be given any).
    ours = {os.path.basename(u) for u in linked}
    other = lambda f: f.endswith('.c') and f not in ours
    out = set().union(*(ci_names(e) for e in db if not into(e)))
    out -= set().union(*(ci_names(e) for e in db if into(e)))
    keep = lambda f: not other(f[1]) and f not in out
    truth = {p for p in truth if keep(p[0]) and keep(p[1])}
    guess = {p for p in guess if keep(p[0]) and keep(p[1])}
    defined, guess_defined = set(filter(keep, defined)), set(filter(keep, guess_defined))


def names(defined):
    files = {}
    for n, f in defined:
        files.setdefault(n, set()).add(f)
    return {n for n, fs in files.items() if len(fs) > 1}

shared = names(defined) | names(guess_defined)
plain = lambda f: f if f[0] in shared else (f[0], '')
truth = {(plain(s), plain(t)) for s, t in truth}
guess = {(plain(s), plain(t)) for s, t in guess}
defined = {plain(f) for f in defined}
hit = truth & guess
recall = 100.0 * len(hit) / max(len(truth), 1)
precision = 100.0 * len(hit) / max(len(guess), 1)
if as_json == '1':
    print(json.dumps({'pairs': len(truth), 'found': len(guess), 'common': len(hit),
                      'recall': round(recall, 1), 'precision': round(precision, 1)}))
else:
    print(f'pairs {len(truth)}  found {len(guess)}  common {len(hit)}  '
          f'recall {recall:.1f}%  precision {precision:.1f}%')
name = lambda f: f'{f[0]}@{f[1]}' if f[1] else f[0]
for title, rest in (('missed', truth - guess), ('extra', guess - truth)):
    for s, t in sorted(rest)[:int(show)]:
        print(f'{title}\t{name(s)} -> {name(t)}' + ('' if t in defined else '\t(callee not compiled)'))
EOF
