#!/usr/bin/env python3
"""Mutation check: plants one small fault at a time in src/ (an operator, a
comparison or a constant), rebuilds, runs the quick suite (the unit, scenario
and replay test programs) and reports which faults it caught.

    nice scripts/mutate.py             # every mutant of scripts/mutants.txt
    scripts/mutate.py --resample       # draw a new sample first (seeded)
    scripts/mutate.py --only 3,17      # some mutants of the sample
    scripts/mutate.py --commit REV     # the code and tests of another commit

It works on a copy of the last commit in build-mutate/tree, with a plain
Debug build of its own, so the worktree stays untouched. A mutant is found
again by the text of its line, so the sample survives files being moved.
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SAMPLE = os.path.join(ROOT, 'scripts', 'mutants.txt')
WORK = os.path.join(ROOT, 'build-mutate')
TREE = os.path.join(WORK, 'tree')
BUILD = os.path.join(WORK, 'build')

# Operators with spaces around them, as the code is written: templates,
# pointers and includes never match.
SWAPS = {' < ': ' <= ', ' <= ': ' < ', ' > ': ' >= ', ' >= ': ' > ', ' == ': ' != ', ' != ': ' == ',
         ' + ': ' - ', ' - ': ' + ', ' * ': ' / ', ' / ': ' * ', ' && ': ' || ', ' || ': ' && ',
         ' += ': ' -= ', ' -= ': ' += ', '++': '--', '--': '++'}
OPERATOR = re.compile('|'.join(re.escape(k) for k in sorted(SWAPS, key=len, reverse=True)))
NUMBER = re.compile(r'(?<![\w.])(\d+)(\.\d+)?f?(?![\w.])')


def code_part(line):
    """The line with strings blanked and the comment cut, same length up to the cut."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            if c == '\\':
                out.append('__')
                i += 2
                continue
            out.append('_' if c != quote else c)
            quote = None if c == quote else quote
        elif c in '"\'':
            quote = c
            out.append(c)
        elif line.startswith('//', i):
            break
        else:
            out.append(c)
        i += 1
    return ''.join(out)


def candidates(path):
    found, seen = [], {}
    for text in open(path, encoding='latin-1').read().split('\n'):
        stripped = text.strip()
        seen[stripped] = seen.get(stripped, 0) + 1
        nth = seen[stripped]
        if not stripped or stripped.startswith(('#', '//', '*', '/*')) or 'static_assert' in stripped:
            continue
        code = code_part(stripped)
        for m in OPERATOR.finditer(code):
            found.append((stripped, nth, m.start(), m.group(), SWAPS[m.group()]))
        for m in NUMBER.finditer(code):
            whole, fraction = m.group(1), m.group(2)
            if fraction:
                digits = fraction[1:]
                last = int(digits[-1])
                new = m.group(1) + '.' + digits[:-1] + str(last + 1 if last < 9 else last - 1)
                old = m.group(1) + fraction
            else:
                old, new = whole, str(int(whole) + 1)
            found.append((stripped, nth, m.start(), old, new))
    return found


# The game's own code: not its main, nor the menu program.
def source_files(tree):
    files = []
    for folder, _, names in os.walk(os.path.join(tree, 'src')):
        if os.path.basename(folder) != 'menu':
            files += [os.path.join(folder, n) for n in names if n.endswith('.cpp') and n != 'main.cpp']
    return sorted(files)


def resample(seed, count):
    every = []
    for path in source_files(ROOT):
        rel = os.path.relpath(path, ROOT)
        every += [(rel,) + c for c in candidates(path)]
    chosen = random.Random(seed).sample(every, count)
    with open(SAMPLE, 'w', encoding='latin-1') as out:
        out.write('# Mutation sample (scripts/mutate.py --resample --seed %d --count %d) of %d candidates.\n'
                  '# id, file when drawn, which of the equal lines there, column in the stripped line, old, new,\n'
                  '# the stripped line\n'
                  % (seed, count, len(every)))
        for n, (rel, text, nth, column, old, new) in enumerate(chosen, 1):
            out.write('%d\t%s\t%d\t%d\t%s\t%s\t%s\n' % (n, rel, nth, column, old, new, text))


def load_sample():
    mutants = []
    for line in open(SAMPLE, encoding='latin-1'):
        if line.startswith('#') or not line.strip():
            continue
        n, rel, nth, column, old, new, text = line.rstrip('\n').split('\t')
        mutants.append({'id': int(n), 'file': rel, 'nth': int(nth), 'column': int(column), 'old': old, 'new': new,
                        'text': text})
    return mutants


def locate(mutant):
    """(path, line index) of the mutant's line in the tree: its nth copy in the
    drawn file, else the first copy anywhere."""
    files = source_files(TREE)
    drawn = os.path.basename(mutant['file'])
    files.sort(key=lambda p: os.path.basename(p) != drawn)
    first = (None, None)
    for path in files:
        nth = 0
        for i, text in enumerate(open(path, encoding='latin-1').read().split('\n')):
            if text.strip() == mutant['text']:
                nth += 1
                first = first if first[0] else (path, i)
                if os.path.basename(path) == drawn and nth == mutant['nth']:
                    return path, i
    return first


