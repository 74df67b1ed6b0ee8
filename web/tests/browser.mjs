// Headless Chromium (Debian's, driven by playwright-core) on the built page, served as
// static files by `python3 -m http.server` exactly as a user would serve the folder.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

export const chromiumArgs = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

// Serves `folder` on a free loopback port; resolves to { url, stop }.
export function serve(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder], {
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    let said = '';
    const timer = setTimeout(() => reject(new Error(`http.server did not start: ${said}`)), 10000);
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const match = /port (\d+)/.exec(said);
      if (match) {
        clearTimeout(timer);
        resolve({ url: `http://127.0.0.1:${match[1]}/`, stop: () => server.kill() });
      }
    });
    server.stderr.on('data', () => {});
    server.on('error', reject);
  });
}

export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'lumo-web-profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: chromiumArgs,
    viewport: { width: 1400, height: 900 },
    acceptDownloads: true,
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A page with the playground loaded and its first compilation done.
export async function openPlayground(context, url) {
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(e.message));
  await page.goto(url);
  await page.waitForSelector('body[data-ready="true"][data-compiling="done"]', { timeout: 15000 });
  page.problems = problems;
  return page;
}

// Waits for the compilation that follows an edit.
export async function compiled(page) {
  await page.waitForSelector('body[data-compiling="done"]', { timeout: 5000 });
}

export async function replaceSource(page, text) {
  const editor = page.getByRole('textbox', { name: 'Lumo source' });
  await editor.click();
  await page.keyboard.press('Control+A');
  await page.keyboard.press('Delete');
  // Typed a line at a time, without leading blanks, since the editor keeps the indentation
  // by itself. It also closes brackets and quotes: since the text is typed from start to
  // end, all that lies after the cursor is what it added, taken away before each line ends.
  const lines = text.split('\n');
  for (let i = 0; i < lines.length; i++) {
    if (i > 0) await page.keyboard.press('Enter');
    await page.keyboard.type(lines[i]);
    await page.keyboard.press('Control+Shift+End');
    await page.keyboard.press('Delete');
  }
  await page.waitForSelector('body[data-compiling="pending"]', { timeout: 2000 }).catch(() => {});
  await compiled(page);
}

// The whole text of the Assembly tab (or the listing), as its download button gives it.
export async function downloadShown(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.locator('#download').click()]);
  const stream = await download.createReadStream();
  const chunks = [];
  for await (const chunk of stream) chunks.push(chunk);
  return Buffer.concat(chunks);
}

export async function sourceText(page) {
  return page.evaluate(() =>
    [...document.querySelectorAll('#editor .cm-content > .cm-line')].map((line) => line.textContent).join('\n'),
  );
}
