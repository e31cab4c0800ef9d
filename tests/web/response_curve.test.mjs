// SPDX-License-Identifier: MIT
// The page's curve is the core's exact response, and bramsoliket-host's black-box measurement
// of the native module (`response --csv`, every FFT bin) agrees with it within 0.01 dB wherever
// the response is above -100 dB and within 60 dB of its peak (further down the measurement
// shows the filter's own float floor; tests/tools/exact_response_test.cpp says more), at both
// rates and for every kind of setting; and the plot's range follows the host's rules.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { FilterEngine } from '../../web/js/filter_engine.js';
import { exactResponse, isSilent, kCurvePoints, peakOf } from '../../web/js/response_curve.js';
import { plotRange } from '../../web/js/response_plot.js';
import { filterModule, runHost, setArguments, valuesWith, withTemporaryFolder } from './support.mjs';

function nativeResponse(folder, rate, settings) {
  const csv = join(folder, 'response.csv');
  runHost(['response', '-q', '-o', join(folder, 'response.png'), '--csv', csv, '--rate', String(rate),
    ...setArguments(settings)]);
  return readFileSync(csv, 'utf8').trim().split('\n').slice(1).map((line) => line.split(',').map(Number));
}

const settings = [
  {},
  { 0: 0.3, 1: 0.8, 3: 0.25, 4: 0.34 },          // resonant high-pass, 24 dB/Oct
  { 0: 0.15, 1: 1, 3: 0, 4: 1, 6: 1 },            // full resonance, 48 dB/Oct, +6 dB
  { 0: 0.45, 1: 0.5, 3: 0.5 },                    // band-pass
  { 0: 0.6, 1: 0.9, 3: 0.75, 2: 1 },              // resonant peak after the longest glide
  { 0: 0.4, 3: 0.25, 5: 0.35 },                   // dry and wet mixed
];

test('the host\'s measurement agrees with the page\'s curve within 0.01 dB at 44.1 and 48 kHz', () => {
  const engine = new FilterEngine(filterModule(), 512);
  withTemporaryFolder((folder) => {
    for (const rate of [44100, 48000]) {
      for (const setting of settings) {
        const native = nativeResponse(folder, rate, setting);
        const exact = engine.responseDecibels(valuesWith(engine, setting), native.map(([hz]) => hz / rate));
        const peak = Math.max(...exact);
        let worst = 0;
        let compared = 0;
        native.forEach(([, db], k) => {
          if (!(exact[k] > Math.max(-100, peak - 60))) return;
          compared += 1;
          worst = Math.max(worst, Math.abs(db - exact[k]));
        });
        assert.ok(compared > native.length / 20, `${JSON.stringify(setting)} at ${rate} Hz: ${compared} bins`);
        assert.ok(worst <= 0.01, `${JSON.stringify(setting)} at ${rate} Hz differs by up to ${worst} dB`);
      }
    }
  });
});

test('the curve spans 10 Hz to half the rate evenly on the logarithmic axis', () => {
  const engine = new FilterEngine(filterModule(), 512);
  const response = exactResponse(engine, valuesWith(engine, { 1: 0.8 }), 48000);
  assert.equal(response.frequencies.length, kCurvePoints);
  assert.ok(Math.abs(response.frequencies[0] - 10) < 1e-9);
  assert.ok(Math.abs(response.frequencies[kCurvePoints - 1] - 24000) < 1e-6);
  const ratio = response.frequencies[1] / response.frequencies[0];
  response.frequencies.forEach((hz, k) => {
    if (k > 0) assert.ok(Math.abs(hz / response.frequencies[k - 1] - ratio) < 1e-9);
  });
  // The default low-pass with resonance peaks near its "Freq", 5553 Hz at 48 kHz.
  const peak = peakOf(response);
  assert.ok(peak.hz > 4000 && peak.hz < 5600, `peak at ${peak.hz} Hz`);
});

test('a level of zero is silent, drawn along the bottom, as the host reports it', () => {
  const engine = new FilterEngine(filterModule(), 512);
  withTemporaryFolder((folder) => {
    const native = nativeResponse(folder, 44100, { 6: 0 });
    assert.ok(native.every(([, db]) => db === -400));
  });
  const response = exactResponse(engine, valuesWith(engine, { 6: 0 }), 44100);
  assert.ok(isSilent(response));
  assert.deepEqual(plotRange(response), { topDb: 10, bottomDb: 0 });
});

test('the plotted range follows the host\'s rules', () => {
  const engine = new FilterEngine(filterModule(), 512);
  const response = exactResponse(engine, valuesWith(engine, { 0: 0.3, 3: 0.25, 4: 1 }), 44100);
  // A 48 dB/Oct high-pass: its top is 3 dB over its peak rounded up to 10 dB, and at most
  // 100 dB are shown below that.
  const { topDb, bottomDb } = plotRange(response);
  assert.equal(topDb, Math.ceil((peakOf(response).db + 3) / 10) * 10);
  assert.equal(bottomDb, topDb - 100);
});
