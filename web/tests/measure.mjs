// The playground's figures, measured in headless Chromium on the built page served by
// python3 -m http.server: compile times, a run of ten million instructions, the size of the
// WebAssembly files, and how soon the page is ready. It prints them; it checks nothing,
// since timings depend on the machine.
//
//   node web/tests/measure.mjs <build>/web/dist <build>/bin/benchgen
import { spawnSync } from 'node:child_process';
import { readFileSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { launch, serve } from './browser.mjs';

const [dist, benchgen] = process.argv.slice(2);
if (!dist || !benchgen) {
  console.error('usage: node measure.mjs DIST_FOLDER BENCHGEN');
  process.exit(2);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const link = (url, text) => `${url}#code=${Buffer.from(text).toString('base64url')}`;

// A program of 100 lines as a student writes them: a few names, a loop, ifs, arithmetic.
function hundredLines() {
  const lines = ['int i;', 'int total;', 'int step = 3;', 'bool odd;', 'const string nl = "\\n";', '{', 'while (i < 40) {'];
  for (let k = 0; lines.length < 97; k++) {
    if (k % 3 === 0) lines.push(`total = total + (i * ${k + 2}) % 7 - step;`);
    else if (k % 3 === 1) lines.push(`if (total > ${100 + k}) { total = total - ${k + 1}; } else { total = total + 1; };`);
    else lines.push(`odd = !(i % 2 == 0) && (total < ${500 + k});`);
  }
  lines.push('i = i + 1;', '};', 'cout << total; cout << nl;', '}');
  return lines.slice(0, 100).join('\n') + '\n';
}

async function ready(page) {
  await page.waitForSelector('body[data-ready="true"][data-compiling="done"]', { timeout: 30000 });
}

// Compile times of the program in the link: the first, then the median of recompilations
// after a blank typed at its end.
async function compileTimes(context, url, text, rounds) {
  const page = await context.newPage();
  await page.goto(link(url, text));
  await ready(page);
  const compile = [];
  const update = [];
  await page.getByRole('textbox', { name: 'Lumo source' }).click();
  await page.keyboard.press('Control+End');
  for (let i = 0; i < rounds; i++) {
    await page.keyboard.type(' ');
    await page.waitForSelector('body[data-compiling="done"]');
    const times = await page.evaluate(() => [Number(document.body.dataset.compileMs), Number(document.body.dataset.updateMs)]);
    compile.push(times[0]);
    update.push(times[1]);
  }
  await page.close();
  return { compile: median(compile), update: median(update) };
}

// Ten million instructions: a loop that never ends, stopped by the step limit. While it
// runs, the page's own thread is sampled: the longest gap between its timer ticks.
async function longRun(context, url) {
  const page = await context.newPage();
  await page.goto(link(url, 'int i;\n{\n    while (true) {\n        i = i + 1;\n        if (i > 30000) { i = 0; };\n    };\n}\n'));
  await ready(page);
  await page.getByLabel('Step limit').fill('10000000');
  await page.evaluate(() => {
    window.gaps = [];
    let last = performance.now();
    window.ticker = setInterval(() => {
      const now = performance.now();
      window.gaps.push(now - last);
      last = now;
    }, 10);
  });
  const started = Date.now();
  await page.getByRole('button', { name: 'Run' }).click();
  await page.waitForFunction(() => !document.getElementById('run').disabled, null, { timeout: 60000 });
  const wall = Date.now() - started;
  const result = await page.evaluate(() => {
    clearInterval(window.ticker);
    return { worker: Number(document.body.dataset.runMs), longestGap: Math.max(...window.gaps), status: document.getElementById('run-status').textContent };
  });
  await page.close();
  return { ...result, wall };
}

async function loadTimes(context, url, rounds) {
  const times = [];
  for (let i = 0; i < rounds; i++) {
    const page = await context.newPage();
    await page.goto(url);
    await ready(page);
    times.push(await page.evaluate(() => Number(document.body.dataset.readyMs)));
    await page.close();
  }
  return times;
}

const server = await serve(dist);
try {
  const bench = spawnSync(benchgen, ['--statements', '10000', '--lang', 'lumo'], { maxBuffer: 1 << 28 }).stdout.toString();
  const sizes = ['lumo.wasm', 'lumo.js'].map((f) => {
    const path = join(dist, 'wasm', f);
    return { file: f, bytes: statSync(path).size, gzip: gzipSync(readFileSync(path)).length };
  });

  // A new browser with an empty cache for the first load, then loads from its cache.
  let browser = await launch();
  const cold = await loadTimes(browser.context, server.url, 1);
  const warm = await loadTimes(browser.context, server.url, 5);
  const small = await compileTimes(browser.context, server.url, hundredLines(), 25);
  const large = await compileTimes(browser.context, server.url, bench, 9);
  const run = await longRun(browser.context, server.url);
  await browser.close();

  console.log('Playground figures (headless Chromium, page served by python3 -m http.server)');
  for (const s of sizes) console.log(`  ${s.file}: ${s.bytes} bytes (${s.gzip} gzipped)`);
  console.log(`  WebAssembly files together: ${sizes.reduce((n, s) => n + s.bytes, 0)} bytes`);
  console.log(`  ready (module loaded, first program compiled) after: ${cold[0].toFixed(0)} ms on a first load, ${median(warm).toFixed(0)} ms median of 5 from the cache`);
  console.log(`  100-line program: compile ${small.compile.toFixed(2)} ms, with the page's update ${small.update.toFixed(2)} ms (median of 25)`);
  console.log(`  bench 10k-statement program (${bench.length} bytes): compile ${large.compile.toFixed(1)} ms, with the page's update ${large.update.toFixed(1)} ms (median of 9)`);
  console.log(`  10,000,000 instructions: ${run.worker.toFixed(0)} ms in the worker, ${run.wall} ms from the click to the result; longest pause of the page's thread meanwhile ${run.longestGap.toFixed(0)} ms`);
  console.log(`  (${run.status})`);
} finally {
  server.stop();
}
