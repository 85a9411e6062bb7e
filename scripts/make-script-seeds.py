#!/usr/bin/env python3
"""Writes the malformed scenario-script corpus under tests/data/scripts/.

The interpreter's tests and its fuzz target run over these files: scripts cut after every byte,
commands whose operands meet the end, full buffers without an end mark, odd lengths, lone lead
bytes, random bytes, backslashes where a pass starts, long runs of P+, comments without a line
feed, every byte as an operand of every command, ending rows past 96 bytes.

The output is committed; run again only to change it. The random files come from a fixed seed.
The corpus is written into a folder beside it and put in its place only once every file is whole,
so a run that fails (a full disk) leaves the corpus as it was. Exit 1 when it cannot be written, 2
on a usage error.
"""
import argparse
import os
import random
import shutil
import sys
import tempfile

OUT = os.path.normpath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'data', 'scripts'))
SCRIPT_BYTES = 65535


def gbk(text):
    return text.encode('gbk')


def corpus():
    """Every file of the corpus by name, without its .srd."""
    files = {}

    # A script that uses every command once.
    full = (b'#opening\n>1A3GNEB1S4' + gbk('你好') + b'~' + gbk('世界') + b'\\T21P+P-' +
            gbk('再见') + b'\\!2$1>2P0E' + gbk('测') + b'DM' + gbk('啊' * 30) + b'\\S7B2_')
    files['full'] = full
    for cut in range(1, len(full)):
        files['cut_%03d' % cut] = full[:cut]

    # Each command with its operands cut at the very end.
    for command in [b'B', b'S', b'T', b'T1', b'>', b'>1', b'>1A', b'!', b'$', b'P', b'#']:
        name = 'end_' + command.decode().replace('>', 'gt').replace('!', 'bang').replace(
            '$', 'dollar').replace('#', 'hash')
        files[name] = gbk('啊') + b'\\' + command

    # Full buffers with no end mark, even and odd, and a file longer than the buffer.
    files['full_even'] = gbk('啊') * (SCRIPT_BYTES // 2) + b'P'
    files['full_odd'] = gbk('啊') * (SCRIPT_BYTES // 2) + b'\xb0'
    files['over_long'] = b'~' * (SCRIPT_BYTES + 100)
    files['lone_lead'] = b'\xb0'
    files['lead_pairs'] = b'\x81\x81\x81'
    files['odd_text'] = gbk('啊吧') + b'\xb0\\_'

    # Backslashes where a pass starts, after each command.
    files['backslash_start'] = b'\\' * 40 + b'_'
    files['backslash_after'] = (b'>1A0\\T01\\P+\\\n\\D\\GNE\\S1\\B1\\M\\' + gbk('啊') + b'\\_')

    files['plus_run'] = b'P+' * 5000 + b'_'
    files['minus_run'] = b'P-' * 5000 + b'P+' * 3 + b'_'
    files['hash_no_feed'] = gbk('啊') + b'#' + b'x' * 200
    files['hash_only'] = b'#'

    # Every byte as the operand of every command, 1-255 in one file and 0 on its own.
    for command, width in [(b'B', 1), (b'S', 1), (b'P', 1), (b'!', 1), (b'$', 1), (b'T', 2),
                           (b'>', 3)]:
        tag = {b'!': 'bang', b'$': 'dollar', b'>': 'gt'}.get(command, command.decode())
        body = b''
        for value in range(1, 256):
            body += command + bytes([value]) * width + gbk('字') + b'\\'
        files['operand_%s' % tag] = body + b'_'
        files['operand_%s_zero' % tag] = command + b'\x00' + gbk('字') + b'\\_'

    # Ending rows past 96 bytes: a long row, a row of one-byte characters and three full rows.
    files['ending_long'] = gbk('终' * 60) + b'~' + gbk('章' * 100) + b'\\_'
    files['ending_ascii'] = b'AB' * 200 + b'\\_'

    rng = random.Random(18)
    for i in range(24):
        length = rng.randrange(1, 3000)
        files['random_%02d' % i] = bytes(rng.randrange(1, 256) for _ in range(length))
    alphabet = b'\\~#_GNEBSDMTP!$>+-12345678\n\r\xb0\xa1'
    for i in range(24):
        length = rng.randrange(1, 3000)
        files['commands_%02d' % i] = bytes(rng.choice(alphabet) for _ in range(length))

    return files


def replace_corpus(files):
    """Writes the files into a new folder beside OUT, then swaps it in; on a failure the new
    folder goes and OUT is as it was."""
    if os.path.islink(OUT) or (os.path.exists(OUT) and not os.path.isdir(OUT)):
        raise OSError('not a folder')
    parent = os.path.dirname(OUT)
    os.makedirs(parent, exist_ok=True)
    new = tempfile.mkdtemp(prefix='.scripts-', dir=parent)
    old = new + '-old'
    try:
        for name, data in sorted(files.items()):
            with open(os.path.join(new, name + '.srd'), 'wb') as f:
                f.write(data)
        if os.path.exists(OUT):
            os.rename(OUT, old)
        try:
            os.rename(new, OUT)
        except OSError:
            if os.path.exists(old):
                os.rename(old, OUT)
            raise
    except BaseException:
        shutil.rmtree(new, ignore_errors=True)
        raise
    shutil.rmtree(old, ignore_errors=True)


def main():
    argparse.ArgumentParser(description=__doc__.splitlines()[0]).parse_args()
    files = corpus()
    try:
        replace_corpus(files)
    except OSError as e:
        print('make-script-seeds: cannot write %s: %s' % (OUT, e.strerror or e), file=sys.stderr)
        return 1
    try:
        print('%d files in %s' % (len(files), OUT))
        sys.stdout.flush()
    except OSError as e:
        print('make-script-seeds: cannot write standard output: %s' % e.strerror, file=sys.stderr)
        # What could not be written goes nowhere, so the exit adds no second complaint.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
