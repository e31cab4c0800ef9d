// SPDX-License-Identifier: MIT
// Renders an AudioBuffer through a fresh filter in an OfflineAudioContext at the buffer's own
// rate: what `bramsoliket-host render` gives for the same file and settings; a stereo buffer
// through the filter's two-channel processing, each channel as the host renders it alone. The context is
// exactly as long as the buffer and the source starts at frame 0, so the core sees the
// buffer's samples from its first quantum on and the render holds one output frame per
// input frame; the processor's report of the frame it started at proves the first part.
import { addFilterWorklet, createFilterNode } from './filter_node.js';

// `calls`: the core calls that set the fresh processor up, such as the seven values in index
// order. Resolves to the rendered two-channel AudioBuffer.
export async function renderThroughFilter(buffer, module, calls) {
  const context = new OfflineAudioContext({ numberOfChannels: 2, length: buffer.length, sampleRate: buffer.sampleRate });
  await addFilterWorklet(context);
  const node = createFilterNode(context, module, calls, true, buffer.numberOfChannels);
  const started = new Promise((resolve) => {
    node.port.onmessage = ({ data }) => {
      if (data.type === 'started') resolve(data.frame);
    };
  });
  const source = new AudioBufferSourceNode(context, { buffer });
  source.connect(node);
  node.connect(context.destination);
  source.start(0);
  const rendered = await context.startRendering();
  const firstFrame = await Promise.race([started, new Promise((resolve) => setTimeout(() => resolve(null), 5000))]);
  if (firstFrame !== 0) {
    throw new Error(firstFrame === null ? 'the filter never ran' : `the filter started at frame ${firstFrame}, not 0`);
  }
  return rendered;
}

// The values in index order as core calls, for a fresh processor.
export function parameterCalls(values) {
  return values.map((value, index) => ['parameter', index, value]);
}
