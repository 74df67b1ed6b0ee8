// Loads the playground's WebAssembly module in Node.js as the page does, from the files the
// build put beside the page, handing it the bytes of lumo.wasm (Node.js has no fetch of
// file URLs that Emscripten 3.1.6 would use).
import { closeSync, copyFileSync, mkdtempSync, openSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const scratch = mkdtempSync(join(tmpdir(), 'lumo-web-test-'));
process.on('exit', () => rmSync(scratch, { recursive: true, force: true }));

// lumo.js is an ES module; Node.js takes a .js file outside a package of type "module" for
// CommonJS, so it is imported through a copy named .mjs.
export async function loadModule(dist) {
  const copy = join(scratch, 'lumo.mjs');
  copyFileSync(join(dist, 'wasm', 'lumo.js'), copy);
  const { default: createLumo } = await import(pathToFileURL(copy).href);
  return createLumo({ wasmBinary: readFileSync(join(dist, 'wasm', 'lumo.wasm')) });
}

export function required(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} is not set (web/CMakeLists.txt sets it for CTest)`);
  return value;
}

let openInput = -1;

// A descriptor that reads `bytes` from the start, for a child's standard input.
export function stdinFile(bytes) {
  if (openInput >= 0) closeSync(openInput);
  const path = join(scratch, 'input');
  writeFileSync(path, bytes);
  openInput = openSync(path, 'r');
  return openInput;
}
