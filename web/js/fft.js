// SPDX-License-Identifier: MIT
// The magnitudes of the discrete Fourier transform of a real signal, bins 0 to n/2, for n a
// power of two: an iterative radix-2 transform in double precision, with the twiddle factors
// computed directly (not by recurrence), so its error stays near that of FFTW, which the
// command-line host uses.

const twiddleCache = new Map();

function twiddles(n) {
  let table = twiddleCache.get(n);
  if (!table) {
    table = { cos: new Float64Array(n / 2), sin: new Float64Array(n / 2) };
    for (let k = 0; k < n / 2; ++k) {
      table.cos[k] = Math.cos((2 * Math.PI * k) / n);
      table.sin[k] = -Math.sin((2 * Math.PI * k) / n);
    }
    twiddleCache.set(n, table);
  }
  return table;
}

export function realSpectrumMagnitudes(signal) {
  const n = signal.length;
  if (n < 2 || (n & (n - 1)) !== 0) throw new RangeError(`the transform needs a power of two, not ${n}`);
  const re = new Float64Array(n);
  const im = new Float64Array(n);
  // Bit-reversed order, so the butterflies below work in place.
  const bits = Math.log2(n);
  for (let i = 0; i < n; ++i) {
    let reversed = 0;
    for (let b = 0, v = i; b < bits; ++b, v >>= 1) reversed = (reversed << 1) | (v & 1);
    re[reversed] = signal[i];
  }
  const { cos, sin } = twiddles(n);
  for (let size = 2; size <= n; size *= 2) {
    const half = size / 2;
    const stride = n / size;
    for (let start = 0; start < n; start += size) {
      for (let k = 0; k < half; ++k) {
        const wr = cos[k * stride];
        const wi = sin[k * stride];
        const a = start + k;
        const b = a + half;
        const tr = wr * re[b] - wi * im[b];
        const ti = wr * im[b] + wi * re[b];
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] += tr;
        im[a] += ti;
      }
    }
  }
  const magnitudes = new Float64Array(n / 2 + 1);
  for (let k = 0; k <= n / 2; ++k) magnitudes[k] = Math.hypot(re[k], im[k]);
  return magnitudes;
}
