// The playground page: the editor, compiling as you type, the assembly and the listing
// beside the source, diagnostics, examples and links that hold a program.
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { Compartment, EditorState } from '@codemirror/state';
import {
  EditorView,
  drawSelection,
  highlightActiveLine,
  highlightActiveLineGutter,
  highlightSpecialChars,
  keymap,
  lineNumbers,
} from '@codemirror/view';
import { bracketMatching, defaultHighlightStyle, syntaxHighlighting } from '@codemirror/language';
import { lintKeymap, setDiagnostics } from '@codemirror/lint';

import { Compiler, statementAt, statementAtPosition } from './compiler.js';
import { examples, mistakes } from './examples.js';
import { lumoLanguage, koruLanguage } from './lumo-language.js';
import { assemblyLinking, colours, linkedStatement, setLinked, setMapping, sourceLinking } from './linking.js';
import { hintFor } from './hints.js';
import { programFromHash, shareLink } from './share.js';
import { loadModule, moduleUrl } from './wasm.js';
import { MachinePanel } from './machine-panel.js';
import './style.css';

const $ = (id) => document.getElementById(id);
const compileDelayMs = 150;
// Longer programs would hold the page for a second or more at each keystroke, and their
// assembly would not fit an editor: lumoc is the tool for them.
const maxSourceBytes = 1 << 20;

// Asked for first, so that the module loads while the editors are being set up.
const moduleLoaded = loadModule(moduleUrl(document.baseURI));

const page = {
  compiler: null,
  compiled: null, // the last compilation: { source, result, colours }
  listingShown: false,
  timer: 0,
};

// --- The editors ---------------------------------------------------------------------

const editor = new EditorView({
  parent: $('editor'),
  state: EditorState.create({
    doc: '',
    // What a student needs of an editor; no completion, folding or search, which would
    // make the page slower to start for little use in programs of a screen or two.
    extensions: [
      lineNumbers(),
      highlightActiveLineGutter(),
      highlightSpecialChars(),
      history(),
      drawSelection(),
      bracketMatching(),
      highlightActiveLine(),
      syntaxHighlighting(defaultHighlightStyle),
      keymap.of([...defaultKeymap, ...historyKeymap, ...lintKeymap, indentWithTab]),
      lumoLanguage,
      sourceLinking(),
      EditorView.contentAttributes.of({ 'aria-label': 'Lumo source' }),
      EditorView.updateListener.of((update) => {
        if (update.docChanged) {
          scheduleCompile();
          panel.sourceChanged();
        } else if (update.selectionSet && update.view.hasFocus) {
          linkFromSource(update.state.selection.main.head, false);
        }
      }),
    ],
  }),
});

// The pane shows lumoc's output: assembly, highlighted as such, or a diagnostic, as plain text.
const assemblyLanguage = new Compartment();

const assembly = new EditorView({
  parent: $('assembly'),
  state: EditorState.create({
    doc: '',
    extensions: [
      lineNumbers(),
      syntaxHighlighting(defaultHighlightStyle),
      assemblyLanguage.of(koruLanguage),
      assemblyLinking(),
      EditorState.readOnly.of(true),
      EditorView.contentAttributes.of({ 'aria-label': 'Assembly code', tabindex: '0' }),
    ],
  }),
});

// --- Compiling -----------------------------------------------------------------------

function scheduleCompile() {
  document.body.dataset.compiling = 'pending';
  clearTimeout(page.timer);
  page.timer = setTimeout(compileNow, compileDelayMs);
}

