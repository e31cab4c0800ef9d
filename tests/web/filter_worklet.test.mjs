// SPDX-License-Identifier: MIT
// The worklet processor run from node in a stand-in for the audio worklet's scope: each
// quantum reaches the core unchanged, the output is the core's or the dry input, a switch
// fades over one quantum, messages reach the core, and the meter reports the core's peaks.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { FilterEngine } from '../../web/js/filter_engine.js';
import { filterModule } from './support.mjs';

const scope = { processors: new Map() };
globalThis.sampleRate = 48000;
globalThis.currentFrame = 0;
globalThis.AudioWorkletProcessor = class {
  constructor() {
    this.posted = [];
    this.port = { postMessage: (message) => this.posted.push(message), onmessage: null };
  }
};
globalThis.registerProcessor = (name, constructor) => scope.processors.set(name, constructor);
await import('../../web/js/filter_worklet.js');
const Processor = scope.processors.get('bramsoliket-filter');

function makeProcessor(calls, filtered = true, channels = 1) {
  return new Processor({ processorOptions: { module: filterModule(), calls, filtered, channels } });
}

function signal(frames, seed) {
  return Float32Array.from({ length: frames }, (_, i) => Math.sin(i * 0.37 + seed) * 0.8);
}

// Runs `quanta` quanta of 128 frames of `input` (one channel, an array of channels, or null
// for no connection); returns the two output channels.
function run(processor, input, quanta, onQuantum = () => {}) {
  const left = new Float32Array(quanta * 128);
  const right = new Float32Array(quanta * 128);
  const channels = input === null ? [] : Array.isArray(input) ? input : [input];
  for (let q = 0; q < quanta; ++q) {
    onQuantum(q);
    globalThis.currentFrame = q * 128;
    const outputs = [[new Float32Array(128), new Float32Array(128)]];
    const inputs = [channels.map((channel) => channel.subarray(q * 128, (q + 1) * 128))];
    assert.equal(processor.process(inputs, outputs), true);
    left.set(outputs[0][0], q * 128);
    right.set(outputs[0][1], q * 128);
  }
  return { left, right };
}

test('the output is the core\'s own render of the input, quantum by quantum', () => {
  const calls = [['parameter', 0, 0.3], ['parameter', 1, 0.7], ['parameter', 3, 0.25]];
  const input = signal(128 * 40, 1);
  const out = run(makeProcessor(calls), input, 40);
  const reference = new FilterEngine(filterModule(), input.length);
  reference.apply(calls);
  reference.process(input, input.length);
  assert.deepEqual(out.left, reference.left.slice());
  assert.deepEqual(out.right, reference.right.slice());
});

test('dry passes the input, a switch fades over one quantum, and the filter keeps running', () => {
  const calls = [['parameter', 3, 0.5], ['parameter', 1, 0.6]];
  const input = signal(128 * 12, 2);
  const processor = makeProcessor(calls, false);
  const out = run(processor, input, 12, (q) => {
    if (q === 4) processor.port.onmessage({ data: { type: 'filtered', filtered: true } });
    if (q === 8) processor.port.onmessage({ data: { type: 'filtered', filtered: false } });
  });
  const reference = new FilterEngine(filterModule(), input.length);
  reference.apply(calls);
  reference.process(input, input.length);
  const wet = reference.left;
  for (let i = 0; i < 512; ++i) assert.equal(out.left[i], input[i], `dry frame ${i}`);
  // The fade's last frame is the filtered sample itself; from the next quantum on, exactly it.
  assert.equal(out.left[639], wet[639]);
  assert.notEqual(out.left[520], wet[520]);
  for (let i = 640; i < 1024; ++i) assert.equal(out.left[i], wet[i], `filtered frame ${i}`);
  assert.equal(out.left[1151], input[1151]);
  for (let i = 1152; i < 1536; ++i) assert.equal(out.left[i], input[i], `dry again, frame ${i}`);
  assert.deepEqual(out.left, out.right);
});

