// The playground as a student uses it, in headless Chromium: pick an example and read its
// assembly, type a program, meet an error, follow a statement to its code, open a link.
// A screenshot of the page with each example goes to LUMO_WEB_SHOTS, to be looked at.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { compiled, downloadShown, launch, openPlayground, replaceSource, serve, sourceText } from './browser.mjs';
import { required, stdinFile } from './module.mjs';

const dist = required('LUMO_WEB_DIST');
const source = required('LUMO_SOURCE_DIR');
const lumoc = required('LUMOC');
const lumolist = required('LUMOLIST');
const shots = process.env.LUMO_WEB_SHOTS || join(dist, '..', 'screenshots');
mkdirSync(shots, { recursive: true });

const native = (tool, input) => spawnSync(tool, [], { stdio: [stdinFile(input), 'pipe', 'pipe'], maxBuffer: 1 << 30 }).stdout;

let server;
let browser;
let page;

before(async () => {
  server = await serve(dist);
  browser = await launch();
  page = await openPlayground(browser.context, server.url);
});

after(async () => {
  const problems = page ? page.problems : [];
  await browser?.close();
  server?.stop();
  assert.deepEqual(problems, [], 'errors were thrown in the page');
});

test('every example shows lumoc\'s assembly beside its source', async () => {
  const examples = readdirSync(join(source, 'examples')).filter((n) => n.endsWith('.lumo')).sort();
  assert.ok(examples.length > 5);
  for (const file of examples) {
    const name = file.replace(/\.lumo$/, '');
    const text = readFileSync(join(source, 'examples', file));
    await page.getByLabel('Example').selectOption(`example:${name}`);
    await compiled(page);
    assert.ok((await downloadShown(page)).equals(native(lumoc, text)), `${name}: assembly differs from lumoc's`);
    const input = join(source, 'examples', `${name}.in`);
    const expectedInput = spawnSync('cat', [input]).stdout.toString();
    assert.equal(await page.getByLabel('Program input').inputValue(), expectedInput, `${name}: its input`);
    // Statements with code are coloured on both sides.
    assert.ok((await page.locator('#editor .stmt').count()) > 0, `${name}: no coloured statement`);
    assert.ok((await page.locator('#assembly .cm-line.stmt').count()) > 0, `${name}: no coloured assembly`);
    await page.screenshot({ path: join(shots, `example-${name}.png`) });
  }
});

test('a program typed into the editor is compiled as it is typed', async () => {
  const program = 'int n = 3;\nconst string s = "*";\n{\nwhile (n > 0) {\ncout << s;\nn = n - 1;\n};\n}';
  await replaceSource(page, program);
  assert.equal(await sourceText(page), program);
  assert.ok((await downloadShown(page)).equals(native(lumoc, Buffer.from(program))));
  await assert.doesNotReject(page.getByRole('status').filter({ hasText: /^Compiled in/ }).waitFor());
  await page.getByLabel('Example').selectOption('');
});

