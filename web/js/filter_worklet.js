// SPDX-License-Identifier: MIT
// The audio worklet processor "bramsoliket-filter": the filter core, in an instance of its
// own, on the audio rendering thread. One input of up to two channels (the page connects it
// with channelCount 2, "clamped-max", "discrete": a mono source gives one channel, a stereo
// source its two, a wider one its first two), one output of two channels.
//
// Mono audio goes through the core's one-channel processing, whose two outputs are equal;
// stereo audio through its two-channel processing, each channel filtered as it would be
// alone, with one glide. The page says which the audio it plays is: the input's channels
// alone cannot tell, since a source that has ended gives one channel of silence, through
// which a stereo filter still rings out in both channels.
//
// Every render quantum goes through the core as it comes, frame for frame: the core sees
// exactly the samples the graph delivers, from the first quantum on, and nothing else. Where
// no source is connected (before playing, after the end) the input is silence and the
// filter rings out.
//
// processorOptions: { module: the compiled WebAssembly.Module, calls: the core calls that
// set the processor up (FilterEngine.apply), filtered: true to output the filtered signal,
// false for the dry one, channels: 1 for mono audio, 2 for stereo }. Messages on the port:
//   { type: "calls", calls }        more core calls (a control moved, a program chosen)
//   { type: "filtered", filtered }  switch between filtered and dry, with a one-quantum fade
//   { type: "channels", channels }  the audio to come is mono (1) or stereo (2)
// The processor posts { type: "started", frame } at its first quantum (the context's frame
// there: 0 in an offline render that gave the core every sample), and { type: "peak", peak }
// about 30 times a second: the highest filtered sample since the last report.
import { FilterEngine } from './filter_engine.js';

const kMeterReportsPerSecond = 30;
const kBlockFrames = 128;

class FilterWorkletProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const { module, calls = [], filtered = true, channels = 1 } = options.processorOptions;
    this.engine = new FilterEngine(module, kBlockFrames);
    this.engine.apply(calls);
    this.filtered = filtered;
    this.stereo = channels > 1;
    // The share of the filtered signal at the end of the last quantum: after a switch the
    // next quantum fades from it to the new one.
    this.wetShare = filtered ? 1 : 0;
    this.started = false;
    this.peak = -Infinity;
    this.framesSinceReport = 0;
    this.framesPerReport = Math.max(kBlockFrames, Math.round(sampleRate / kMeterReportsPerSecond));
    this.port.onmessage = ({ data }) => this.receive(data);
  }

  receive(message) {
    switch (message.type) {
      case 'calls':
        this.engine.apply(message.calls);
        break;
      case 'filtered':
        this.filtered = Boolean(message.filtered);
        break;
      case 'channels':
        this.stereo = message.channels > 1;
        break;
      default:
        break;
    }
  }

  process(inputs, outputs) {
    const [first = null, second = null] = inputs[0];
    const output = outputs[0];
    const frames = output[0].length;
    if (!this.started) {
      this.started = true;
      this.port.postMessage({ type: 'started', frame: currentFrame });
    }
    for (let offset = 0; offset < frames; offset += kBlockFrames) {
      const count = Math.min(kBlockFrames, frames - offset);
      const left = first ? first.subarray(offset, offset + count) : null;
      // The dry signal of each output channel: a mono source's one channel goes to both.
      const right = !this.stereo ? left : second ? second.subarray(offset, offset + count) : null;
      const peak = this.stereo ? this.engine.processStereo(left, right, count) : this.engine.process(left, count);
      if (peak > this.peak) this.peak = peak;
      output.forEach((channel, c) => {
        const filtered = (c === 0 ? this.engine.left : this.engine.right).subarray(0, count);
        this.writeBlock(channel.subarray(offset, offset + count), filtered, c === 0 ? left : right, count);
      });
    }
    this.wetShare = this.filtered ? 1 : 0;
    this.framesSinceReport += frames;
    if (this.framesSinceReport >= this.framesPerReport) {
      this.port.postMessage({ type: 'peak', peak: this.peak });
      this.peak = -Infinity;
      this.framesSinceReport = 0;
    }
    return true;
  }

  // One block of one output channel: the filtered samples as the core wrote them, the dry
  // input, or during a switch a linear fade from one to the other across the block.
  writeBlock(target, wet, dry, count) {
    const goal = this.filtered ? 1 : 0;
    if (this.wetShare === goal) {
      if (goal === 1) target.set(wet);
      else if (dry) target.set(dry);
      else target.fill(0);
      return;
    }
    for (let i = 0; i < count; ++i) {
      const share = this.wetShare + (goal - this.wetShare) * ((i + 1) / count);
      const drySample = dry ? dry[i] : 0;
      target[i] = drySample + (wet[i] - drySample) * share;
    }
  }
}

registerProcessor('bramsoliket-filter', FilterWorkletProcessor);
