// SPDX-License-Identifier: MIT
// Turns a file's bytes into an AudioBuffer at the file's own rate: a WAV file read as
// libsndfile reads it (wav_reader.js), anything else decoded by the browser in a context at
// the rate the file's header gives (audio_file_rate.js), so that it is not resampled.
import { sampleRateOfFile } from './audio_file_rate.js';
import { readWav } from './wav_reader.js';

// `decodeInContext(bytes, rate)` decodes with the browser at `rate` (null where the header
// did not tell). Resolves to { buffer, decodedBy: "wav" | "browser", rateKnown }.
export async function loadAudio(bytes, decodeInContext) {
  const wav = readWav(bytes);
  if (wav) {
    const length = wav.channels[0].length;
    if (length === 0) throw new Error('the file holds no samples');
    const buffer = new AudioBuffer({ numberOfChannels: wav.channels.length, length, sampleRate: wav.sampleRate });
    wav.channels.forEach((samples, channel) => buffer.copyToChannel(samples, channel));
    return { buffer, decodedBy: 'wav', rateKnown: true };
  }
  const rate = sampleRateOfFile(bytes);
  return { buffer: await decodeInContext(bytes, rate), decodedBy: 'browser', rateKnown: rate !== null };
}