test('an error is underlined at its token, explained on hover and listed', async () => {
  const cases = [
    // A type error is reported at the token that ends the expression.
    { program: 'int x;\n{\nx = 1 + true;\n}', line: 3, column: 13, token: ';', message: /Type error 206/ },
    { program: 'int x;\n{\ncout << y;\n}', line: 3, column: 9, token: 'y', message: /Static semantic error 102/ },
    { program: 'int x;\n{\nx = 1 $ 2;\n}', line: 3, column: 7, token: '$', message: /Unrecognised character/ },
    { program: 'bool b;\n{\nwhile (b) {\nb = false;\n}\n}', line: 6, column: 1, token: '}', message: /Syntax error 8/ },
  ];
  for (const c of cases) {
    await replaceSource(page, c.program);
    const underline = page.locator('#editor .cm-lintRange-error');
    await underline.waitFor();
    assert.equal(await underline.count(), 1, c.program);
    assert.equal(await underline.textContent(), c.token, c.program);
    // Line and column of the underline, counted in the editor's own lines.
    const where = await underline.evaluate((mark) => {
      const line = mark.closest('.cm-line');
      const lines = [...line.parentElement.querySelectorAll(':scope > .cm-line')];
      const range = document.createRange();
      range.setStart(line, 0);
      range.setEndBefore(mark);
      return { line: lines.indexOf(line) + 1, column: range.toString().length + 1 };
    });
    assert.deepEqual(where, { line: c.line, column: c.column }, c.program);
    const listed = page.getByRole('list', { name: 'Diagnostics' });
    assert.match(await listed.textContent(), new RegExp(`Line ${c.line}, column ${c.column}`));
    assert.match(await listed.textContent(), c.message);
    await underline.hover();
    const tooltip = page.locator('.cm-tooltip-lint');
    await tooltip.waitFor();
    assert.match(await tooltip.textContent(), c.message);
    if (c === cases[0]) await page.screenshot({ path: join(shots, 'error-underlined.png') });
    // The Assembly pane shows what lumoc printed: the diagnostic.
    assert.ok((await downloadShown(page)).equals(native(lumoc, Buffer.from(c.program))));
    await page.mouse.move(0, 0);
  }
});

test('a mistake with a hint gets lumo check\'s hint in the list and on hover; one without, none', async () => {
  const cases = [
    { program: 'int x;\n{\nx = -1;\n}', hint: /Hint: Lumo has no unary minus: write '0 - 1' for '-1'/ },
    { program: 'int i;\nint j;\n{\ncout << i * j;\n}', hint: /Hint: 'cout <<' prints one name, not an expression/ },
    // A mistake lumo check has no hint for gets none here either.
    { program: 'int x;\n{\nx = 1 + true;\n}', hint: null },
  ];
  for (const c of cases) {
    await replaceSource(page, c.program);
    const underline = page.locator('#editor .cm-lintRange-error');
    await underline.waitFor();
    const listed = await page.getByRole('list', { name: 'Diagnostics' }).textContent();
    if (c.hint === null) {
      assert.doesNotMatch(listed, /Hint:/, c.program);
      continue;
    }
    assert.match(listed, c.hint, c.program);
    await underline.hover();
    const tooltip = page.locator('.cm-tooltip-lint');
    await tooltip.waitFor();
    assert.match(await tooltip.textContent(), c.hint, c.program);
    await page.mouse.move(0, 0);
  }
});

test('hovering a statement lights up its code, and hovering code its statement', async () => {
  await page.getByLabel('Example').selectOption('example:gcd');
  await compiled(page);
  await page.locator('#editor .cm-line', { hasText: 'cin >> b;' }).locator('.stmt').first().hover();
  const linkedCode = page.locator('#assembly .cm-line.linked');
  await linkedCode.first().waitFor();
  assert.deepEqual(await linkedCode.allTextContents(), ['\tJSR  getdword', '\tMOVE A,sym_b']);
  await page.locator('#assembly .cm-line', { hasText: 'MOVE A,sym_remainder' }).hover();
  const linkedSource = page.locator('#editor .linked');
  await linkedSource.first().waitFor();
  assert.equal(await linkedSource.first().textContent(), 'remainder = a % b;');
  await page.mouse.move(0, 0);
});

test('the Listing tab shows lumolist\'s listing', async () => {
  await page.getByRole('tab', { name: 'Listing' }).click();
  const listing = page.getByRole('tabpanel', { name: 'Listing' });
  assert.ok(await listing.isVisible());
  const expected = native(lumolist, readFileSync(join(source, 'examples', 'gcd.lumo')));
  assert.equal(await listing.textContent(), expected.toString());
  assert.ok((await downloadShown(page)).equals(expected));
  await page.getByRole('tab', { name: 'Assembly' }).click();
  assert.ok(await page.getByRole('tabpanel', { name: 'Assembly' }).isVisible());
});

