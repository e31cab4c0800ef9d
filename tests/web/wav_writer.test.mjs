// SPDX-License-Identifier: MIT
// The saved render's file: libsndfile (through bramsoliket-host, with the filter passing
// its input unchanged) and sox read it as the samples that went in, and the header says
// what they are.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { encodeFloatWav } from '../../web/js/wav_writer.js';
import { floatsOf, readWav, runHost, withTemporaryFolder } from './support.mjs';

test('libsndfile reads a saved file back as the same float samples', () => {
  withTemporaryFolder((folder) => {
    const frames = 12345;
    const left = Float32Array.from({ length: frames }, (_, i) => Math.sin(i / 3) * 0.9);
    const right = Float32Array.from({ length: frames }, (_, i) => (i % 17) / 17 - 0.5);
    left[7] = 1e-42; // a subnormal survives
    left[8] = -0;
    const saved = join(folder, 'saved.wav');
    writeFileSync(saved, Buffer.from(encodeFloatWav([left, right], 96000)));

    // Type "Thru" at unity level: the host's output is the file's first channel as
    // libsndfile decoded it.
    const through = join(folder, 'through.wav');
    runHost(['render', '-q', '-i', saved, '-o', through, '--set', 'Type=1']);
    const result = readWav(through);
    assert.equal(result.sampleRate, 96000);
    const samples = floatsOf(result.data);
    assert.equal(samples.length, 2 * frames);
    for (let i = 0; i < frames; ++i) {
      if (!Object.is(samples[2 * i], left[i])) assert.fail(`frame ${i}: ${samples[2 * i]}, saved ${left[i]}`);
    }

    const info = execFileSync('sox', ['--i', saved], { encoding: 'utf8' });
    assert.match(info, /Channels\s*: 2/);
    assert.match(info, /Sample Rate\s*: 96000/);
    assert.match(info, new RegExp(`= ${frames} samples`));
    assert.match(info, /Sample Encoding: 32-bit Floating Point PCM/);
  });
});

test('the header is that of a float WAV with a fact chunk, and impossible files are refused', () => {
  const bytes = Buffer.from(encodeFloatWav([Float32Array.of(0.5, -0.5)], 44100.4));
  assert.equal(bytes.toString('latin1', 0, 4), 'RIFF');
  assert.equal(bytes.readUInt32LE(4), bytes.length - 8);
  assert.equal(bytes.readUInt16LE(20), 3); // IEEE float
  assert.equal(bytes.readUInt32LE(24), 44100);
  assert.equal(bytes.toString('latin1', 38, 42), 'fact');
  assert.equal(bytes.readUInt32LE(46), 2);
  assert.equal(bytes.toString('latin1', 50, 54), 'data');
  assert.equal(bytes.readFloatLE(58), 0.5);
  assert.throws(() => encodeFloatWav([new Float32Array(3), new Float32Array(2)], 44100), RangeError);
  assert.throws(() => encodeFloatWav([], 44100), RangeError);
  // 2^29 stereo frames are 4 GiB of samples, beyond what the size fields hold.
  const huge = { length: 2 ** 29, buffer: null };
  assert.throws(() => encodeFloatWav([huge, huge], 44100), /do not fit in a WAV file/);
});
