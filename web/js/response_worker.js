// SPDX-License-Identifier: MIT
// Measures responses away from the page's thread: each takes a settle and up to seven
// impulse responses with their FFTs, tens of milliseconds that would stall the controls.
// Messages: { type: "module", module } once, then { type: "measure", id, values,
// sampleRate }, each answered with { type: "response", id, response } or
// { type: "failed", id, message }.
import { FilterEngine } from './filter_engine.js';
import { measureResponse } from './response_measurement.js';

// The host measures in blocks of 512 frames; the result does not depend on it.
const kBlockFrames = 512;
let engine = null;

self.onmessage = ({ data }) => {
  if (data.type === 'module') {
    engine = new FilterEngine(data.module, kBlockFrames);
    return;
  }
  if (data.type !== 'measure') return;
  try {
    if (!engine) throw new Error('the response worker has no filter module');
    const response = measureResponse(engine, data.values, data.sampleRate);
    self.postMessage({ type: 'response', id: data.id, response }, [response.decibels.buffer]);
  } catch (error) {
    self.postMessage({ type: 'failed', id: data.id, message: String(error?.message ?? error) });
  }
};
