// SPDX-License-Identifier: MIT
// The self-test's hash: published FNV-1a 64 values, a BigInt reference over random bytes,
// and the sample layout (interleaved float32 little-endian, left then right) across the
// hashing slices.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { fnv1a64Hex, hashInterleavedStereo } from '../../web/js/fnv1a.js';

function reference(bytes) {
  let value = 14695981039346656037n;
  for (const byte of bytes) value = BigInt.asUintN(64, (value ^ BigInt(byte)) * 1099511628211n);
  return value.toString(16).padStart(16, '0');
}

test('FNV-1a 64 gives the published values and the BigInt reference\'s', () => {
  const text = (s) => new TextEncoder().encode(s);
  assert.equal(fnv1a64Hex(text('')), 'cbf29ce484222325');
  assert.equal(fnv1a64Hex(text('a')), 'af63dc4c8601ec8c');
  assert.equal(fnv1a64Hex(text('foobar')), '85944171f73967e8');
  let seed = 7;
  const bytes = Uint8Array.from({ length: 5000 }, () => (seed = (seed * 1103515245 + 12345) >>> 0) >>> 24);
  assert.equal(fnv1a64Hex(bytes), reference(bytes));
  // Leading zero digits are kept: 16 digits always.
  for (let n = 0; n < 300; ++n) assert.equal(fnv1a64Hex(bytes.subarray(0, n)).length, 16);
});

test('a stereo render hashes as interleaved little-endian floats, left then right', () => {
  const frames = 16384 * 2 + 77; // beyond two slices
  const left = Float32Array.from({ length: frames }, (_, i) => Math.sin(i) * 0.5);
  const right = Float32Array.from({ length: frames }, (_, i) => (i % 3) - 1.5);
  right[5] = -0;
  // A NaN whose payload a trip through a JavaScript number could lose.
  new Uint32Array(right.buffer)[9] = 0x7fa00001;
  const bytes = new Uint8Array(frames * 8);
  const view = new DataView(bytes.buffer);
  const rightWords = new Uint32Array(right.buffer);
  for (let i = 0; i < frames; ++i) {
    view.setFloat32(8 * i, left[i], true);
    view.setUint32(8 * i + 4, rightWords[i], true);
  }
  assert.equal(hashInterleavedStereo(left, right), reference(bytes));
  assert.notEqual(hashInterleavedStereo(right, left), reference(bytes));
  assert.equal(hashInterleavedStereo(new Float32Array(0), new Float32Array(0)), 'cbf29ce484222325');
  assert.throws(() => hashInterleavedStereo(left, right.subarray(1)), RangeError);
});
