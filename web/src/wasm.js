// Loads the playground's WebAssembly module (the compiler and the simulator, built by
// Emscripten into wasm/lumo.js and wasm/lumo.wasm beside the page) in a window or a worker.
// The build stamps both URLs with a hash of the files, so a host that caches hard still
// never pairs a new page with an old module.
/* global __LUMO_WASM_VERSION__ */

export function moduleUrl(base) {
  return new URL(`wasm/lumo.js?v=${__LUMO_WASM_VERSION__}`, base).href;
}

export async function loadModule(url) {
  const { default: createLumo } = await import(/* @vite-ignore */ url);
  return createLumo({
    locateFile: (file) => new URL(`${file}?v=${__LUMO_WASM_VERSION__}`, url).href,
  });
}
