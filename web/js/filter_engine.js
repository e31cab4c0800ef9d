// SPDX-License-Identifier: MIT
// One filter processor in its own instance of the WebAssembly module (bramsoliket.wasm, built
// from core/ by scripts/web.sh), with buffers in the module's memory for blocks of up to
// `maxFrames` frames. The audio worklet, the response worker and the page each make their
// own: an instance has its own memory and globals, and the core's glide pacing is a global
// shared by every processor of one instance, so a fresh instance is a fresh module as a host
// loads it.
//
// The module is plain WebAssembly without generated JavaScript; its one import (the C
// library's exit) only ever runs on a fatal error and is answered by throwing.

const kTextSize = 64;
// Made on first use: the audio worklet's scope has no TextDecoder, and needs no texts.
let textDecoder = null;
function decodeText(bytes) {
  textDecoder ??= new TextDecoder();
  return textDecoder.decode(bytes);
}

// Compiles the module at `url` (relative to the page): the bytes are fetched and compiled,
// which needs no particular MIME type from the server.
export async function compileFilterModule(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot load ${url}: HTTP ${response.status}`);
  return WebAssembly.compile(await response.arrayBuffer());
}

// Every import the module declares, answered by an error: the filter calls none of them on
// its audio path, and one that is called means the module has failed.
function importsFor(module) {
  const imports = {};
  for (const { module: name, name: field, kind } of WebAssembly.Module.imports(module)) {
    if (kind !== 'function') throw new Error(`the filter module imports a ${kind} ${name}.${field}`);
    imports[name] ??= {};
    imports[name][field] = (...args) => {
      throw new Error(`the filter module stopped: ${name}.${field}(${args.join(', ')})`);
    };
  }
  return imports;
}

export class FilterEngine {
  // A new instance of `module` (a WebAssembly.Module) with one processor loaded with
  // program 0. Synchronous, so the audio worklet can make one in its constructor.
  constructor(module, maxFrames = 128) {
    const instance = new WebAssembly.Instance(module, importsFor(module));
    this.exports = instance.exports;
    this.exports._initialize();
    this.maxFrames = maxFrames;
    const floats = (count) => {
      const address = this.exports.malloc(count * Float32Array.BYTES_PER_ELEMENT);
      if (address === 0) throw new Error('the filter module has no memory for its buffers');
      return new Float32Array(this.exports.memory.buffer, address, count);
    };
    this.input = floats(maxFrames);
    this.left = floats(maxFrames);
    this.right = floats(maxFrames);
    this.textAddress = this.exports.malloc(kTextSize);
    this.processor = 0;
    this.resetProcessor();
  }

  // Replaces the processor with a new one: program 0, every parameter at its default,
  // histories clear. The instance and its globals stay.
  resetProcessor() {
    if (this.processor !== 0) this.exports.bram_destroy(this.processor);
    this.processor = this.exports.bram_create();
    if (this.processor === 0) throw new Error('the filter module cannot allocate a processor');
  }

  get parameterCount() {
    return this.exports.bram_parameter_count();
  }

  get programCount() {
    return this.exports.bram_program_count();
  }

  // The parameter table's row: name, unit label, symbol, default, and the number of
  // settings of a stepped parameter (0 for a continuous one).
  parameterInfo(index) {
    const e = this.exports;
    return {
      index,
      name: this.string(e.bram_parameter_name(index)),
      unit: this.string(e.bram_parameter_unit(index)),
      symbol: this.string(e.bram_parameter_symbol(index)),
      defaultValue: e.bram_parameter_default(index),
      choices: e.bram_parameter_choice_count(index),
    };
  }

  setParameter(index, value) {
    this.exports.bram_set_parameter(this.processor, index, value);
  }

  // A choice's value (a type, a slope), and the choice a value selects.
  choiceValue(index, choice) {
    return this.exports.bram_choice_value(index, choice);
  }

  choiceOf(index, value) {
    return this.exports.bram_choice_of(index, value);
  }

  getParameter(index) {
    return this.exports.bram_get_parameter(this.processor, index);
  }

  // The seven values as the processor holds them.
  values() {
    return Array.from({ length: this.parameterCount }, (_, index) => this.getParameter(index));
  }

  // The text the parameter shows at `sampleRate`, with its unit: "5101.878 Hz", "LowPass".
  displayText(index, sampleRate) {
    const length = this.exports.bram_display_text(this.processor, index, sampleRate, this.textAddress, kTextSize);
    if (length < 0) throw new RangeError(`no parameter ${index}`);
    return this.bytesText(this.textAddress, length);
  }

  setProgram(program) {
    this.exports.bram_set_program(this.processor, program);
  }

  get currentProgram() {
    return this.exports.bram_current_program(this.processor);
  }

  get programName() {
    const length = this.exports.bram_program_name(this.processor, this.textAddress, kTextSize);
    return this.bytesText(this.textAddress, length);
  }

  suspend() {
    this.exports.bram_suspend(this.processor);
  }

  get gliding() {
    return this.exports.bram_is_gliding(this.processor) !== 0;
  }

  // Runs a list of core calls in order: ["parameter", index, value] or ["program", number].
  // The worklet's set-up and its messages use the same list.
  apply(calls) {
    for (const call of calls) {
      if (call[0] === 'parameter') this.setParameter(call[1], call[2]);
      else if (call[0] === 'program') this.setProgram(call[1]);
      else throw new Error(`unknown filter call ${JSON.stringify(call)}`);
    }
  }

  // Filters `frames` samples (at most maxFrames) of `input` (null for silence; a shorter
  // array is padded with silence) into this.left and this.right, and returns the block's
  // peak as the core gives it (the highest filtered sample, minus infinity for no frames).
  process(input, frames) {
    if (frames > this.maxFrames) throw new RangeError(`${frames} frames exceed the buffers of ${this.maxFrames}`);
    if (input) {
      const count = Math.min(frames, input.length);
      this.input.set(count === input.length ? input : input.subarray(0, count));
      this.input.fill(0, count, frames);
    } else {
      this.input.fill(0, 0, frames);
    }
    return this.exports.bram_process(this.processor, this.input.byteOffset, this.left.byteOffset,
      this.right.byteOffset, frames);
  }

  // The exact response of `values` (the seven normalized values) once its glides have ended,
  // in dB, at `normalizedFrequencies` (fractions of the sample rate): the core's own curve.
  responseDecibels(values, normalizedFrequencies) {
    const e = this.exports;
    const count = normalizedFrequencies.length;
    const valuesAddress = e.malloc(values.length * Float32Array.BYTES_PER_ELEMENT);
    const frequenciesAddress = e.malloc(count * Float64Array.BYTES_PER_ELEMENT);
    const decibelsAddress = e.malloc(count * Float64Array.BYTES_PER_ELEMENT);
    try {
      if (!valuesAddress || !frequenciesAddress || !decibelsAddress) {
        throw new Error('the filter module has no memory for the response');
      }
      new Float32Array(e.memory.buffer, valuesAddress, values.length).set(values);
      new Float64Array(e.memory.buffer, frequenciesAddress, count).set(normalizedFrequencies);
      e.bram_response_decibels(valuesAddress, frequenciesAddress, count, decibelsAddress);
      return new Float64Array(e.memory.buffer, decibelsAddress, count).slice();
    } finally {
      e.free(decibelsAddress);
      e.free(frequenciesAddress);
      e.free(valuesAddress);
    }
  }

  string(address) {
    const bytes = new Uint8Array(this.exports.memory.buffer, address);
    return decodeText(bytes.subarray(0, bytes.indexOf(0)));
  }

  bytesText(address, length) {
    return decodeText(new Uint8Array(this.exports.memory.buffer, address, length));
  }
}