function compileNow() {
  clearTimeout(page.timer);
  if (!page.compiler) return;
  const started = performance.now();
  const { doc } = editor.state;
  const source = doc.toString();
  let result;
  try {
    if (source.length > maxSourceBytes) throw new RangeError(tooLong(source));
    result = page.compiler.compile(source);
  } catch (e) {
    const message = e instanceof RangeError ? e.message : `The compiler failed: ${e}`;
    result = { status: -1, output: '', error: { from: 0, to: 0, line: 0, column: 0, message }, statements: [], ranges: [] };
  }
  const shades = colours(result.statements);
  const mapping = result.status === 0 ? { statements: result.statements, ranges: result.ranges, colours: shades } : null;

  const shown = page.compiled ? page.compiled.result.output : '';
  const shownOk = page.compiled ? page.compiled.result.status === 0 : true;
  const effects = [setMapping.of(mapping)];
  if (shownOk !== (result.status === 0)) effects.push(assemblyLanguage.reconfigure(result.status === 0 ? koruLanguage : []));
  assembly.dispatch({ changes: smallestChange(shown, result.output), effects });
  page.compiled = { source, doc, result, colours: shades };
  editor.dispatch(setDiagnostics(editor.state, diagnosticsOf(result)));
  editor.dispatch({ effects: setMapping.of(mapping) });
  showDiagnosticList(result);
  $('compile-status').textContent =
    result.status === 0
      ? `Compiled in ${result.compileMs.toFixed(1)} ms: ${assembly.state.doc.lines} lines of assembly`
      : 'Not compiled: see the error below the source';
  $('compile-status').classList.toggle('bad', result.status !== 0);
  if (page.listingShown) showListing();
  panel.compiled(page.compiled);
  // For measuring from outside: the compilation alone, and everything the page did with it.
  document.body.dataset.compileMs = result.compileMs;
  document.body.dataset.updateMs = performance.now() - started;
  document.body.dataset.compiling = 'done';
}

// An edit of one statement changes a few lines of a long assembly: giving the editor only
// what changed spares it rebuilding the whole text and its line heights on every keystroke.
// Strings compared a block at a time: the engine compares a block's characters in native
// code, and the loop in JavaScript only runs over the last, differing block.
export function smallestChange(before, after) {
  const block = 4096;
  const shorter = Math.min(before.length, after.length);
  let start = 0;
  while (start + block <= shorter && before.slice(start, start + block) === after.slice(start, start + block)) start += block;
  while (start < shorter && before.charCodeAt(start) === after.charCodeAt(start)) start++;
  let end = 0;
  const room = shorter - start;
  while (end + block <= room && before.slice(before.length - end - block, before.length - end) === after.slice(after.length - end - block, after.length - end)) end += block;
  while (end < room && before.charCodeAt(before.length - 1 - end) === after.charCodeAt(after.length - 1 - end)) end++;
  return { from: start, to: before.length - end, insert: after.slice(start, after.length - end) };
}

function tooLong(source) {
  const megabytes = (source.length / (1 << 20)).toFixed(1);
  return `This program is ${megabytes} MB long: the playground compiles programs of up to 1 MB. Compile longer ones with lumoc.`;
}

function diagnosticsOf(result) {
  if (!result.error || result.error.line === 0) return [];
  const { from, to, message } = result.error;
  const hint = hintFor(result);
  const length = editor.state.doc.length;
  // An error at the very end has no token to underline: the last character stands in.
  const start = Math.min(from, length);
  const end = Math.max(Math.min(to, length), start);
  const span = start === end && start > 0 ? [start - 1, start] : [start, end];
  return [{ from: span[0], to: span[1], severity: 'error', source: 'lumoc', message: hint ? `${message}\n\nHint: ${hint}` : message }];
}

function showDiagnosticList(result) {
  const list = $('diagnostics');
  list.replaceChildren();
  if (!result.error) return;
  const item = document.createElement('li');
  item.className = 'diagnostic';
  const where = document.createElement('button');
  where.type = 'button';
  where.className = 'where';
  where.textContent = result.error.line > 0 ? `Line ${result.error.line}, column ${result.error.column}` : 'Error';
  where.addEventListener('click', () => {
    editor.dispatch({ selection: { anchor: Math.min(result.error.from, editor.state.doc.length) }, scrollIntoView: true });
    editor.focus();
  });
  const message = document.createElement('pre');
  message.className = 'message';
  message.textContent = result.error.message;
  item.append(where, message);
  const hint = hintFor(result);
  if (hint) {
    const p = document.createElement('p');
    p.className = 'hint';
    p.textContent = `Hint: ${hint}`;
    item.append(p);
  }
  list.append(item);
}