test('calls from the page reach the core between quanta; no input is silence', () => {
  const input = signal(128 * 6, 3);
  const processor = makeProcessor([]);
  const out = run(processor, input, 6, (q) => {
    if (q === 3) processor.port.onmessage({ data: { type: 'calls', calls: [['parameter', 3, 1], ['parameter', 6, 0.25]] } });
  });
  // Type "Thru" at half gain from frame 384 on.
  for (let i = 384; i < 768; ++i) assert.equal(out.left[i], Math.fround(0.5 * input[i]));
  const silent = run(processor, null, 2);
  assert.ok(silent.left.every((v) => v === 0));
});

test('the processor reports where it started and the core\'s peaks about 30 times a second', () => {
  const processor = makeProcessor([['parameter', 3, 1]]);
  const input = signal(128 * 30, 4);
  run(processor, input, 30);
  assert.deepEqual(processor.posted[0], { type: 'started', frame: 0 });
  const peaks = processor.posted.filter((m) => m.type === 'peak');
  // 48000 / 30 = 1600 frames, reached every 13th quantum.
  assert.equal(peaks.length, 2);
  let highest = -Infinity;
  for (let i = 0; i < 13 * 128; ++i) highest = Math.max(highest, input[i]);
  assert.equal(peaks[0].peak, highest);
});

test('stereo audio goes through the core\'s two-channel processing; dry and tail in both channels', () => {
  const calls = [['parameter', 0, 0.35], ['parameter', 1, 0.8], ['parameter', 4, 1]];
  const input = [signal(128 * 20, 5), signal(128 * 20, 6).map((v, i) => (i < 640 ? 0 : v * 0.5))];
  const processor = makeProcessor(calls, true, 2);
  const out = run(processor, input, 20, (q) => {
    if (q === 10) processor.port.onmessage({ data: { type: 'filtered', filtered: false } });
  });
  // Filtered again while the source has ended (one channel of silence), then without any
  // connection: the filter rings out in both channels.
  processor.port.onmessage({ data: { type: 'filtered', filtered: true } });
  const ended = run(processor, [new Float32Array(256)], 2);
  const unconnected = run(processor, null, 2);
  const reference = new FilterEngine(filterModule(), 128 * 24);
  reference.apply(calls);
  const withSilence = (channel) => Float32Array.from([...channel, ...new Float32Array(128 * 4)]);
  reference.processStereo(withSilence(input[0]), withSilence(input[1]), 128 * 24);
  const expect = (actual, from, count, expected, what) => {
    for (let i = 0; i < count; ++i) assert.equal(actual[from + i], expected[i], `${what}, frame ${from + i}`);
  };
  expect(out.left, 0, 1280, reference.left, 'left');
  expect(out.right, 0, 1280, reference.right, 'right');
  expect(out.left, 1408, 1152, input[0].subarray(1408), 'dry left');
  expect(out.right, 1408, 1152, input[1].subarray(1408), 'dry right');
  expect(ended.left, 128, 128, reference.left.subarray(128 * 21), 'left after the end');
  expect(ended.right, 128, 128, reference.right.subarray(128 * 21), 'right after the end');
  expect(unconnected.left, 0, 256, reference.left.subarray(128 * 22), 'left, unconnected');
  expect(unconnected.right, 0, 256, reference.right.subarray(128 * 22), 'right, unconnected');
  assert.notDeepEqual(unconnected.left, unconnected.right);
});

test('a message switches between mono and stereo audio', () => {
  const processor = makeProcessor([['parameter', 3, 1], ['parameter', 6, 0.25]]);
  const input = [signal(128 * 4, 7), signal(128 * 4, 8)];
  const mono = run(processor, input, 2);
  // Mono: the first channel, to both outputs (Thru at half gain).
  for (let i = 0; i < 256; ++i) {
    assert.equal(mono.left[i], Math.fround(0.5 * input[0][i]));
    assert.equal(mono.right[i], mono.left[i]);
  }
  processor.port.onmessage({ data: { type: 'channels', channels: 2 } });
  const stereo = run(processor, input.map((c) => c.subarray(256)), 2);
  for (let i = 0; i < 256; ++i) {
    assert.equal(stereo.left[i], Math.fround(0.5 * input[0][256 + i]));
    assert.equal(stereo.right[i], Math.fround(0.5 * input[1][256 + i]));
  }
});
