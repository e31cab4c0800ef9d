# SPDX-License-Identifier: MIT
# Writes nan_after_huge_block: one effect, Smooth 0, Dry/Wet 0.696, Level 1.0, a block of 14
# samples of 3.3895e38 and then 64 tiny ones (-2.9e-42). The limiter once turned the stage's
# overflowed sum into NaN, and the outputs of the tiny samples came out NaN.
#
# The bytes are the fuzz target's decisions as FuzzedDataProvider reads them: integral values
# are taken from the end of the data, most significant byte first, with as many bytes as the
# value's range needs. Run: python3 make_nan_after_huge_block.py nan_after_huge_block
import struct, sys
seq = []
def in_range(value, lo, hi):
    rng = hi - lo
    k = 0
    while rng >> (8 * k) > 0: k += 1
    raw = value - lo
    assert 0 <= raw <= rng
    seq.extend(raw.to_bytes(k, 'big') if k else b'')
def boolean(b): seq.append(1 if b else 0)
def u32(x): seq.extend(x.to_bytes(4, 'big'))
def fbits(f): return struct.unpack('<I', struct.pack('<f', f))[0]
def set_param(index, value):
    in_range(2, 0, 9)          # kind: setParameter
    boolean(True); in_range(index, -2, 8)
    in_range(2, 0, 2); u32(fbits(value))   # raw bits
def block(samples):
    in_range(4, 0, 9)          # kind: process
    boolean(False); in_range(len(samples), 0, 8192)
    boolean(False)             # replacing
    boolean(False)             # not in place
    in_range(0, 0, 2)          # recipe: raw bits
    in_range(0, 0, 8)          # amplitude (unused)
    u32(1)                     # seed (unused)
    for s in samples: u32(fbits(s))
    boolean(False)             # no special sample
in_range(0, 0, 9); in_range(1, 0, 3)   # create, version answer 2400
set_param(2, 0.0); set_param(5, 0.696); set_param(6, 1.0)
block([3.3895e38] * 14)
block([-2.9e-42] * 64)
open(sys.argv[1], 'wb').write(bytes(reversed(seq)))
