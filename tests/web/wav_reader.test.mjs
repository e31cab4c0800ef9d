// SPDX-License-Identifier: MIT
// The page's WAV reader against libsndfile's reading in bramsoliket-host (the filter set to
// pass its input unchanged): every PCM width and both float widths, plain and extensible
// headers, several channels, and a file cut short, bit for bit.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { readWav } from '../../web/js/wav_reader.js';
import { floatsOf, readWav as readHostWav, runHost, withTemporaryFolder } from './support.mjs';

// Channel `channel` of `path` as the host reads it.
function hostChannel(folder, path, channel) {
  const output = join(folder, 'through.wav');
  runHost(['render', '-q', '-i', path, '-o', output, '--input-channel', String(channel), '--set', 'Type=1']);
  const samples = floatsOf(readHostWav(output).data);
  return samples.filter((_, i) => i % 2 === 0);
}

function assertSameBits(actual, expected, what) {
  assert.equal(actual.length, expected.length, `${what}: frames`);
  const a = new Uint32Array(actual.buffer, actual.byteOffset, actual.length);
  const e = new Uint32Array(expected.buffer, expected.byteOffset, expected.length);
  for (let i = 0; i < a.length; ++i) {
    if (a[i] !== e[i]) assert.fail(`${what}: frame ${i} is ${actual[i]}, libsndfile reads ${expected[i]}`);
  }
}

test('every sample width reads as libsndfile reads it', () => {
  withTemporaryFolder((folder) => {
    const kinds = [
      ['u8', ['-e', 'unsigned-integer', '-b', '8']],
      ['s16', ['-e', 'signed-integer', '-b', '16']],
      ['s24', ['-e', 'signed-integer', '-b', '24']],
      ['s32', ['-e', 'signed-integer', '-b', '32']],
      ['f32', ['-e', 'floating-point', '-b', '32']],
      ['f64', ['-e', 'floating-point', '-b', '64']],
    ];
    for (const [name, encoding] of kinds) {
      for (const channels of [1, 3]) {
        const path = join(folder, `${name}-${channels}.wav`);
        // Full-scale noise and a sine, dithered off, so every bit pattern of the width occurs.
        execFileSync('sox', ['-V1', '-D', '-n', '-r', '44100', '-c', String(channels), ...encoding, path,
          'synth', '0.2', 'whitenoise', 'vol', '0.99', ':', 'synth', '0.2', 'sine', '997']);
        const wav = readWav(readFileSync(path));
        assert.ok(wav, `${name} with ${channels} channels is read`);
        assert.equal(wav.sampleRate, 44100);
        assert.equal(wav.channels.length, channels);
        for (let c = 0; c < channels; ++c) assertSameBits(wav.channels[c], hostChannel(folder, path, c), `${name} channel ${c}`);
      }
    }
  });
});

test('a data chunk cut short gives its whole frames; what the reader leaves to the browser', () => {
  withTemporaryFolder((folder) => {
    const path = join(folder, 'cut.wav');
    execFileSync('sox', ['-V1', '-D', '-n', '-r', '48000', '-b', '16', '-c', '2', path, 'synth', '0.1', 'sine', '440']);
    const whole = readFileSync(path);
    const cut = join(folder, 'cut-short.wav');
    writeFileSync(cut, whole.subarray(0, whole.length - 1001)); // ends inside a frame
    const wav = readWav(readFileSync(cut));
    assert.equal(wav.channels[0].length, Math.floor((whole.length - 1001 - 44) / 4));
    assertSameBits(wav.channels[1], hostChannel(folder, cut, 1), 'the cut file');

    const ulaw = join(folder, 'ulaw.wav');
    execFileSync('sox', ['-V1', '-n', '-r', '8000', '-e', 'u-law', ulaw, 'synth', '0.1', 'sine', '440']);
    assert.equal(readWav(readFileSync(ulaw)), null, 'u-law is the browser\'s to decode');
    assert.equal(readWav(Buffer.from('RIFF\x04\x00\x00\x00WAVE')), null, 'no chunks');
    assert.equal(readWav(Buffer.from('FORM\x04\x00\x00\x00AIFF')), null, 'not a WAV file');
  });
});
