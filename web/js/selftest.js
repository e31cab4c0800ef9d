// SPDX-License-Identifier: MIT
// The self-test mode, for the test suite: index.html?selftest&input=FILE.wav&p0=0.3&p3=0.25
// fetches FILE from the page's server, reads it at its own rate as the page reads a file
// (audio_loading.js), renders it through a fresh filter offline (offline_render.js) with the
// given normalized values applied in index order (every other parameter at its default), and
// writes into the element with id "selftest" "frames N hash H": N the rendered frames (the
// file's), H the 64-bit FNV-1a of the render as interleaved float32 little-endian samples,
// left then right. The element reads "pending" until then and "error <reason>" on failure.
import { loadAudio } from './audio_loading.js';
import { hashInterleavedStereo } from './fnv1a.js';
import { renderThroughFilter } from './offline_render.js';

// The pN values in index order, as core calls; a value that is not a number, or an index
// beyond the parameters, is refused.
function requestedCalls(parameters, parameterCount) {
  for (const key of parameters.keys()) {
    const match = /^p(\d+)$/.exec(key);
    if (match && Number(match[1]) >= parameterCount) throw new Error(`no parameter ${match[1]}`);
  }
  const calls = [];
  for (let index = 0; index < parameterCount; ++index) {
    const text = parameters.get(`p${index}`);
    if (text === null) continue;
    const value = Number(text);
    if (text.trim() === '' || Number.isNaN(value)) throw new Error(`p${index}=${text} is not a number`);
    calls.push(['parameter', index, value]);
  }
  return calls;
}

async function selfTest(parameters, module, parameterCount) {
  const input = parameters.get('input');
  if (!input) throw new Error('no input= file given');
  const calls = requestedCalls(parameters, parameterCount);
  const response = await fetch(input);
  if (!response.ok) throw new Error(`cannot fetch ${input}: HTTP ${response.status}`);
  const bytes = await response.arrayBuffer();
  const { buffer } = await loadAudio(bytes, async (data, rate) => {
    if (rate === null) throw new Error(`cannot tell the sample rate of ${input}`);
    try {
      return await new OfflineAudioContext({ numberOfChannels: 1, length: 1, sampleRate: rate }).decodeAudioData(data);
    } catch (error) {
      throw new Error(`cannot decode ${input}: ${error?.message ?? error}`);
    }
  });
  const rendered = await renderThroughFilter(buffer, module, calls);
  return `frames ${rendered.length} hash ${hashInterleavedStereo(rendered.getChannelData(0), rendered.getChannelData(1))}`;
}

export async function runSelfTest(element, parameters, module, parameterCount) {
  try {
    element.textContent = await selfTest(parameters, module, parameterCount);
  } catch (error) {
    element.textContent = `error ${String(error?.message ?? error).replace(/\s+/g, ' ')}`;
  }
}
