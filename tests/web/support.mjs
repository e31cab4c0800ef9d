// SPDX-License-Identifier: MIT
// What the page's module tests share: the built WebAssembly module, the native host and
// module to compare with, and temporary folders. scripts/test-web.sh sets the paths; the
// defaults are the default build's.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';

const root = resolve(new URL('../..', import.meta.url).pathname);
export const webBuild = process.env.BRAMSOLIKET_WEB_BUILD ?? join(root, 'build/web');
export const host = process.env.BRAMSOLIKET_HOST ?? join(root, 'build/default/bramsoliket-host');
export const nativeModule = process.env.BRAMSOLIKET_MODULE ?? join(root, 'build/default/BRAMSOLIKET.so');

let compiled = null;
export function filterModule() {
  compiled ??= new WebAssembly.Module(readFileSync(join(webBuild, 'bramsoliket.wasm')));
  return compiled;
}

export function runHost(args) {
  return execFileSync(host, [args[0], '--plugin', nativeModule, ...args.slice(1)], {
    encoding: 'utf8',
    stdio: ['ignore', 'pipe', 'pipe'],
  });
}

// --set arguments for {index: value}, in index order.
export function setArguments(settings) {
  return Object.keys(settings)
    .map(Number)
    .sort((a, b) => a - b)
    .flatMap((index) => ['--set', `${index}=${settings[index]}`]);
}

// The seven values of a fresh processor with `settings` applied.
export function valuesWith(engine, settings) {
  return Array.from({ length: engine.parameterCount }, (_, index) =>
    index in settings ? settings[index] : engine.parameterInfo(index).defaultValue);
}

export function withTemporaryFolder(body) {
  const folder = mkdtempSync(join(tmpdir(), 'bramsoliket-web-test-'));
  try {
    return body(folder);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// The data chunk of a WAV file and its format fields.
export function readWav(path) {
  const bytes = readFileSync(path);
  const result = {};
  for (let at = 12; at + 8 <= bytes.length;) {
    const id = bytes.toString('latin1', at, at + 4);
    const size = bytes.readUInt32LE(at + 4);
    if (id === 'fmt ') {
      Object.assign(result, {
        format: bytes.readUInt16LE(at + 8),
        channels: bytes.readUInt16LE(at + 10),
        sampleRate: bytes.readUInt32LE(at + 12),
        bits: bytes.readUInt16LE(at + 22),
      });
    } else if (id === 'data') {
      result.data = bytes.subarray(at + 8, at + 8 + size);
    }
    at += 8 + size + (size & 1);
  }
  return result;
}

export function floatsOf(buffer) {
  const copy = Uint8Array.from(buffer);
  return new Float32Array(copy.buffer);
}
