// The WebAssembly compiler against the native one: for every program of the corpus, the
// same exit status and the same output bytes, assembly or diagnostic, and the same listing
// as lumolist; and the statement map as the page reads it out of the module.
//
// The corpus: examples/ (with the common mistakes), fuzz/corpus/, programs lumogen writes
// for a range of seeds (correct ones and ones with a planted fault of each kind), the
// benchmark's 10k-statement program, and nesting at the limit and one past it.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { loadModule, required, stdinFile } from './module.mjs';

const dist = required('LUMO_WEB_DIST');
const source = required('LUMO_SOURCE_DIR');
const lumoc = required('LUMOC');
const lumolist = required('LUMOLIST');
const lumogen = required('LUMOGEN');
const benchgen = required('BENCHGEN');

const module = await loadModule(dist);

// The tool reads the program from a file, as `lumoc < file` does: through a pipe, a tool
// that stops reading at an early error would make the writer fail.
function native(tool, input) {
  const run = spawnSync(tool, [], { stdio: [stdinFile(input), 'pipe', 'pipe'], maxBuffer: 1 << 30 });
  if (run.error) throw run.error;
  return { status: run.status, output: run.stdout };
}

function wasm(input, listing = false) {
  const summary = module.compile(input, listing, !listing);
  return { status: summary.status, output: Buffer.from(module.outputBytes()), summary };
}

function files(folder, pattern) {
  return readdirSync(folder)
    .filter((name) => pattern.test(name))
    .sort()
    .map((name) => ({ name, bytes: readFileSync(join(folder, name)) }));
}

function generated(args) {
  const run = spawnSync(lumogen, args, { maxBuffer: 1 << 28 });
  assert.equal(run.status, 0, `lumogen ${args.join(' ')}: ${run.stderr}`);
  return run.stdout;
}

const nested = (depth) => Buffer.from(`int x;\n{ x = ${'('.repeat(depth)}1${')'.repeat(depth)}; }\n`);

const corpus = [
  ...files(join(source, 'examples'), /\.lumo$/).map((f) => ({ ...f, name: `examples/${f.name}` })),
  ...files(join(source, 'examples/broken'), /\.lumo$/).map((f) => ({ ...f, name: `examples/broken/${f.name}` })),
  ...files(join(source, 'fuzz/corpus'), /./).map((f) => ({ ...f, name: `fuzz/corpus/${f.name}` })),
];
for (let seed = 1; seed <= 150; seed++) corpus.push({ name: `lumogen seed ${seed}`, bytes: generated(['--seed', String(seed)]) });
for (const fault of ['lexical', 'syntax', 'static', 'type']) {
  for (let seed = 1; seed <= 25; seed++) {
    corpus.push({ name: `lumogen ${fault} fault, seed ${seed}`, bytes: generated(['--seed', String(seed), '--fault', fault]) });
  }
}
const bench = spawnSync(benchgen, ['--statements', '10000', '--lang', 'lumo'], { maxBuffer: 1 << 28 });
assert.equal(bench.status, 0, String(bench.stderr));
corpus.push({ name: 'benchgen 10000 statements', bytes: bench.stdout });
corpus.push({ name: 'parentheses 1000 deep', bytes: nested(1000) });
corpus.push({ name: 'parentheses 1001 deep', bytes: nested(1001) });
corpus.push({ name: 'empty text', bytes: Buffer.alloc(0) });

test('the corpus holds what it should', () => {
  const statuses = new Set(corpus.map((c) => native(lumoc, c.bytes).status));
  // Compiled programs, each kind of error, and the nesting limit.
  for (const status of [0, 1, 30]) assert.ok(statuses.has(status), `no program with status ${status}`);
  assert.ok([...statuses].some((s) => s > 100 && s < 108), 'no static semantic error');
  assert.ok([...statuses].some((s) => s > 200 && s < 226), 'no type error');
  assert.ok(corpus.length > 300, `only ${corpus.length} programs`);
});

