// SPDX-License-Identifier: MIT
// 64-bit FNV-1a (offset basis 14695981039346656037, prime 1099511628211) over bytes, as 16
// lower-case hex digits; and over a render's samples the way the self-test and the test
// suite hash it: interleaved 32-bit float little-endian, left then right.
//
// The 64-bit state is kept as two 32-bit halves in doubles, where every product below is
// exact: the prime is 2^40 + 435, so h * prime = h * 435 + (h << 40) modulo 2^64.

const kTwoTo32 = 4294967296;

export function fnv1a64(bytes, state = { high: 0xcbf29ce4, low: 0x84222325 }) {
  let { high, low } = state;
  for (let i = 0; i < bytes.length; ++i) {
    low = (low ^ bytes[i]) >>> 0;
    const lowProduct = low * 435;
    high = (high * 435 + Math.floor(lowProduct / kTwoTo32) + ((low << 8) >>> 0)) % kTwoTo32;
    low = lowProduct >>> 0;
  }
  state.high = high;
  state.low = low;
  return state;
}

export function hexOf(state) {
  return state.high.toString(16).padStart(8, '0') + state.low.toString(16).padStart(8, '0');
}

export function fnv1a64Hex(bytes) {
  return hexOf(fnv1a64(bytes));
}

const littleEndian = new Uint8Array(Uint32Array.of(1).buffer)[0] === 1;

// The 32-bit words of a float array: its samples' bits as stored, NaN payloads included.
function wordsOf(samples) {
  return new Uint32Array(samples.buffer, samples.byteOffset, samples.length);
}

// The hash of two channels of equal length as interleaved little-endian float32 samples,
// hashed a slice at a time so that a long render needs no second copy of itself. The
// samples' bits are copied as they are (reading them as numbers could change a NaN's).
export function hashInterleavedStereo(left, right) {
  if (left.length !== right.length) throw new RangeError('the channels differ in length');
  const kFramesPerSlice = 16384;
  const slice = new Uint32Array(kFramesPerSlice * 2);
  const bytes = new Uint8Array(slice.buffer);
  const leftWords = wordsOf(left);
  const rightWords = wordsOf(right);
  const state = { high: 0xcbf29ce4, low: 0x84222325 };
  for (let start = 0; start < left.length; start += kFramesPerSlice) {
    const frames = Math.min(kFramesPerSlice, left.length - start);
    for (let i = 0; i < frames; ++i) {
      slice[2 * i] = leftWords[start + i];
      slice[2 * i + 1] = rightWords[start + i];
    }
    if (!littleEndian) {
      const view = new DataView(slice.buffer);
      for (let i = 0; i < 2 * frames; ++i) view.setUint32(4 * i, slice[i], true);
    }
    fnv1a64(bytes.subarray(0, frames * 8), state);
  }
  return hexOf(state);
}
