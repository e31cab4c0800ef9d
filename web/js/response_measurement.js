// SPDX-License-Identifier: MIT
// The magnitude response of a setting, measured from the core as the command-line host
// measures it (tools/response/frequency_response.h), so the page's plot shows the host's numbers:
//   1. a fresh processor with the setting's values applied in index order;
//   2. silence until no stage glides any more (the host renders 320000 samples, the longest
//      glide and a margin; stopping at the end of the glide gives the same state sooner);
//   3. an impulse response of 65536 samples from cleared histories, its FFT divided by the
//      impulse's height, in dB (a gain of exactly zero as -400 dB);
//   4. the impulse as large as the filter stays linear for: from 0.5, halved until two
//      heights in a row agree within 0.02 dB wherever the response is within 30 dB of its
//      peak, the larger of the two; 0.01 is the smallest and is taken without a check.
import { realSpectrumMagnitudes } from './fft.js';

export const kSilenceDecibels = -400;

export const responseOptions = Object.freeze({
  fftSize: 65536,
  largestImpulseHeight: 0.5,
  smallestImpulseHeight: 1e-2,
  linearityToleranceDb: 0.02,
  linearityWindowDb: 30,
  // The slowest glide crosses 79 rows at 4000 samples each; one period more is a margin.
  settleFrames: 79 * 4000 + 4000,
});

// One impulse response's spectrum from the processor's present settings.
function measureImpulse(engine, height, sampleRate, options) {
  const n = options.fftSize;
  const block = engine.maxFrames;
  // The host's impulse is a float, and it divides by that float's value.
  const impulseHeight = Math.fround(height);
  const recorded = new Float64Array(n);
  const first = new Float32Array(Math.min(block, n));
  first[0] = impulseHeight;
  engine.suspend();
  for (let frame = 0; frame < n; frame += block) {
    const count = Math.min(block, n - frame);
    engine.process(frame === 0 ? first : null, count);
    recorded.set(engine.left.subarray(0, count), frame);
  }
  const magnitudes = realSpectrumMagnitudes(recorded);
  const decibels = new Float64Array(magnitudes.length);
  for (let k = 0; k < magnitudes.length; ++k) {
    const magnitude = magnitudes[k] / impulseHeight;
    decibels[k] = magnitude > 0 ? Math.max(kSilenceDecibels, 20 * Math.log10(magnitude)) : kSilenceDecibels;
  }
  return { sampleRate, fftSize: n, impulseHeight, decibels };
}

function agreeNearThePeak(larger, smaller, options) {
  let peak = -Infinity;
  for (const db of smaller.decibels) peak = Math.max(peak, db);
  if (peak <= kSilenceDecibels) return larger.decibels.every((db) => db <= kSilenceDecibels);
  for (let k = 0; k < smaller.decibels.length; ++k) {
    if (smaller.decibels[k] < peak - options.linearityWindowDb) continue;
    if (Math.abs(larger.decibels[k] - smaller.decibels[k]) > options.linearityToleranceDb) return false;
  }
  return true;
}

// The response of `values` (the seven normalized values) at `sampleRate`, measured on a new
// processor of `engine`: { sampleRate, fftSize, impulseHeight, decibels } with decibels[k]
// the gain at k * sampleRate / fftSize hertz, for k from 0 to fftSize / 2.
export function measureResponse(engine, values, sampleRate, options = responseOptions) {
  engine.resetProcessor();
  values.forEach((value, index) => engine.setParameter(index, value));
  for (let settled = 0; settled < options.settleFrames && engine.gliding; settled += engine.maxFrames) {
    engine.process(null, engine.maxFrames);
  }
  let larger = measureImpulse(engine, options.largestImpulseHeight, sampleRate, options);
  for (let height = options.largestImpulseHeight / 2; height >= options.smallestImpulseHeight; height /= 2) {
    const smaller = measureImpulse(engine, height, sampleRate, options);
    if (agreeNearThePeak(larger, smaller, options)) return larger;
    larger = smaller;
  }
  return measureImpulse(engine, options.smallestImpulseHeight, sampleRate, options);
}

// The gain in dB at `hz`, interpolated linearly between the neighbouring bins.
export function decibelsAt(response, hz) {
  const binWidth = response.sampleRate / response.fftSize;
  const last = response.decibels.length - 1;
  const position = Math.min(Math.max(hz / binWidth, 0), last);
  const below = Math.floor(position);
  const above = Math.min(below + 1, last);
  const share = position - below;
  return response.decibels[below] + share * (response.decibels[above] - response.decibels[below]);
}

export function isSilent(response) {
  return response.decibels.every((db) => db <= kSilenceDecibels);
}
