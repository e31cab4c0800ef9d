// SPDX-License-Identifier: MIT
// The page's audio worklet node: the processor of filter_worklet.js in `context`, set up by a
// list of core calls (FilterEngine.apply), its input the first channel of whatever is
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

export function createFilterNode(context, module, calls, filtered = true) {
  return new AudioWorkletNode(context, 'bramsoliket-filter', {
    numberOfInputs: 1,
    numberOfOutputs: 1,
    outputChannelCount: [2],
    // One channel, taken as is: a mono source passes unchanged, a stereo one gives its
    // first (left) channel, as the command-line host feeds a stereo file's first channel to
    // the filter's one input.
    channelCount: 1,
    channelCountMode: 'explicit',
    channelInterpretation: 'discrete',
    processorOptions: { module, calls, filtered },
  });
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