test('assembly and diagnostics are byte for byte those of lumoc', () => {
  for (const { name, bytes } of corpus) {
    const expected = native(lumoc, bytes);
    const got = wasm(new Uint8Array(bytes));
    assert.equal(got.status, expected.status, `${name}: status`);
    assert.ok(got.output.equals(expected.output), `${name}: output differs from lumoc's`);
    assert.equal(got.summary.diagnosed, expected.status !== 0, `${name}: diagnosed`);
  }
});

test('listings are byte for byte those of lumolist', () => {
  for (const { name, bytes } of corpus.filter((c) => c.name.startsWith('examples/') || c.name.includes('seed 1'))) {
    const expected = native(lumolist, bytes);
    const got = wasm(new Uint8Array(bytes), true);
    assert.equal(got.status, expected.status, `${name}: status`);
    assert.ok(got.output.equals(expected.output), `${name}: listing differs from lumolist's`);
  }
});

test('a text given as a string compiles as its UTF-8 bytes', () => {
  const text = 'const string s = "grüße, 日本 🙂";\n{ cout << s; }\n';
  const expected = native(lumoc, Buffer.from(text, 'utf8'));
  assert.equal(expected.status, 0);
  assert.ok(wasm(text).output.equals(expected.output));
});

// The statement map as the binding lays it out: per statement its kind, parent and the
// offset, line and column of both ends; per range its statement and lines.
test('the statement map read out of the module is whole and in order', () => {
  const kindWords = { 1: /^[A-Za-z_]/, 2: /^if\b/, 3: /^while\b/, 4: /^cin\b/, 5: /^cout\b/ };
  for (const { name, bytes } of corpus.filter((c) => c.name.startsWith('examples/'))) {
    const got = wasm(new Uint8Array(bytes));
    if (got.status !== 0) continue;
    const text = bytes.toString('latin1');
    const words = module.statementWords().slice();
    const ranges = module.rangeWords().slice();
    const lines = got.output.toString('latin1').split('\n');
    const main = lines.indexOf('main') + 1;
    assert.equal(words.length, got.summary.statements * 8, name);
    for (let s = 0; s < got.summary.statements; s++) {
      const [kind, parent, from, line, column, to] = words.subarray(s * 8, s * 8 + 6);
      assert.ok(parent < s, `${name}: statement ${s} has parent ${parent}`);
      assert.equal(text.lastIndexOf('\n', from - 1) + 2, from - column + 2, `${name}: column of ${s}`);
      assert.equal(text.slice(0, from).split('\n').length, line, `${name}: line of ${s}`);
      assert.equal(text[to - 1], ';', `${name}: statement ${s} ends after its ';'`);
      if (kindWords[kind]) assert.match(text.slice(from), kindWords[kind], `${name}: statement ${s}`);
    }
    // Every line from the one after "main" to the footer's first, each once, in order.
    let next = main + 1;
    for (let r = 0; r < ranges.length; r += 3) {
      assert.ok(ranges[r] >= 0 && ranges[r] < got.summary.statements, `${name}: range ${r / 3}`);
      assert.equal(ranges[r + 1], next, `${name}: range ${r / 3} starts where the last one ended`);
      assert.ok(ranges[r + 2] >= ranges[r + 1]);
      next = ranges[r + 2] + 1;
    }
    assert.ok(next > main + 1, `${name}: no code mapped`);
  }
});

// Type errors are reported at the token after the expression, here the ';'.
test('a diagnostic says where its token begins', () => {
  const cases = [
    { text: 'int x;\n{ x = 1 + true; }', status: 206, line: 2, column: 15 },
    { text: 'int x;\n{\n  y = 1;\n}', status: 102, line: 3, column: 3 },
    { text: 'int x;\n{ x = 1 }', status: 8, line: 2, column: 9 },
    { text: 'int x;\n{ x = 1 $ 2; }', status: 7, line: 2, column: 9 },
  ];
  for (const c of cases) {
    const { summary } = wasm(c.text);
    assert.equal(summary.status, native(lumoc, Buffer.from(c.text)).status, c.text);
    assert.deepEqual([summary.status, summary.errorLine, summary.errorColumn], [c.status, c.line, c.column], c.text);
  }
});

