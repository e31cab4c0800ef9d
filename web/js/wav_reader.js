// SPDX-License-Identifier: MIT
// Reads the samples of a WAV file as libsndfile reads them for bramsoliket-host and the
// hosts built on it, so the page renders a WAV file to the host's bits: integer samples are
// divided by 2^(bits-1) (8-bit ones are unsigned, less 128), 32-bit integers rounded to
// float first, doubles rounded to float. The browser's own decoder divides positive 16-bit
// samples by 32767 and negative ones by 32768, which no host does.
//
// PCM of 8, 16, 24 and 32 bits and IEEE float of 32 and 64 bits, little-endian RIFF, plain or
// WAVE_FORMAT_EXTENSIBLE. A data chunk cut short gives the whole frames it holds, as
// libsndfile does. Anything else (compressed WAV, RIFX, RF64, other formats) is null: the
// browser's decoder gets it.

const kPcm = 1;
const kFloat = 3;
const kExtensible = 0xfffe;

function ascii(bytes, at) {
  return String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
}

function sampleReader(view, tag, bits) {
  if (tag === kFloat && bits === 32) return (at) => view.getFloat32(at, true);
  if (tag === kFloat && bits === 64) return (at) => view.getFloat64(at, true);
  if (tag !== kPcm) return null;
  switch (bits) {
    case 8: return (at) => (view.getUint8(at) - 128) / 128;
    case 16: return (at) => view.getInt16(at, true) / 32768;
    case 24: return (at) => ((view.getUint8(at + 2) << 24) | (view.getUint8(at + 1) << 16) | (view.getUint8(at) << 8)) / 2 ** 31;
    case 32: return (at) => Math.fround(view.getInt32(at, true)) / 2 ** 31;
    default: return null;
  }
}

// { sampleRate, channels: [Float32Array, ...] } of a WAV file's bytes, or null.
export function readWav(data) {
  const bytes = data instanceof Uint8Array ? data : new Uint8Array(data);
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (bytes.length < 12 || ascii(bytes, 0) !== 'RIFF' || ascii(bytes, 8) !== 'WAVE') return null;
  let format = null;
  for (let at = 12; at + 8 <= bytes.length;) {
    const id = ascii(bytes, at);
    const size = view.getUint32(at + 4, true);
    const body = at + 8;
    if (id === 'fmt ' && size >= 16 && body + 16 <= bytes.length) {
      let tag = view.getUint16(body, true);
      if (tag === kExtensible && size >= 40 && body + 26 <= bytes.length) tag = view.getUint16(body + 24, true);
      format = {
        tag,
        channels: view.getUint16(body + 2, true),
        sampleRate: view.getUint32(body + 4, true),
        blockAlign: view.getUint16(body + 12, true),
        bits: view.getUint16(body + 14, true),
      };
    } else if (id === 'data') {
      if (!format) return null;
      const { tag, channels, sampleRate, blockAlign, bits } = format;
      const read = sampleReader(view, tag, bits);
      if (!read || channels === 0 || sampleRate === 0 || blockAlign !== channels * (bits / 8)) return null;
      const frames = Math.floor(Math.min(size, bytes.length - body) / blockAlign);
      const samples = Array.from({ length: channels }, () => new Float32Array(frames));
      const width = bits / 8;
      if (tag === kFloat && bits === 32) {
        // The bits as stored, a NaN's payload included (a trip through a number may lose it).
        const words = samples.map((channel) => new Uint32Array(channel.buffer));
        for (let frame = 0, position = body; frame < frames; ++frame) {
          for (let c = 0; c < channels; ++c, position += 4) words[c][frame] = view.getUint32(position, true);
        }
      } else {
        for (let frame = 0, position = body; frame < frames; ++frame) {
          for (let c = 0; c < channels; ++c, position += width) samples[c][frame] = read(position);
        }
      }
      return { sampleRate, channels: samples };
    }
    at = body + size + (size & 1);
  }
  return null;
}
