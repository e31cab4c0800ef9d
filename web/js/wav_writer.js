// SPDX-License-Identifier: MIT
// A WAV file of 32-bit float samples (format 3, IEEE float), channels interleaved, with the
// "fact" chunk that files of a non-PCM format carry: what `bramsoliket-host render` writes,
// so a saved render opens wherever the host's renders do.

const kMaximumRiffSize = 0xffffffff;

export function encodeFloatWav(channels, sampleRate) {
  const channelCount = channels.length;
  const frames = channelCount > 0 ? channels[0].length : 0;
  if (channelCount === 0 || channels.some((channel) => channel.length !== frames)) {
    throw new RangeError('a WAV file needs one or more channels of equal length');
  }
  const dataBytes = frames * channelCount * 4;
  const headerBytes = 12 + (8 + 18) + (8 + 4) + 8;
  if (headerBytes - 8 + dataBytes > kMaximumRiffSize) {
    throw new RangeError(`${frames} frames of ${channelCount} channels do not fit in a WAV file (4 GiB at most)`);
  }
  const rate = Math.round(sampleRate);
  const buffer = new ArrayBuffer(headerBytes + dataBytes);
  const view = new DataView(buffer);
  let at = 0;
  const text = (chars) => {
    for (const c of chars) view.setUint8(at++, c.charCodeAt(0));
  };
  const u16 = (v) => { view.setUint16(at, v, true); at += 2; };
  const u32 = (v) => { view.setUint32(at, v, true); at += 4; };

  text('RIFF'); u32(headerBytes - 8 + dataBytes); text('WAVE');
  text('fmt '); u32(18);
  u16(3);                          // IEEE float
  u16(channelCount);
  u32(rate);
  u32(rate * channelCount * 4);    // bytes per second
  u16(channelCount * 4);           // bytes per frame
  u16(32);                         // bits per sample
  u16(0);                          // no extension
  text('fact'); u32(4); u32(frames);
  text('data'); u32(dataBytes);
  // The samples' bits as stored, so that even a NaN's payload reaches the file unchanged.
  const words = channels.map((channel) => new Uint32Array(channel.buffer, channel.byteOffset, channel.length));
  for (let frame = 0; frame < frames; ++frame) {
    for (let c = 0; c < channelCount; ++c) {
      view.setUint32(at, words[c][frame], true);
      at += 4;
    }
  }
  return buffer;
}