// The simulator's side: every example, run in slices as the page's worker runs it, prints
// its .out (the three that stop on a trap end with the trap's message), and the traps are
// told apart from a plain end, with the branch that entered the handler.
test('every example run in the module prints its .out', () => {
  const expectedEnd = { factorial: 'overflowTrap', powers_of_two: 'overflowTrap', divide_by_zero: 'divideTrap' };
  for (const { name, bytes } of files(join(source, 'examples'), /\.lumo$/)) {
    const example = name.replace(/\.lumo$/, '');
    assert.equal(wasm(new Uint8Array(bytes)).status, 0, example);
    const assembly = Buffer.from(module.outputBytes()).toString('latin1');
    let input = '';
    try {
      input = readFileSync(join(source, 'examples', `${example}.in`), 'latin1');
    } catch {}
    const sim = new module.Simulator(assembly, input);
    try {
      assert.ok(sim.assembled(), example);
      let state;
      const chunks = [];
      do {
        state = sim.run(1000, 1e8);
        chunks.push(Buffer.from(sim.newOutput()));
      } while (!state.ended);
      assert.equal(state.outcome, expectedEnd[example] || 'halted', example);
      const expected = readFileSync(join(source, 'examples', `${example}.out`));
      assert.ok(Buffer.concat(chunks).equals(expected), `${example}: output differs from its .out`);
      if (expectedEnd[example]) {
        const lines = assembly.split('\n');
        assert.match(lines[state.trapLine - 1], expectedEnd[example] === 'overflowTrap' ? /^\tBVS/ : /^\tBEQ/, example);
      }
    } finally {
      sim.delete();
    }
  }
});

test('a run stops at its step limit and after a fault, saying where', () => {
  const run = (text, input, limit) => {
    wasm(text);
    const assembly = Buffer.from(module.outputBytes()).toString('latin1');
    const sim = new module.Simulator(assembly, input);
    let state;
    do state = sim.run(7, limit);
    while (!state.ended);
    const lines = assembly.split('\n');
    sim.delete();
    return { ...state, text: lines[state.line - 1] };
  };
  const loop = run('int i;\n{ while (true) { i = i + 1; }; }', '', 1000);
  assert.deepEqual([loop.outcome, loop.steps], ['stepLimit', 1000]);
  const missing = run('int a;\n{ cin >> a; cin >> a; }', '5', 1e6);
  assert.equal(missing.outcome, 'runtimeError');
  assert.match(missing.message, /no number left/);
  assert.equal(missing.text, '\tJSR  getdword');
  const bad = run('int a;\n{ cin >> a; }', 'seven', 1e6);
  assert.match(bad.message, /'seven' is not a number/);
});

test('stepping stops where asked, and names are found at their addresses', () => {
  wasm(readFileSync(join(source, 'examples', 'gcd.lumo')));
  const assembly = Buffer.from(module.outputBytes()).toString('latin1');
  const lines = assembly.split('\n');
  const sim = new module.Simulator(assembly, '1071 462');
  const [a, b, nothing, code] = ['sym_a', 'sym_b', 'sym_nothing', 'main'].map((name) => sim.dataAddress(name));
  assert.deepEqual([nothing, code], [-1, -1]);
  const first = sim.step();
  assert.equal(lines[first.line - 1], '\tMOVE #$DF,SP');
  assert.equal(lines[first.pcLine - 1], '\tJMP  main');
  const stops = new Uint8Array(sim.instructionLines().length);
  const remainder = lines.indexOf('\tMOVE A,sym_remainder') + 1;
  stops[sim.instructionLines().indexOf(remainder)] = 1;
  sim.setStops(stops);
  const state = sim.runToStop(1e6);
  assert.equal(state.pcLine, remainder);
  assert.deepEqual([sim.word(a), sim.word(b), sim.sp(), sim.a()], [1071, 462, 0xdf, 147]);
  // A stop on the next instruction does not hold the next call, which goes round the loop
  // to it again: the remainders of Euclid's algorithm, then the end.
  const remainders = [sim.a()];
  let next;
  while (!(next = sim.runToStop(1e6)).ended) remainders.push(sim.a());
  assert.deepEqual(remainders, [147, 21, 0]);
  assert.equal(next.outcome, 'halted');
  assert.equal(Buffer.from(sim.newOutput()).toString(), '21\n');
  sim.delete();
});
