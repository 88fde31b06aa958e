#!/usr/bin/env python3
"""Writes the seed corpus in fuzz/corpus: runs a well-behaved host would
make (with and without the dialog, masks, 16-bit, Fireworks, After
Effects), and a few with hostile layouts, in the byte language that
fuzz/FuzzHost.cpp, fuzz/FuzzDialog.cpp and fuzz/FuzzPluginMain.cpp read.
Run from the repository root: python3 fuzz/make_seeds.py"""
import os
import struct

MODES = [1, 3, 10, 11, 1, 3, 10, 11, 3, 0, 2, 4, 7, 9, 12, 13, 16, 17, -1, 32767]
PLANES = [1, 2, 3, 4, 1, 3, 3, 4, 0, 5, 9, 16, -1, 8, -32768, 32767]
KINDS = [0, 3, 1, 8, 11, 0, 3, 7]
SELECTORS = [1, 2, 3, 4, 5, 3, 4, 3, 4, 0, 6, -1, 32767, -32768]


def side(n):
    return bytes([5, n - 1])  # "1 + TakeBelow(48)"


def policy(row='natural', value=0, column='natural', column_value=0):
    kinds = {'natural': 0, 'padded': 1, 'short': 2, 'zero': 3, 'negative': 4, 'any': 5}
    out = bytes([0 if row == 'natural' else 128 + ((kinds[row] - 128) % 6)])
    out += struct.pack('<i', value) if row == 'any' else bytes([max(value - 1, 0)])
    ckinds = {'natural': 0, 'zero': 1, 'negative': 2, 'any': 3}
    out += bytes([0 if column == 'natural' else 160 + ((ckinds[column] - 160) % 4)])
    if column == 'any':
        out += struct.pack('<i', column_value)
    return out


def seed(kind=3, dialog=False, rows=20, cols=16, mode=3, planes=3, suites=True, play=0,
         rect=(0, 0, 0), mask=False, transparency=False, policies=None, deliver_mask=True,
         params=None, script=None, steps=b'', dialog_moves=b''):
    out = bytes([KINDS.index(kind), 1 if dialog else 0])
    out += side(rows) + side(cols)
    out += bytes([MODES.index(mode), PLANES.index(planes)])
    out += bytes([1 if suites else 0, 0 if play == 1 else 1])
    out += bytes(rect)
    out += bytes([0 if mask else 1, 0 if transparency else 1, 1, 1])
    out += struct.pack('<hhh', 0, 0, -1)  # black on white
    out += bytes([1, 1, 0, 1])  # advanceState, abortProc, no extra channel, own sample size
    for p in (policies or [policy(), policy(), policy()]):
        out += p
    out += bytes([1 if deliver_mask else 0, 7, 1, 0, 1])  # fill, no failure, no cancel
    out += bytes([1])  # handle suite
    if params is None:
        out += bytes([0])
    else:
        out += bytes([1, 0]) + struct.pack('<h', params)
    if script is None:
        out += bytes([0])
    else:
        out += bytes([1, len(script)])
        for key, value in script:
            out += bytes([0]) + struct.pack('<I', key) + bytes([1, 0]) + struct.pack('<i', value)
    out += bytes([1])  # suites unspoilt
    return out + steps + dialog_moves


def call(*selectors):
    return b''.join(bytes([0, SELECTORS.index(s)]) for s in selectors)


AMNT = 0x416D6E74
seeds = {
    'plain-rgb': seed(steps=call(2, 3, 4, 5)),
    'scripted-amount': seed(script=[(AMNT, 4)], steps=call(2, 3, 4, 5)),
    'dialog-rgb': seed(dialog=True, suites=False, steps=call(1, 2, 3),
                       dialog_moves=bytes([3, 4, 3, 6, 0, 1, 3, 1, 1, 9, 0, 0, 0, 8, 9, 4, 1])
                       + call(4, 5)),
    'dialog-mask-gray16': seed(dialog=True, suites=False, mode=10, planes=1, mask=True,
                               steps=call(1, 2, 3),
                               dialog_moves=bytes([0, 0, 3, 60, 40, 2, 0, 1, 1, 1]) + call(4)),
    'mask-rgb48': seed(mode=11, planes=3, mask=True, steps=call(2, 3, 4, 5)),
    'fireworks-rgba': seed(kind=1, planes=4, params=20, steps=call(1, 2, 3, 4, 5)),
    'after-effects': seed(kind=11, planes=4, steps=call(3, 4, 3, 4)),
    'transparency-dialog': seed(dialog=True, suites=False, transparency=True,
                                steps=call(1, 3), dialog_moves=bytes([5, 5, 3, 20, 30, 1, 1, 1]) + call(4)),
    'short-rows': seed(policies=[policy('short', 3), policy(), policy()], steps=call(3, 4)),
    'zero-rows': seed(policies=[policy(), policy('zero'), policy()], steps=call(3, 4)),
    'negative-rows': seed(mask=True, policies=[policy(), policy(), policy('negative', 1)],
                          steps=call(3, 4)),
    'odd-columns': seed(policies=[policy(column='any', column_value=1000), policy(), policy()],
                        steps=call(3, 4)),
    'partly-outside-dialog': seed(dialog=True, suites=False, rect=(3, 3, 5), steps=call(1, 3),
                                  dialog_moves=bytes([1, 1, 3, 20, 20, 0, 1]) + call(4)),
    'selector-order': seed(steps=call(4, 5, 5, 3, 3, 4, 4, 6, -1)),
    'mask-without-data': seed(mask=True, deliver_mask=False, steps=call(3, 4)),
}
os.makedirs('fuzz/corpus', exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join('fuzz/corpus', 'seed-' + name), 'wb') as f:
        f.write(data)
