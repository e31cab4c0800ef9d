// SPDX-License-Identifier: MIT
// The response the page plots: the core's exact response of a setting (FilterEngine's
// responseDecibels, the curve the plug-ins' inline display draws too) at frequencies spread
// evenly over the plot's logarithmic axis from 10 Hz to half the rate.
export const kLowestHz = 10;
// Two to a pixel of the plot's 1000.
export const kCurvePoints = 2000;

// { sampleRate, frequencies, decibels }: the gain in dB at each frequency in hertz, minus
// infinity where there is no output.
export function exactResponse(engine, values, sampleRate, points = kCurvePoints) {
  const lowLog = Math.log10(kLowestHz);
  const highLog = Math.log10(sampleRate / 2);
  const frequencies = new Float64Array(points);
  for (let k = 0; k < points; ++k) frequencies[k] = 10 ** (lowLog + ((highLog - lowLog) * k) / (points - 1));
  const decibels = engine.responseDecibels(values, frequencies.map((hz) => hz / sampleRate));
  return { sampleRate, frequencies, decibels };
}

// No output at any frequency (a level of zero).
export function isSilent(response) {
  return response.decibels.every((db) => !Number.isFinite(db));
}

// The highest gain and where it is.
export function peakOf(response) {
  let peak = { db: -Infinity, hz: 0 };
  response.decibels.forEach((db, k) => {
    if (db > peak.db) peak = { db, hz: response.frequencies[k] };
  });
  return peak;
}
