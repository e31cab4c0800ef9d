// SPDX-License-Identifier: MIT
// The built-in test signal, made as the command-line host makes it (docs/host-tool.md): at
// rate R, one channel of 4 s:
//   0 s to 1 s  0.5 at the first sample, then silence (the filter's impulse response);
//   1 s to 2 s  white noise in [-0.25, 0.25) from xorshift32 seeded with 0x2545F491;
//   2 s to 4 s  a logarithmic sine sweep of amplitude 0.5 from 20 Hz to min(20000, 0.45 R).
// Every value is formed in double precision and rounded to float once. The impulse and the
// noise are the host's to the bit; the sweep comes from the browser's sine and exponential,
// which may differ from the C library's in the last bit of a sample.

export function testSignalSamples(sampleRate) {
  const noiseStart = Math.round(sampleRate);
  const sweepStart = Math.round(2 * sampleRate);
  const end = Math.round(4 * sampleRate);
  const samples = new Float32Array(end);
  samples[0] = 0.5;
  let state = 0x2545f491;
  for (let frame = noiseStart; frame < sweepStart; ++frame) {
    state = (state ^ (state << 13)) >>> 0;
    state = (state ^ (state >>> 17)) >>> 0;
    state = (state ^ (state << 5)) >>> 0;
    samples[frame] = (state / 4294967296 - 0.5) * 0.5;
  }
  const startHz = 20;
  const endHz = Math.min(20000, 0.45 * sampleRate);
  const seconds = 2;
  const logRatio = Math.log(endHz / startHz);
  for (let frame = sweepStart; frame < end; ++frame) {
    const t = (frame - sweepStart) / sampleRate;
    const phase = ((2 * Math.PI * startHz * seconds) / logRatio) * (Math.exp((t * logRatio) / seconds) - 1);
    samples[frame] = 0.5 * Math.sin(phase);
  }
  return samples;
}