def run(command, timeout, log):
    process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT, start_new_session=True,
                               env=dict(os.environ, SDL_VIDEODRIVER='dummy', SDL_AUDIODRIVER='dummy'))
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        return 'timeout'


def prepare(commit):
    subprocess.run('rm -rf "%s" && mkdir -p "%s" && git -C "%s" archive "%s" | tar -x -m -C "%s"'
                   % (TREE, TREE, ROOT, commit, TREE), shell=True, check=True)
    # No sanitizers and no debug information: each mutant relinks every test program.
    subprocess.run(['cmake', '-S', TREE, '-B', BUILD, '-G', 'Ninja', '-DCMAKE_BUILD_TYPE=Debug',
                    '-DCMAKE_CXX_FLAGS_DEBUG=-O1', '-DZOLTR_SANITIZE=OFF', '-DZOLTR_TESTS=ON', '-DZOLTR_BENCH=OFF'],
                   check=True, stdout=subprocess.DEVNULL)
    listing = subprocess.run(['ninja', '-C', BUILD, '-t', 'targets', 'all'], capture_output=True, text=True).stdout
    programs = sorted({t.split(':')[0] for t in listing.split('\n')
                       if re.match(r'tests/\w+_tests:', t)})
    # The replay is the slowest program: it runs last.
    programs.sort(key=lambda t: t.endswith('replay_tests'))
    return programs


def build(programs, log):
    return subprocess.run(['cmake', '--build', BUILD, '-j2', '--target'] + [os.path.basename(p) for p in programs],
                          stdout=log, stderr=subprocess.STDOUT).returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--resample', action='store_true')
    parser.add_argument('--seed', type=int, default=12)
    parser.add_argument('--count', type=int, default=60)
    parser.add_argument('--only', default='')
    parser.add_argument('--commit', default='HEAD', help='the code and tests to check')
    parser.add_argument('--work', default='build-mutate', help='folder of the copy and its build')
    parser.add_argument('--report', default='build-mutate/report.txt')
    args = parser.parse_args()
    if args.resample or not os.path.exists(SAMPLE):
        resample(args.seed, args.count)
    mutants = load_sample()
    if args.only:
        wanted = {int(n) for n in args.only.split(',')}
        mutants = [m for m in mutants if m['id'] in wanted]

    global WORK, TREE, BUILD
    WORK = os.path.join(ROOT, args.work)
    TREE, BUILD = os.path.join(WORK, 'tree'), os.path.join(WORK, 'build')
    programs = prepare(args.commit)
    log = open(os.path.join(WORK, 'log.txt'), 'w')
    if not build(programs, log) or any(run([os.path.join(BUILD, p)], 900, log) != 0 for p in programs):
        sys.exit('the unmutated suite does not pass; see build-mutate/log.txt')

    results = []
    for m in mutants:
        started = time.time()
        path, index = locate(m)
        if path is None:
            status = 'missing'
        else:
            original = open(path, encoding='latin-1').read()
            lines = original.split('\n')
            text = lines[index]
            at = len(text) - len(text.lstrip()) + m['column']
            assert text[at:at + len(m['old'])] == m['old'], (m, text)
            lines[index] = text[:at] + m['new'] + text[at + len(m['old']):]
            try:
                open(path, 'w', encoding='latin-1').write('\n'.join(lines))
                log.write('\n=== mutant %d: %s\n' % (m['id'], lines[index].strip()))
                log.flush()
                if not build(programs, log):
                    status = 'stillborn'
                else:
                    status = 'survived'
                    for p in programs:
                        outcome = run([os.path.join(BUILD, p)], 120, log)
                        if outcome != 0:
                            status = 'caught by %s%s' % (os.path.basename(p), ' (timeout)' if outcome == 'timeout' else '')
                            break
            finally:
                open(path, 'w', encoding='latin-1').write(original)
        line = '%3d %-34s %-22s %s -> %s   %s' % (m['id'], status, os.path.basename(m['file']), m['old'].strip(),
                                                 m['new'].strip(), m['text'])
        print(line + '   (%.0f s)' % (time.time() - started), flush=True)
        results.append((m, status, line))

    valid = [r for r in results if r[1] not in ('stillborn', 'missing')]
    caught = [r for r in valid if r[1].startswith('caught')]
    summary = ['caught %d of %d mutants (%d did not compile, %d not found)'
               % (len(caught), len(valid), sum(r[1] == 'stillborn' for r in results),
                  sum(r[1] == 'missing' for r in results)), 'survivors:']
    summary += ['  ' + r[2] for r in valid if r[1] == 'survived']
    print('\n'.join(summary))
    with open(os.path.join(ROOT, args.report), 'w', encoding='latin-1') as out:
        out.write('\n'.join(r[2] for r in results) + '\n\n' + '\n'.join(summary) + '\n')


if __name__ == '__main__':
    main()
