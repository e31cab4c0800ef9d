// SPDX-License-Identifier: MIT
// The page's audio worklet node: the processor of filter_worklet.js in `context`, set up by a
// list of core calls (FilterEngine.apply), its input up to two channels of whatever is
// connected to it, its output two channels.
export const kWorkletUrl = new URL('./filter_worklet.js', import.meta.url).href;

const modulesAdded = new WeakMap();

// Adds the worklet's module to the context once.
export function addFilterWorklet(context) {
  let added = modulesAdded.get(context);
  if (!added) {
    added = context.audioWorklet.addModule(kWorkletUrl);
    modulesAdded.set(context, added);
  }
  return added;
}

// `channels`: 1 when the audio to be played is mono, 2 when it is stereo (or wider: the
// first two channels are filtered).
export function createFilterNode(context, module, calls, filtered = true, channels = 1) {
  return new AudioWorkletNode(context, 'bramsoliket-filter', {
    numberOfInputs: 1,
    numberOfOutputs: 1,
    outputChannelCount: [2],
    // Up to two channels, taken as they are: a mono source gives one, a stereo source its
    // two, a wider one its first two (left and right).
    channelCount: 2,
    channelCountMode: 'clamped-max',
    channelInterpretation: 'discrete',
    processorOptions: { module, calls, filtered, channels: channelsOf(channels) },
  });
}

// The channels the filter processes for audio of `count` channels: 1 or 2.
export function channelsOf(count) {
  return count > 1 ? 2 : 1;
}

// Whether this browser can run the filter live: AudioWorklet exists only in secure contexts
// (https, or http from localhost) of browsers that implement it.
export function audioWorkletMissingReason() {
  if (typeof AudioContext !== 'function' || typeof OfflineAudioContext !== 'function') {
    return 'This browser has no Web Audio API.';
  }
  if (!window.isSecureContext) {
    return 'The page is not a secure context, so the browser offers no AudioWorklet: open it from ' +
      'http://localhost or http://127.0.0.1 on this machine, or over https.';
  }
  if (typeof AudioWorkletNode !== 'function' || !('audioWorklet' in AudioContext.prototype)) {
    return 'This browser has no AudioWorklet, which the filter runs in. A current Chromium, Firefox or ' +
      'Safari has it.';
  }
  return null;
}
