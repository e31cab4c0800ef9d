// SPDX-License-Identifier: MIT
// The page: loads the filter module, builds the controls from its parameter table, and wires
// the audio (open a file or the test signal, play, filtered or dry, save the filtered render),
// the programs, the peak meter and the response plot. With ?selftest in the address it also
// runs the self-test (selftest.js).
import { loadAudio } from './audio_loading.js';
import { compileFilterModule, FilterEngine } from './filter_engine.js';
import { audioWorkletMissingReason } from './filter_node.js';
import { LivePlayer } from './live_player.js';
import { parameterCalls, renderThroughFilter } from './offline_render.js';
import { ParameterControls } from './parameter_controls.js';
import { ResponseView } from './response_view.js';
import { runSelfTest } from './selftest.js';
import { testSignalSamples } from './test_signal.js';
import { encodeFloatWav } from './wav_writer.js';

// The rate texts and the plot use until audio is loaded: the command-line host's default.
const kDefaultSampleRate = 44100;
const kMeterFloorDb = -60;

const $ = (id) => document.getElementById(id);

function showAlert(message) {
  const alert = $('alert');
  alert.textContent = message;
  alert.hidden = false;
}

function clearAlert() {
  $('alert').hidden = true;
  $('alert').textContent = '';
}

function setStatus(message) {
  $('status').textContent = message;
}

function secondsText(seconds) {
  return seconds >= 60 ? `${Math.floor(seconds / 60)} min ${(seconds % 60).toFixed(1)} s` : `${seconds.toFixed(1)} s`;
}

class Page {
  constructor(module) {
    this.module = module;
    this.engine = new FilterEngine(module);
    this.audio = null; // { buffer, name }
    this.controls = new ParameterControls($('parameters'), this.engine, (index, value) => {
      this.player?.send([['parameter', index, value]]);
      this.showResponse();
    });
    this.buildPrograms();
    this.response = new ResponseView($('response'), $('response-plot'), $('response-summary'), this.engine);
    this.player = null;
    const missing = audioWorkletMissingReason();
    if (missing) {
      showAlert(`${missing} The controls and the response plot work; playing and saving do not.`);
      for (const id of ['file', 'test-signal', 'play', 'save']) $(id).disabled = true;
      for (const radio of document.querySelectorAll('input[name="listen"]')) radio.disabled = true;
      setStatus('Playing needs AudioWorklet (see above).');
    } else {
      this.player = new LivePlayer(module, () => this.stateCalls(), (peak) => this.showPeak(peak), () => this.ended());
      this.wireAudio();
      setStatus('Open an audio file or use the test signal.');
    }
    this.showResponse();
  }

  get sampleRate() {
    return this.audio?.buffer.sampleRate ?? kDefaultSampleRate;
  }

  buildPrograms() {
    const select = $('program');
    // Both programs hold the defaults until the user changes one, so reading their names
    // by selecting each changes nothing.
    for (let program = 0; program < this.engine.programCount; ++program) {
      this.engine.setProgram(program);
      select.add(new Option(`${program + 1}: ${this.engine.programName}`, String(program)));
    }
    this.engine.setProgram(0);
    select.value = '0';
    select.addEventListener('change', () => {
      const program = Number(select.value);
      this.engine.setProgram(program);
      this.player?.send([['program', program]]);
      this.controls.refresh();
      this.showResponse();
    });
  }

  // Calls that give a fresh processor the page's whole state: each other program's values,
  // then the current program and its values.
  stateCalls() {
    const current = this.engine.currentProgram;
    const calls = [];
    const programs = [...Array(this.engine.programCount).keys()].filter((p) => p !== current).concat(current);
    for (const program of programs) {
      this.engine.setProgram(program);
      calls.push(['program', program], ...parameterCalls(this.engine.values()));
    }
    return calls;
  }

  showResponse() {
    this.response.show({
      values: this.engine.values(),
      sampleRate: this.sampleRate,
      title: `BRAMSOLIKET: magnitude response at ${Math.round(this.sampleRate)} Hz`,
      label: this.controls.describeChanges(),
    });
  }

  showPeak(peak) {
    const db = peak > 0 ? 20 * Math.log10(peak) : -Infinity;
    $('peak').value = Math.max(kMeterFloorDb, Math.min(0, db));
    $('peak-text').textContent = Number.isFinite(db) ? `${db.toFixed(1)} dB` : '-∞ dB';
  }

  wireAudio() {
    $('file').addEventListener('change', () => {
      const file = $('file').files[0];
      if (file) this.loadFile(file);
    });
    $('test-signal').addEventListener('click', () => this.loadTestSignal());
    $('play').addEventListener('click', () => this.togglePlay());
    $('save').addEventListener('click', () => this.save());
    for (const radio of document.querySelectorAll('input[name="listen"]')) {
      radio.addEventListener('change', () => this.player.setFiltered(radio.value === 'filtered' && radio.checked));
    }
  }

