// SPDX-License-Identifier: MIT
// The WebAssembly build of the core against the native VST module, run from node: the
// parameter table, the texts at several rates, the programs, and renders block by block.
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { FilterEngine } from '../../web/js/filter_engine.js';
import { encodeFloatWav } from '../../web/js/wav_writer.js';
import { filterModule, floatsOf, readWav, runHost, setArguments, valuesWith, withTemporaryFolder } from './support.mjs';

function nativeInfo(rate, settings) {
  return JSON.parse(runHost(['info', '--json', '--rate', String(rate), ...setArguments(settings)]));
}

// The text a user sees for a parameter the host lists: the field without padding, then the
// unit, except for a name (the type), which stands alone.
function expectedText(parameter) {
  const field = parameter.display.trim();
  return parameter.name === 'Type' ? field : `${field} ${parameter.label}`;
}

test('the parameter table is the native module\'s: names, units, defaults, programs', () => {
  const engine = new FilterEngine(filterModule());
  const native = nativeInfo(44100, {});
  assert.equal(engine.parameterCount, native.parameterCount);
  assert.equal(engine.programCount, native.programCount);
  native.parameters.forEach((parameter, index) => {
    const info = engine.parameterInfo(index);
    assert.equal(info.name, parameter.name);
    assert.equal(info.unit, parameter.label);
    assert.equal(info.defaultValue, parameter.value, `default of ${parameter.name}`);
  });
  assert.deepEqual(engine.parameterInfo(3).choices, 5);
  assert.deepEqual(engine.parameterInfo(4).choices, 4);
  assert.equal(engine.parameterInfo(0).choices, 0);
  // Each choice's value selects it, as the plug-ins' enumerations do.
  for (const [index, count] of [[3, 5], [4, 4]]) {
    for (let choice = 0; choice < count; ++choice) {
      assert.equal(engine.choiceOf(index, engine.choiceValue(index, choice)), choice);
    }
  }
  assert.equal(engine.choiceValue(4, 1), Math.fround(1 / 3));
  assert.equal(engine.programName, native.programs[0]);
});

test('every text equals the native module\'s at the rate it is shown for', () => {
  const engine = new FilterEngine(filterModule());
  const settings = [
    {},
    { 0: 0.3, 3: 0.25, 4: 0.34, 6: 0 },
    { 0: 0.97, 1: 0.81, 2: 0.0125, 3: 0.5, 4: 0.67, 5: 0.3, 6: 1 },
    { 0: 0, 1: 0.04, 3: 0.75, 4: 1, 6: 0.2 },
    { 0: 1, 3: 1, 6: 0.0001 },
  ];
  for (const rate of [22050, 44100, 48000, 96000]) {
    for (const setting of settings) {
      engine.resetProcessor();
      valuesWith(engine, setting).forEach((value, index) => engine.setParameter(index, value));
      nativeInfo(rate, setting).parameters.forEach((parameter, index) => {
        assert.equal(engine.displayText(index, rate), expectedText(parameter),
          `${parameter.name} at ${rate} Hz with ${JSON.stringify(setting)}`);
      });
    }
  }
  engine.setParameter(6, 0);
  assert.equal(engine.displayText(6, 44100), '-∞ dB');
  assert.throws(() => engine.displayText(7, 44100), RangeError);
});

test('programs keep their own values, as the plug-in\'s do', () => {
  const engine = new FilterEngine(filterModule());
  engine.setParameter(3, 0.25);
  engine.setProgram(1);
  assert.equal(engine.currentProgram, 1);
  assert.equal(engine.getParameter(3), 0, 'program 1 still holds the defaults');
  engine.setParameter(0, 0.2);
  engine.setProgram(0);
  assert.equal(engine.getParameter(3), 0.25);
  assert.equal(engine.getParameter(0), 0.5);
  engine.apply([['program', 1]]);
  assert.equal(engine.getParameter(0), Math.fround(0.2));
  assert.throws(() => engine.apply([['volume', 1]]), /unknown filter call/);
});

test('renders in blocks of 128, 100 and 512 frames equal the native render bit for bit', () => {
  withTemporaryFolder((folder) => {
    // Noise, an impulse and a loud stretch, at 48 kHz.
    const rate = 48000;
    const input = new Float32Array(30011);
    let seed = 12345;
    for (let i = 0; i < input.length; ++i) {
      seed = (seed * 1103515245 + 12345) >>> 0;
      input[i] = i === 100 ? 0.9 : i > 20000 ? Math.sin(i / 7) : (seed / 2 ** 32 - 0.5) * 0.6;
    }
    const source = join(folder, 'in.wav');
    writeFileSync(source, Buffer.from(encodeFloatWav([input], rate)));
    for (const settings of [{ 0: 0.3, 3: 0.25 }, { 0: 0.2, 1: 0.9, 2: 0.01, 4: 1, 6: 0.8 }, { 3: 0.75, 1: 0.7, 5: 0.4 }]) {
      const output = join(folder, 'out.wav');
      runHost(['render', '-q', '-i', source, '-o', output, ...setArguments(settings)]);
      const native = floatsOf(readWav(output).data);
      for (const block of [128, 100, 512]) {
        const engine = new FilterEngine(filterModule(), block);
        Object.entries(settings).forEach(([index, value]) => engine.setParameter(Number(index), value));
        for (let frame = 0; frame < input.length; frame += block) {
          const count = Math.min(block, input.length - frame);
          engine.process(input.subarray(frame, frame + count), count);
          for (let i = 0; i < count; ++i) {
            const at = 2 * (frame + i);
            if (!Object.is(engine.left[i], native[at]) || !Object.is(engine.right[i], native[at + 1])) {
              assert.fail(`${JSON.stringify(settings)} in blocks of ${block}: frame ${frame + i} is ` +
                `${engine.left[i]}, ${engine.right[i]}; native ${native[at]}, ${native[at + 1]}`);
            }
          }
        }
      }
    }
  });
});

test('a block longer than the buffers is refused, a short input is padded with silence', () => {
  const engine = new FilterEngine(filterModule(), 64);
  assert.throws(() => engine.process(null, 65), RangeError);
  engine.setParameter(3, 1); // Thru at unity level passes the input unchanged
  const peak = engine.process(Float32Array.of(0.25, -0.5), 4);
  assert.deepEqual(Array.from(engine.left.subarray(0, 4)), [0.25, -0.5, 0, 0]);
  assert.equal(peak, 0.25);
});
