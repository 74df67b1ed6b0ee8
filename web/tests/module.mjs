// Loads the playground's WebAssembly module in Node.js as the page does, from the files the
// build put beside the page, handing it the bytes of lumo.wasm (Node.js has no fetch of
// file URLs that Emscripten 3.1.6 would use).
import { closeSync, mkdtempSync, openSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

export async function loadModule(dist) {
  const { default: createLumo } = await import(pathToFileURL(join(dist, 'wasm', 'lumo.mjs')).href);
  return createLumo({ wasmBinary: readFileSync(join(dist, 'wasm', 'lumo.wasm')) });
}

export function required(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set (web/CMakeLists.txt sets it for CTest)`);
  return value;
}

const scratch = mkdtempSync(join(tmpdir(), 'lumo-web-test-'));
let openInput = -1;
process.on('exit', () => rmSync(scratch, { recursive: true, force: true }));

// A descriptor that reads `bytes` from the start, for a child's standard input.
export function stdinFile(bytes) {
  if (openInput >= 0) closeSync(openInput);
  const path = join(scratch, 'input');
  writeFileSync(path, bytes);
  openInput = openSync(path, 'r');
  return openInput;
}
