// SPDX-License-Identifier: MIT
// The sample rate read from a file's header, which the page runs its audio at: files written
// by sox in every format it writes that the page reads, hand-made MP3 and Opus headers, and
// bytes that are no audio file.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { sampleRateOfFile } from '../../web/js/audio_file_rate.js';
import { withTemporaryFolder } from './support.mjs';

test('WAV, AIFF, AIFF-C, FLAC and Ogg Vorbis files written by sox at any rate', () => {
  withTemporaryFolder((folder) => {
    const files = [
      ['a.wav', ['-b', '16']], ['b.wav', ['-e', 'floating-point', '-b', '32']], ['c.wav', ['-b', '24', '-c', '6']],
      ['d.aiff', []], ['e.aifc', []], ['f.flac', []], ['g.ogg', []],
    ];
    for (const rate of [8000, 22050, 44100, 48000, 88200, 96000, 192000]) {
      for (const [name, options] of files) {
        if (name === 'g.ogg' && rate > 96000) continue; // beyond the Vorbis encoder's rates
        const path = join(folder, `${rate}-${name}`);
        execFileSync('sox', ['-V1', '-n', '-r', String(rate), ...options, path, 'synth', '0.05', 'sine', '440']);
        assert.equal(sampleRateOfFile(readFileSync(path)), rate, `${name} at ${rate} Hz`);
      }
    }
  });
});

test('chunks before the format chunk are skipped, RIFX is big-endian', () => {
  const riff = (form, chunks, bigEndian = false) => {
    const body = Buffer.concat([Buffer.from(form), ...chunks]);
    const header = Buffer.alloc(8);
    header.write(bigEndian ? 'RIFX' : 'RIFF');
    if (bigEndian) header.writeUInt32BE(body.length, 4);
    else header.writeUInt32LE(body.length, 4);
    return Buffer.concat([header, body]);
  };
  const chunk = (id, body, bigEndian = false) => {
    const header = Buffer.alloc(8);
    header.write(id);
    if (bigEndian) header.writeUInt32BE(body.length, 4);
    else header.writeUInt32LE(body.length, 4);
    return Buffer.concat([header, body, body.length % 2 ? Buffer.alloc(1) : Buffer.alloc(0)]);
  };
  const fmt = (rate, bigEndian = false) => {
    const body = Buffer.alloc(16);
    if (bigEndian) {
      body.writeUInt16BE(1, 0); body.writeUInt16BE(1, 2); body.writeUInt32BE(rate, 4);
    } else {
      body.writeUInt16LE(1, 0); body.writeUInt16LE(1, 2); body.writeUInt32LE(rate, 4);
    }
    return body;
  };
  assert.equal(sampleRateOfFile(riff('WAVE', [chunk('LIST', Buffer.from('odd')), chunk('fmt ', fmt(37800))])), 37800);
  assert.equal(sampleRateOfFile(riff('WAVE', [chunk('fmt ', fmt(32000, true), true)], true)), 32000);
  assert.equal(sampleRateOfFile(riff('WAVE', [chunk('data', Buffer.alloc(4))])), null, 'no format chunk');
  assert.equal(sampleRateOfFile(riff('WAVE', [chunk('fmt ', fmt(0))])), null, 'a rate of zero');
  assert.equal(sampleRateOfFile(riff('WAVE', [chunk('fmt ', fmt(44100))]).subarray(0, 26)), null, 'cut short');
});

test('MP3 after an ID3 tag, MPEG 2 and 2.5 rates, and Opus at 48 kHz', () => {
  const id3 = Buffer.from([0x49, 0x44, 0x33, 4, 0, 0, 0, 0, 1, 0]); // a tag of 128 bytes
  const frame = (versionBits, rateIndex) => Buffer.from([0xff, 0xe0 | (versionBits << 3) | (1 << 1) | 1, (9 << 4) | (rateIndex << 2), 0]);
  assert.equal(sampleRateOfFile(Buffer.concat([id3, Buffer.alloc(128), frame(3, 0), Buffer.alloc(64)])), 44100);
  assert.equal(sampleRateOfFile(Buffer.concat([frame(3, 1), Buffer.alloc(64)])), 48000);
  assert.equal(sampleRateOfFile(Buffer.concat([frame(2, 0), Buffer.alloc(64)])), 22050);
  assert.equal(sampleRateOfFile(Buffer.concat([frame(0, 2), Buffer.alloc(64)])), 8000);
  const oggPage = Buffer.alloc(28 + 19);
  oggPage.write('OggS');
  oggPage[26] = 1;
  oggPage[27] = 19;
  oggPage.write('OpusHead', 28);
  oggPage.writeUInt32LE(16000, 28 + 12); // the input's rate; decoders give 48 kHz
  assert.equal(sampleRateOfFile(oggPage), 48000);
});

test('bytes that are no audio file have no rate', () => {
  assert.equal(sampleRateOfFile(new Uint8Array(0)), null);
  assert.equal(sampleRateOfFile(Buffer.from('this is a text file, not a sound; really.')), null);
  assert.equal(sampleRateOfFile(Buffer.from('RIFF\x04\x00\x00\x00AVI LIST')), null);
  assert.equal(sampleRateOfFile(Buffer.from([0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0, 0, 0])), null);
  assert.equal(sampleRateOfFile(Buffer.from([0, 0xff, 0xfb, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 0])), null, 'no frame at the start');
  assert.equal(sampleRateOfFile(new ArrayBuffer(64)), null);
});