function showListing() {
  const source = editor.state.doc.toString();
  $('listing').textContent = page.compiler ? page.compiler.compile(source, { listing: true }).output : '';
}

// --- Linking the two sides -----------------------------------------------------------

function mapping() {
  const c = page.compiled;
  // Texts are immutable: the same object is the same text, without comparing characters.
  return c && c.result.status === 0 && c.doc === editor.state.doc ? c.result : null;
}

function link(statement, scrollSource, scrollAssembly) {
  const m = mapping();
  const s = m ? statement : -1;
  if (s !== linkedStatement(editor)) {
    editor.dispatch({ effects: setLinked.of(s) });
    assembly.dispatch({ effects: setLinked.of(s) });
  }
  if (s < 0) return;
  const st = m.statements[s];
  if (scrollAssembly && st.ranges.length > 0) revealLine(assembly, st.ranges[0].first);
  if (scrollSource) revealPosition(editor, st.from);
}

function linkFromSource(pos, fromMouse) {
  const m = mapping();
  link(m ? statementAtPosition(m.statements, pos) : -1, false, true, fromMouse);
}

function revealLine(view, lineNumber) {
  if (lineNumber < 1 || lineNumber > view.state.doc.lines) return;
  revealPosition(view, view.state.doc.line(lineNumber).from);
}

// Scrolls only when the place is out of sight, so that the side being read keeps still.
function revealPosition(view, pos) {
  const { from, to } = view.viewport;
  const block = view.lineBlockAt(pos);
  const top = view.scrollDOM.scrollTop;
  const visible = pos >= from && pos <= to && block.top >= top && block.bottom <= top + view.scrollDOM.clientHeight;
  if (!visible) view.dispatch({ effects: EditorView.scrollIntoView(pos, { y: 'center' }) });
}

editor.contentDOM.addEventListener('mousemove', (event) => {
  const pos = editor.posAtCoords({ x: event.clientX, y: event.clientY });
  if (pos !== null) linkFromSource(pos, true);
});
assembly.contentDOM.addEventListener('mousemove', (event) => {
  const m = mapping();
  const pos = assembly.posAtCoords({ x: event.clientX, y: event.clientY });
  if (!m || pos === null) return;
  link(statementAt(m.ranges, assembly.state.doc.lineAt(pos).number), true, false);
});
for (const view of [editor, assembly]) view.contentDOM.addEventListener('mouseleave', () => link(-1));

// --- Tabs ----------------------------------------------------------------------------

function showTab(listing) {
  page.listingShown = listing;
  $('tab-assembly').setAttribute('aria-selected', String(!listing));
  $('tab-listing').setAttribute('aria-selected', String(listing));
  $('tab-assembly').tabIndex = listing ? -1 : 0;
  $('tab-listing').tabIndex = listing ? 0 : -1;
  $('assembly').hidden = listing;
  $('listing').hidden = !listing;
  $('download').textContent = listing ? 'Download listing' : 'Download .asm';
  if (listing) showListing();
}
$('tab-assembly').addEventListener('click', () => showTab(false));
$('tab-listing').addEventListener('click', () => showTab(true));
$('tab-assembly').parentElement.addEventListener('keydown', (event) => {
  if (event.key !== 'ArrowLeft' && event.key !== 'ArrowRight') return;
  showTab(!page.listingShown);
  (page.listingShown ? $('tab-listing') : $('tab-assembly')).focus();
});

