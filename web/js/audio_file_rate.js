// SPDX-License-Identifier: MIT
// The sample rate an audio file is stored at, read from its header, for the formats whose
// header says it where a few bytes tell: WAV (RIFF, RIFX, RF64), AIFF and AIFF-C, FLAC, Ogg
// Vorbis, Ogg Opus (always decoded at 48000 Hz) and MPEG audio (MP3). The page runs its audio
// context at that rate, so the browser decodes without resampling and the filter sees the
// file's own samples; for anything else it returns null.

function ascii(bytes, at, length) {
  return String.fromCharCode(...bytes.subarray(at, at + length));
}

function positiveRate(rate) {
  return Number.isFinite(rate) && rate > 0 ? rate : null;
}

function riffRate(bytes, view) {
  const littleEndian = ascii(bytes, 0, 4) !== 'RIFX';
  for (let at = 12; at + 8 <= bytes.length;) {
    const id = ascii(bytes, at, 4);
    const size = view.getUint32(at + 4, littleEndian);
    if (id === 'fmt ') return at + 16 <= bytes.length ? positiveRate(view.getUint32(at + 12, littleEndian)) : null;
    // RF64 keeps the real size of "data" elsewhere and writes 0xFFFFFFFF here; "fmt " comes
    // before it anyway.
    if (size === 0xffffffff) return null;
    at += 8 + size + (size & 1);
  }
  return null;
}

// An 80-bit IEEE 754 extended number: sign and exponent, then a 64-bit significand with an
// explicit leading bit.
function extended(view, at) {
  const exponent = view.getUint16(at) & 0x7fff;
  const high = view.getUint32(at + 2);
  const low = view.getUint32(at + 6);
  if (exponent === 0 && high === 0 && low === 0) return 0;
  const sign = view.getUint16(at) & 0x8000 ? -1 : 1;
  return sign * (high * 2 ** (exponent - 16383 - 31) + low * 2 ** (exponent - 16383 - 63));
}

function aiffRate(bytes, view) {
  for (let at = 12; at + 8 <= bytes.length;) {
    const id = ascii(bytes, at, 4);
    const size = view.getUint32(at + 4);
    if (id === 'COMM') return at + 26 <= bytes.length ? positiveRate(extended(view, at + 16)) : null;
    at += 8 + size + (size & 1);
  }
  return null;
}

function flacRate(bytes) {
  // "fLaC", then the STREAMINFO block's 4-byte header; the rate is 20 bits from byte 10 of
  // the block.
  if (bytes.length < 21 || (bytes[4] & 0x7f) !== 0) return null;
  return positiveRate((bytes[18] << 12) | (bytes[19] << 4) | (bytes[20] >> 4));
}

function oggRate(bytes, view) {
  // The first page's first packet: its segment table follows the 27-byte page header.
  if (bytes.length < 28) return null;
  const packet = 27 + bytes[26];
  if (ascii(bytes, packet, 7) === '\x01vorbis' && packet + 16 <= bytes.length) {
    return positiveRate(view.getUint32(packet + 12, true));
  }
  if (ascii(bytes, packet, 8) === 'OpusHead') return 48000;
  return null;
}

const kMpegRates = {
  3: [44100, 48000, 32000], // MPEG 1
  2: [22050, 24000, 16000], // MPEG 2
  0: [11025, 12000, 8000],  // MPEG 2.5
};

function mpegRate(bytes) {
  let at = 0;
  if (ascii(bytes, 0, 3) === 'ID3' && bytes.length >= 10) {
    // A tag before the audio: its size is 28 bits in four 7-bit bytes, after a 10-byte header
    // (and a 10-byte footer when flag 0x10 is set).
    at = 10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]) + (bytes[5] & 0x10 ? 10 : 0);
  }
  // The first frame header, where the file (or its tag) ends: 11 set sync bits, a version,
  // layer 1 to 3, a bit rate index from 1 to 14 and a rate index below 3. Nothing is searched
  // for, so that stray bytes of another kind of file are not taken for a frame.
  if (at + 3 > bytes.length || bytes[at] !== 0xff || (bytes[at + 1] & 0xe0) !== 0xe0) return null;
  const version = (bytes[at + 1] >> 3) & 3;
  const layer = (bytes[at + 1] >> 1) & 3;
  const bitrateIndex = bytes[at + 2] >> 4;
  const rateIndex = (bytes[at + 2] >> 2) & 3;
  if (version === 1 || layer === 0 || bitrateIndex === 0 || bitrateIndex === 15 || rateIndex === 3) return null;
  return kMpegRates[version][rateIndex];
}

// `data` is the file's bytes (an ArrayBuffer or a typed array over them).
export function sampleRateOfFile(data) {
  const bytes = data instanceof Uint8Array ? data : new Uint8Array(data.buffer ?? data, data.byteOffset ?? 0, data.byteLength);
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (bytes.length < 12) return null;
  const magic = ascii(bytes, 0, 4);
  if ((magic === 'RIFF' || magic === 'RIFX' || magic === 'RF64') && ascii(bytes, 8, 4) === 'WAVE') return riffRate(bytes, view);
  if (magic === 'FORM' && (ascii(bytes, 8, 4) === 'AIFF' || ascii(bytes, 8, 4) === 'AIFC')) return aiffRate(bytes, view);
  if (magic === 'fLaC') return flacRate(bytes);
  if (magic === 'OggS') return oggRate(bytes, view);
  return mpegRate(bytes);
}
