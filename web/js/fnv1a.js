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

// The hash of two channels of equal length as interleaved little-endian float32 samples,
// hashed a slice at a time so that a long render needs no second copy of itself.
export function hashInterleavedStereo(left, right) {
  if (left.length !== right.length) throw new RangeError('the channels differ in length');
  const kFramesPerSlice = 16384;
  const slice = new DataView(new ArrayBuffer(kFramesPerSlice * 8));
  const bytes = new Uint8Array(slice.buffer);
  const state = { high: 0xcbf29ce4, low: 0x84222325 };
  for (let start = 0; start < left.length; start += kFramesPerSlice) {
    const frames = Math.min(kFramesPerSlice, left.length - start);
    for (let i = 0; i < frames; ++i) {
      slice.setFloat32(8 * i, left[start + i], true);
      slice.setFloat32(8 * i + 4, right[start + i], true);
    }
    fnv1a64(bytes.subarray(0, frames * 8), state);
  }
  return hexOf(state);
}