test('a shared link opens the same program, and a broken one says so', async () => {
  const program = 'const string greeting = "Grüße, 世界\\n";\n{\ncout << greeting;\n}';
  await replaceSource(page, program);
  await page.getByRole('button', { name: 'Share' }).click();
  const link = await page.getByLabel('Link to this program').inputValue();
  assert.match(link, /#code=[A-Za-z0-9_-]+$/);
  assert.equal(page.url(), link);
  await browser.context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: server.url.replace(/\/$/, '') });
  await page.getByRole('button', { name: 'Copy link' }).click();
  await page.locator('#copy-status', { hasText: 'Copied' }).waitFor();
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), link);
  const other = await openPlayground(browser.context, link);
  assert.equal(await sourceText(other), program);
  assert.ok((await downloadShown(other)).equals(native(lumoc, Buffer.from(program))));
  await other.goto(`${server.url}#code=%%%not-base64`);
  await other.reload();
  await other.waitForSelector('body[data-ready="true"]');
  assert.match(await other.getByRole('alert').textContent(), /no readable program/);
  assert.equal(await other.getByLabel('Example').inputValue(), 'example:gcd');
  assert.deepEqual(other.problems, []);
  await other.close();
});

test('a program over 1 MB is not compiled as it is typed, and the page says why', async () => {
  const program = `int x;\n{\n${'x = 1;\n'.repeat(160000)}}\n`;
  await page.goto(`${server.url}#code=${Buffer.from(program).toString('base64url')}`);
  await page.reload();
  await page.waitForSelector('body[data-ready="true"][data-compiling="done"]');
  assert.match(await page.getByRole('list', { name: 'Diagnostics' }).textContent(), /1\.1 MB long: the playground compiles programs of up to 1 MB/);
  assert.ok(await page.getByRole('button', { name: 'Run' }).isDisabled());
});

test('a program nested 1000 deep compiles in the page, and 1001 deep is refused', async () => {
  for (const [depth, pattern] of [
    [1000, /^Compiled in/],
    [1001, /^Not compiled/],
  ]) {
    const program = `int x;\n{ x = ${'('.repeat(depth)}1${')'.repeat(depth)}; }\n`;
    // Too long to type: the link carries it in.
    await page.goto(`${server.url}#code=${Buffer.from(program).toString('base64url')}`);
    await page.reload();
    await page.waitForSelector('body[data-ready="true"][data-compiling="done"]');
    assert.match(await page.locator('#compile-status').textContent(), pattern, `${depth} deep`);
    assert.ok((await downloadShown(page)).equals(native(lumoc, Buffer.from(program))), `${depth} deep`);
  }
});

async function pick(name) {
  await page.getByLabel('Example').selectOption(`example:${name}`);
  await compiled(page);
}

async function runToEnd() {
  await page.getByRole('button', { name: 'Run' }).click();
  await page.waitForFunction(() => !document.getElementById('run').disabled, null, { timeout: 20000 });
  return page.locator('#run-status').textContent();
}

test('Run: gcd reads its input and prints its answer', async () => {
  await pick('gcd');
  await page.getByLabel('Program input').fill('1071 462');
  assert.match(await runToEnd(), /^The program ended after 127 instructions/);
  assert.equal(await page.getByLabel('Program output').textContent(), '21\n');
  await page.getByLabel('Program input').fill('84 36');
  await runToEnd();
  assert.equal(await page.getByLabel('Program output').textContent(), '12\n');
  // Run right after an edit runs the edited program, without waiting for the pause.
  await page.getByRole('textbox', { name: 'Lumo source' }).click();
  await page.keyboard.press('Control+Home');
  for (let i = 0; i < 4; i++) await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Home');
  await page.keyboard.press('Shift+End');
  await page.keyboard.type('const string newline = "!";');
  await runToEnd();
  assert.equal(await page.getByLabel('Program output').textContent(), '12!');
});

