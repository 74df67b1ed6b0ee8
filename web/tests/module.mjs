// Loads the playground's WebAssembly module in Node.js as the page does, from the files the
// build put beside the page, handing it the bytes of lumo.wasm (Node.js has no fetch of
// file URLs that Emscripten 3.1.6 would use).
import { readFileSync } from 'node:fs';
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
