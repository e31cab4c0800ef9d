// SPDX-License-Identifier: MIT
// The page's response measurement against bramsoliket-host's (`response --csv`, every FFT
// bin): the same impulse responses of the same core, so the curves agree to the CSV's six
// decimals wherever there is signal, at both rates and for every kind of setting.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { FilterEngine } from '../../web/js/filter_engine.js';
import { decibelsAt, isSilent, kSilenceDecibels, measureResponse } from '../../web/js/response_measurement.js';
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

test('responses equal the host\'s bin for bin at 44.1 and 48 kHz', () => {
  const engine = new FilterEngine(filterModule(), 512);
  withTemporaryFolder((folder) => {
    for (const rate of [44100, 48000]) {
      for (const setting of settings) {
        const native = nativeResponse(folder, rate, setting);
        const response = measureResponse(engine, valuesWith(engine, setting), rate);
        assert.equal(response.decibels.length, native.length);
        // The CSV keeps six decimals. Far below the peak both FFTs' rounding shows: the two
        // sums of 65536 terms differ in their last bits, which at 180 dB down is 1e-5 dB.
        const peak = Math.max(...native.map(([, db]) => db));
        let worst = 0;
        native.forEach(([hz, db], k) => {
          assert.ok(Math.abs(hz - (k * rate) / response.fftSize) < 1e-5);
          const difference = Math.abs(db - response.decibels[k]);
          if (db > peak - 120) worst = Math.max(worst, difference);
          else if (db > -300) assert.ok(difference < 1e-3, `bin ${k} at ${db} dB differs by ${difference} dB`);
        });
        assert.ok(worst < 2e-6, `${JSON.stringify(setting)} at ${rate} Hz differs by up to ${worst} dB`);
      }
    }
  });
});

test('a level of zero is silent, drawn along the bottom, as the host reports it', () => {
  const engine = new FilterEngine(filterModule(), 512);
  withTemporaryFolder((folder) => {
    const native = nativeResponse(folder, 44100, { 6: 0 });
    assert.ok(native.every(([, db]) => db === kSilenceDecibels));
  });
  const response = measureResponse(engine, valuesWith(engine, { 6: 0 }), 44100);
  assert.ok(isSilent(response));
  assert.deepEqual(plotRange(response), { topDb: 10, bottomDb: 0 });
});

test('the plotted range and interpolated gains follow the host\'s rules', () => {
  const engine = new FilterEngine(filterModule(), 512);
  const response = measureResponse(engine, valuesWith(engine, { 0: 0.3, 3: 0.25, 4: 1 }), 44100);
  // A 48 dB/Oct high-pass: its top is 3 dB over its peak rounded up to 10 dB, and at most
  // 100 dB are shown below that.
  const { topDb, bottomDb } = plotRange(response);
  let peak = -Infinity;
  response.decibels.forEach((db, k) => {
    if ((k * 44100) / response.fftSize >= 10) peak = Math.max(peak, db);
  });
  assert.equal(topDb, Math.ceil((peak + 3) / 10) * 10);
  assert.equal(bottomDb, topDb - 100);
  const binHz = 44100 / response.fftSize;
  assert.equal(decibelsAt(response, 100 * binHz), response.decibels[100]);
  assert.ok(Math.abs(decibelsAt(response, 100.5 * binHz) - (response.decibels[100] + response.decibels[101]) / 2) < 1e-12);
  assert.equal(decibelsAt(response, 1e9), response.decibels[response.decibels.length - 1]);
});