  setBusy(busy) {
    for (const id of ['file', 'test-signal']) $(id).disabled = busy;
    $('play').disabled = busy || !this.audio;
    $('save').disabled = busy || !this.audio;
  }

  async loadFile(file) {
    clearAlert();
    this.setBusy(true);
    setStatus(`Decoding “${file.name}”…`);
    try {
      const bytes = await file.arrayBuffer();
      let loaded;
      try {
        loaded = await loadAudio(bytes, (data, rate) => this.player.decode(data, rate));
      } catch (error) {
        throw new Error(`“${file.name}” could not be decoded as audio (${error?.message || error?.name || error}). ` +
          'The browser reads WAV, FLAC, Ogg Vorbis, Opus and MP3, among others; try one of those.');
      }
      const { buffer } = loaded;
      const resampled = loaded.rateKnown ? '' : ' (resampled by the browser: the file does not say its rate in a header this page reads)';
      const channels = buffer.numberOfChannels === 1 ? 'mono'
        : buffer.numberOfChannels === 2 ? 'stereo'
          : `${buffer.numberOfChannels} channels; the filter takes the first two (left and right)`;
      this.useAudio(buffer, file.name,
        `Loaded “${file.name}”: ${secondsText(buffer.duration)} at ${buffer.sampleRate} Hz${resampled}, ${channels}.`);
    } catch (error) {
      showAlert(error.message);
      setStatus(this.audio ? `Still loaded: “${this.audio.name}”.` : 'Open an audio file or use the test signal.');
    } finally {
      this.setBusy(false);
    }
  }

  async loadTestSignal() {
    clearAlert();
    this.setBusy(true);
    try {
      const samples = testSignalSamples(kDefaultSampleRate);
      const buffer = new AudioBuffer({ numberOfChannels: 1, length: samples.length, sampleRate: kDefaultSampleRate });
      buffer.copyToChannel(samples, 0);
      await this.player.prepare(kDefaultSampleRate);
      this.useAudio(buffer, 'test signal',
        'Loaded the test signal: 4 s at 44100 Hz, an impulse, white noise and a sine sweep from 20 Hz to 19.8 kHz.');
    } catch (error) {
      showAlert(`The test signal could not be prepared: ${error.message}`);
    } finally {
      this.setBusy(false);
    }
  }

  useAudio(buffer, name, status) {
    this.player.stop();
    this.ended();
    this.audio = { buffer, name };
    this.controls.refresh(buffer.sampleRate);
    this.showResponse();
    setStatus(status);
  }

  async togglePlay() {
    if (this.player.playing) {
      this.player.stop();
      this.ended();
      return;
    }
    try {
      await this.player.play(this.audio.buffer);
      $('play').textContent = 'Stop';
      $('play').setAttribute('aria-pressed', 'true');
    } catch (error) {
      showAlert(`Playing failed: ${error.message}`);
    }
  }

  ended() {
    $('play').textContent = 'Play';
    $('play').setAttribute('aria-pressed', 'false');
  }

  async save() {
    const { buffer, name } = this.audio;
    this.setBusy(true);
    setStatus(`Rendering “${name}” through the filter…`);
    try {
      const rendered = await renderThroughFilter(buffer, this.module, parameterCalls(this.engine.values()));
      const wav = encodeFloatWav([rendered.getChannelData(0), rendered.getChannelData(1)], rendered.sampleRate);
      const link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([wav], { type: 'audio/wav' }));
      link.download = `${name.replace(/\.[^.]*$/, '').replace(/\s+/g, '-')}-bramsoliket.wav`;
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
      setStatus(`Saved ${link.download}: ${rendered.length} frames at ${rendered.sampleRate} Hz, two channels of 32-bit float.`);
    } catch (error) {
      showAlert(`The render could not be saved: ${error.message}`);
    } finally {
      this.setBusy(false);
    }
  }
}

async function start() {
  const parameters = new URLSearchParams(location.search);
  const selftest = parameters.has('selftest');
  if (selftest) $('selftest-line').hidden = false;
  let module;
  try {
    module = await compileFilterModule(new URL('bramsoliket.wasm', document.baseURI));
  } catch (error) {
    showAlert(`The filter module could not be loaded: ${error.message}`);
    setStatus('The filter is not available.');
    if (selftest) $('selftest').textContent = `error the filter module could not be loaded: ${error.message}`;
    return;
  }
  const page = new Page(module);
  if (selftest) await runSelfTest($('selftest'), parameters, module, page.engine.parameterCount);
}

start();