// What is shown, as a file: the assembly (or the diagnostic), or the listing in its tab.
$('download').addEventListener('click', () => {
  const listing = page.listingShown;
  const text = listing ? $('listing').textContent : assembly.state.doc.toString();
  const name = ($('examples').value.split(':')[1] || 'program') + (listing ? '.txt' : '.asm');
  const url = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
  const a = Object.assign(document.createElement('a'), { href: url, download: name });
  a.click();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
});

// --- Examples and links --------------------------------------------------------------

function setProgram(source, input) {
  editor.dispatch({ changes: { from: 0, to: editor.state.doc.length, insert: source } });
  if (input !== undefined) $('program-input').value = input;
  compileNow();
  showCodeStart();
}

function fillExamples() {
  const select = $('examples');
  const groups = [
    ['Examples', examples],
    ['Common mistakes', mistakes],
  ];
  const none = new Option('(your program)', '');
  select.append(none);
  for (const [label, programs] of groups) {
    const group = document.createElement('optgroup');
    group.label = label;
    for (const p of programs) group.append(new Option(p.name, `${label === 'Examples' ? 'example' : 'mistake'}:${p.name}`));
    select.append(group);
  }
  select.addEventListener('change', () => {
    const program = findProgram(select.value);
    if (program) setProgram(program.source, program.input);
  });
}

function findProgram(value) {
  const [kind, name] = value.split(':');
  return (kind === 'example' ? examples : kind === 'mistake' ? mistakes : []).find((p) => p.name === name);
}

function showNotice(text) {
  $('notice').textContent = text;
  $('notice').hidden = !text;
}

function loadExample(name) {
  const program = examples.find((p) => p.name === name) || examples[0];
  $('examples').value = `example:${program.name}`;
  setProgram(program.source, program.input);
}

// A new program's assembly is shown from its code on: the header above it is the same
// for every program.
function showCodeStart() {
  const lines = assembly.state.doc;
  for (let n = 1; n <= Math.min(lines.lines, 5000); n++) {
    if (lines.line(n).text === 'main') {
      assembly.dispatch({ effects: EditorView.scrollIntoView(lines.line(Math.max(1, n - 2)).from, { y: 'start' }) });
      return;
    }
  }
}

// A link's program replaces the editor's; a broken link leaves a notice and the first
// example in its place.
function loadFromHash() {
  const program = programFromHash(location.hash);
  if (!program) return false;
  $('examples').value = '';
  if (program.error) {
    showNotice(`${program.error} The gcd example is shown instead.`);
    loadExample('gcd');
  } else {
    showNotice('');
    setProgram(program.source, '');
  }
  return true;
}

$('share').addEventListener('click', () => {
  const link = shareLink(location, editor.state.doc.toString());
  window.history.replaceState(null, '', link);
  $('share-box').hidden = false;
  $('share-link').value = link;
  $('share-link').select();
  $('copy-status').textContent = '';
});
$('copy-link').addEventListener('click', async () => {
  const link = $('share-link').value;
  try {
    await navigator.clipboard.writeText(link);
    $('copy-status').textContent = 'Copied';
  } catch {
    // Without clipboard access (an insecure origin, a denied permission) the selected text
    // field is the way: the link is there to copy by hand.
    $('share-link').select();
    $('copy-status').textContent = 'Press Ctrl+C to copy';
  }
});
window.addEventListener('hashchange', loadFromHash);

// --- Start ---------------------------------------------------------------------------

const panel = new MachinePanel({ editor, assembly, moduleUrl: moduleUrl(document.baseURI), compileNow: () => compileNow() });

fillExamples();
if (!loadFromHash()) loadExample('gcd');
$('compile-status').textContent = 'Loading the compiler...';

moduleLoaded
  .then((module) => {
    page.compiler = new Compiler(module);
    panel.attach(module);
    compileNow();
    showCodeStart();
    document.body.dataset.readyMs = performance.now();
    document.body.dataset.ready = 'true';
  })
  .catch((e) => {
    $('compile-status').textContent = `The compiler could not be loaded: ${e}`;
    $('compile-status').classList.add('bad');
  });
