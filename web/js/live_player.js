// SPDX-License-Identifier: MIT
// Live playback through the filter: an AudioContext at the audio's own sample rate (so the
// browser neither resamples the file nor the filter runs at another rate than a render
// would), the filter's worklet node connected to the speakers, and a source node per play.
// The node lives as long as its context and keeps filtering silence between plays, so the
// filter rings out and the meter falls. A new rate makes a new context and a new node, set
// up with the page's whole state (both programs) by the calls `stateCalls()` returns.
import { addFilterWorklet, channelsOf, createFilterNode } from './filter_node.js';

export class LivePlayer {
  // `onPeak(peak)`: the filter's peak about 30 times a second; `onEnded()`: the audio ended.
  constructor(module, stateCalls, onPeak, onEnded) {
    this.module = module;
    this.stateCalls = stateCalls;
    this.onPeak = onPeak;
    this.onEnded = onEnded;
    this.context = null;
    this.node = null;
    this.source = null;
    this.filtered = true;
    this.channels = 1;
  }

  get sampleRate() {
    return this.context ? this.context.sampleRate : null;
  }

  get playing() {
    return this.source !== null;
  }

  // A context at `rate` (null: the browser's choice) with the filter node in it.
  async prepare(rate) {
    if (this.context && (rate === null || this.context.sampleRate === rate)) return;
    this.stop();
    if (this.context) await this.context.close();
    this.context = null;
    const context = new AudioContext(rate === null ? { latencyHint: 'playback' } : { sampleRate: rate, latencyHint: 'playback' });
    await addFilterWorklet(context);
    const node = createFilterNode(context, this.module, this.stateCalls(), this.filtered, this.channels);
    node.port.onmessage = ({ data }) => {
      if (data.type === 'peak') this.onPeak(data.peak);
    };
    node.connect(context.destination);
    this.context = context;
    this.node = node;
  }

  // Decodes a file's bytes in a context at `rate` (its own rate where known), which the
  // playback then runs at.
  async decode(bytes, rate) {
    await this.prepare(rate);
    return this.context.decodeAudioData(bytes);
  }

  async play(buffer) {
    await this.prepare(buffer.sampleRate);
    this.stop();
    // Mono audio through the filter's one-channel processing, stereo through its two.
    if (channelsOf(buffer.numberOfChannels) !== this.channels) {
      this.channels = channelsOf(buffer.numberOfChannels);
      this.node.port.postMessage({ type: 'channels', channels: this.channels });
    }
    await this.context.resume();
    const source = new AudioBufferSourceNode(this.context, { buffer });
    source.connect(this.node);
    source.onended = () => {
      if (this.source !== source) return;
      this.source = null;
      this.onEnded();
    };
    this.source = source;
    source.start();
  }

  stop() {
    if (!this.source) return;
    const source = this.source;
    this.source = null;
    source.stop();
    source.disconnect();
  }

  setFiltered(filtered) {
    this.filtered = filtered;
    this.node?.port.postMessage({ type: 'filtered', filtered });
  }

  // Core calls for the running filter: a control moved, a program chosen.
  send(calls) {
    this.node?.port.postMessage({ type: 'calls', calls });
  }
}