test('Run: a trap and a run-time error are shown at their Lumo line', async () => {
  await pick('factorial');
  assert.match(await runToEnd(), /^Integer overflow at line 9 \(product = product \* n;\)/);
  assert.match(await page.getByLabel('Program output').textContent(), /7! = 5040\nInteger overflow!\n$/);
  assert.equal(await page.locator('#editor .cm-line.current').textContent(), '        product = product * n;');
  assert.match(await page.locator('#assembly .cm-line.current').textContent(), /BVS/);
  await pick('gcd');
  await page.getByLabel('Program input').fill('1071');
  assert.match(await runToEnd(), /^Run-time error at line 8 \(cin >> b;\): getdword: no number left in the input/);
  assert.equal(await page.locator('#editor .cm-line.current').textContent(), '    cin >> b;');
});

test('Run: a long run keeps the page alive and Stop ends it', async () => {
  await replaceSource(page, 'int i;\n{\nwhile (true) {\ni = i + 1;\nif (i > 30000) {\ni = 0;\n};\n};\n}');
  await page.getByLabel('Step limit').fill('1000000000');
  await page.getByRole('button', { name: 'Run' }).click();
  await page.locator('#run-status', { hasText: /Running\.\.\. [0-9,]+ instructions/ }).waitFor();
  // The page answers while the worker runs: typing in the input box goes through.
  await page.getByLabel('Program input').fill('still here');
  assert.equal(await page.getByLabel('Program input').inputValue(), 'still here');
  await page.getByRole('button', { name: 'Stop' }).click();
  assert.equal(await page.locator('#run-status').textContent(), 'Stopped.');
  assert.ok(!(await page.getByRole('button', { name: 'Run' }).isDisabled()));
  await page.getByLabel('Step limit').fill('250000');
  assert.match(await runToEnd(), /^Stopped at the step limit at line \d+ \(.*\): step limit of 250000 reached, after 250,000 instructions/);
  await page.getByLabel('Step limit').fill('10000000');
});

test('Step: three statements of gcd, then the registers and the names', async () => {
  await pick('gcd');
  await page.getByLabel('Program input').fill('1071 462');
  await page.getByLabel('Step by').selectOption('statement');
  for (let i = 0; i < 3; i++) await page.getByRole('button', { name: 'Step' }).click();
  const registers = page.getByRole('table', { name: 'Registers' });
  const value = (name) => registers.getByRole('row', { name: new RegExp(`^${name} `) }).getByRole('cell').first().textContent();
  assert.equal(await value('A'), '462');
  assert.equal(await value('B'), '0');
  assert.equal(await value('SP'), '$00DF');
  const names = page.getByRole('table', { name: 'Names' });
  assert.equal(await names.getByRole('row', { name: /^a / }).getByRole('cell').last().textContent(), '1071');
  assert.equal(await names.getByRole('row', { name: /^b / }).getByRole('cell').last().textContent(), '462');
  assert.equal(await names.getByRole('row', { name: /^newline / }).getByRole('cell').last().textContent(), '"\\n"');
  // The while's condition is next, on both sides.
  assert.equal(await page.locator('#editor .cm-line.current').textContent(), '    while (b != 0) {');
  assert.equal(await page.locator('#assembly .cm-line.current').textContent(), '\tMOVE sym_b,A');
  await page.screenshot({ path: join(shots, 'stepping-gcd.png') });
  // By instruction: two more, into the condition; the stack holds the pushed b.
  await page.getByLabel('Step by').selectOption('instruction');
  await page.getByRole('button', { name: 'Step' }).click();
  await page.getByRole('button', { name: 'Step' }).click();
  assert.equal(await value('SP'), '$00DD');
  assert.deepEqual(await page.getByRole('list', { name: 'Stack' }).getByRole('listitem').allTextContents(), ['$00DD: 462']);
  assert.equal(await page.locator('#assembly .cm-line.current').textContent(), '\tMOVE #^0,A');
  // Editing ends the session.
  await page.getByRole('textbox', { name: 'Lumo source' }).press('End');
  await page.keyboard.type(' ');
  await compiled(page);
  assert.ok(await page.getByRole('table', { name: 'Registers' }).isHidden());
});
