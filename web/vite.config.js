// The page's build. web/CMakeLists.txt gives the folders: LUMO_WASM_PUBLIC holds wasm/lumo.js
// and wasm/lumo.wasm, copied beside the page as they are; LUMO_WEB_DIST receives the page.
import { createHash } from 'node:crypto';
import { existsSync, readFileSync } from 'node:fs';
import { resolve } from 'node:path';
import { defineConfig } from 'vite';

const publicDir = process.env.LUMO_WASM_PUBLIC || resolve(__dirname, '../build/web/public');
const outDir = process.env.LUMO_WEB_DIST || resolve(__dirname, '../build/web/dist');

function wasmVersion() {
  const hash = createHash('sha256');
  for (const file of ['wasm/lumo.js', 'wasm/lumo.wasm']) {
    const path = resolve(publicDir, file);
    if (existsSync(path)) hash.update(readFileSync(path));
  }
  return hash.digest('hex').slice(0, 12);
}

const version = wasmVersion();

// The module is asked for as soon as the page's HTML is read, not once its script has run.
const preloadModule = {
  name: 'lumo-preload-module',
  transformIndexHtml: () => [
    { tag: 'link', attrs: { rel: 'modulepreload', href: `./wasm/lumo.js?v=${version}` }, injectTo: 'head' },
    {
      tag: 'link',
      attrs: { rel: 'preload', href: `./wasm/lumo.wasm?v=${version}`, as: 'fetch', type: 'application/wasm', crossorigin: '' },
      injectTo: 'head',
    },
  ],
};

export default defineConfig({
  // Relative URLs, so that the folder works wherever a host puts it.
  base: './',
  publicDir,
  define: { __LUMO_WASM_VERSION__: JSON.stringify(version) },
  plugins: [preloadModule],
  build: { outDir, emptyOutDir: true, target: 'es2022' },
  worker: { format: 'es' },
  server: { fs: { allow: [resolve(__dirname, '..')] } },
});
