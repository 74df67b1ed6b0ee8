// Run and Step. A run goes to a worker (run-worker.js) and can be stopped at any time; a
// stepping session keeps a machine in the page's own module and shows, after every step,
// the registers, the flags, the stack, the value of every declared name, and the place
// reached, on both sides.
import { EditorView } from '@codemirror/view';
import { statementAt } from './compiler.js';
import { setCurrent } from './linking.js';

const $ = (id) => document.getElementById(id);
const maxOutputShown = 200000;
const stepStatementLimit = 1000000;

const outcomeText = {
  halted: 'The program ended',
  overflowTrap: 'Integer overflow',
  divideTrap: 'Divide by zero',
  runtimeError: 'Run-time error',
  stepLimit: 'Stopped at the step limit',
  outputFailed: 'The output could not be written',
};

const hex = (value) => `$${(value & 0xffff).toString(16).toUpperCase().padStart(4, '0')}`;

export class MachinePanel {
  constructor({ editor, assembly, moduleUrl, compileNow }) {
    this.editor = editor;
    this.compileNow = compileNow;
    this.assembly = assembly;
    this.moduleUrl = moduleUrl;
    this.module = null;
    this.compilation = null;
    this.worker = null;
    this.running = false;
    this.session = null;
    this.output = { decoder: new TextDecoder(), shown: 0, cut: false };
    $('run').addEventListener('click', () => this.run());
    $('stop').addEventListener('click', () => this.stop());
    $('step').addEventListener('click', () => this.step());
    $('run').disabled = true;
    $('step').disabled = true;
  }

  attach(module) {
    this.module = module;
    this.refreshButtons();
  }

  compiled(compilation) {
    this.compilation = compilation;
    this.refreshButtons();
  }

  sourceChanged() {
    if (this.session) this.endSession('The program was changed: stepping ended.');
  }

  refreshButtons() {
    const ok = this.module && this.compilation && this.compilation.result.status === 0;
    $('run').disabled = !ok || this.running;
    $('step').disabled = !ok || this.running;
    $('stop').disabled = !this.running && !this.session;
  }

  // The program to run: the text as it stands, compiled now if an edit is still waiting
  // for its compilation.
  program() {
    const { doc } = this.editor.state;
    if (!this.compilation || this.compilation.doc !== doc) this.compileNow();
    const c = this.compilation;
    if (!c || c.doc !== doc || c.result.status !== 0) return null;
    return c;
  }

  limit() {
    const value = Math.floor(Number($('step-limit').value));
    return Number.isFinite(value) && value >= 1 ? value : 10000000;
  }

  // --- Output and messages -----------------------------------------------------------

  clearOutput() {
    $('program-output').textContent = '';
    this.output = { decoder: new TextDecoder(), shown: 0, cut: false };
  }

  appendOutput(bytes, last) {
    const text = this.output.decoder.decode(bytes, { stream: !last });
    if (!text || this.output.cut) return;
    const room = maxOutputShown - this.output.shown;
    const shown = text.length > room ? text.slice(0, room) : text;
    $('program-output').append(shown);
    this.output.shown += shown.length;
    if (text.length > room) {
      this.output.cut = true;
      $('program-output').append(`\n[... output cut after ${maxOutputShown} characters]`);
    }
    const out = $('program-output');
    out.scrollTop = out.scrollHeight;
  }

  status(text, bad = false) {
    $('run-status').textContent = text;
    $('run-status').classList.toggle('bad', bad);
  }

  // Where the machine was, as a Lumo line when its code belongs to a statement.
  place(program, asmLine) {
    const s = statementAt(program.result.ranges, asmLine);
    if (s < 0) return { statement: -1, text: `assembly line ${asmLine}` };
    const st = program.result.statements[s];
    const source = program.source.slice(st.from, st.to).split('\n')[0].trim();
    return { statement: s, text: `line ${st.line} (${source})` };
  }

  describeEnd(program, state, ms) {
    const time = ms === undefined ? '' : ` in ${ms.toFixed(0)} ms`;
    const steps = `${state.steps.toLocaleString('en')} instructions${time}`;
    switch (state.outcome) {
      case 'halted':
        return { text: `The program ended after ${steps}.`, bad: false, line: 0 };
      case 'overflowTrap':
      case 'divideTrap': {
        const where = this.place(program, state.trapLine);
        return { text: `${outcomeText[state.outcome]} at ${where.text}, after ${steps}.`, bad: true, line: state.trapLine };
      }
      case 'runtimeError':
      case 'stepLimit': {
        const where = this.place(program, state.line);
        return { text: `${outcomeText[state.outcome]} at ${where.text}: ${state.message}, after ${steps}.`, bad: true, line: state.line };
      }
      default:
        return { text: `${outcomeText[state.outcome] || state.outcome}: ${state.message}`, bad: true, line: state.line };
    }
  }

  // Shows a place of the program on both sides: an assembly line and its statement.
  showPlace(program, asmLine) {
    const current = asmLine > 0 ? { line: asmLine, statement: statementAt(program.result.ranges, asmLine) } : null;
    this.editor.dispatch({ effects: setCurrent.of(current) });
    this.assembly.dispatch({ effects: setCurrent.of(current) });
    if (!current) return;
    const { doc } = this.assembly.state;
    if (asmLine <= doc.lines) this.assembly.dispatch({ effects: scrollTo(this.assembly, doc.line(asmLine).from) });
    if (current.statement >= 0) {
      const st = program.result.statements[current.statement];
      this.editor.dispatch({ effects: scrollTo(this.editor, Math.min(st.from, this.editor.state.doc.length)) });
    }
  }

  // --- Run ---------------------------------------------------------------------------

  refuse() {
    this.status('The program does not compile: see the error below the source.', true);
  }

  run() {
    if (this.running) return;
    const program = this.program();
    if (!program) return this.refuse();
    if (this.session) this.endSession('');
    this.clearOutput();
    this.showPlace(program, 0);
    this.running = true;
    this.refreshButtons();
    this.status('Running...');
    if (!this.worker) this.worker = new Worker(new URL('./run-worker.js', import.meta.url), { type: 'module' });
    this.worker.onmessage = ({ data }) => this.fromWorker(program, data);
    this.worker.onerror = (event) => this.finishRun(`The run failed: ${event.message || 'the worker stopped'}`, true);
    this.worker.postMessage({ moduleUrl: this.moduleUrl, assembly: program.result.output, input: $('program-input').value, limit: this.limit() });
  }

  fromWorker(program, data) {
    if (data.output) this.appendOutput(data.output, data.type === 'done');
    if (data.type === 'progress') {
      this.status(`Running... ${data.state.steps.toLocaleString('en')} instructions`);
    } else if (data.type === 'done') {
      const end = this.describeEnd(program, data.state, data.ms);
      this.finishRun(end.text, end.bad);
      if (end.line > 0) this.showPlace(program, end.line);
      document.body.dataset.runMs = String(data.ms);
    } else if (data.type === 'assemblyError') {
      this.finishRun(`The assembler refused line ${data.line}: ${data.message}`, true);
    } else {
      this.finishRun(`The run failed: ${data.message}`, true);
    }
  }

  finishRun(text, bad) {
    this.running = false;
    this.status(text, bad);
    this.refreshButtons();
  }

  stop() {
    if (this.running) {
      // Ending the worker stops the run at once, wherever it is.
      this.worker.terminate();
      this.worker = null;
      this.finishRun('Stopped.', false);
    } else if (this.session) {
      this.endSession('Stepping ended.');
    }
  }

  // --- Step --------------------------------------------------------------------------

  step() {
    if (this.running) return;
    if (!this.session || this.session.ended) {
      if (!this.startSession()) return;
      if ($('step-by').value === 'statement') {
        this.advance(() => this.session.sim.runToStop(stepStatementLimit));
        return;
      }
    }
    const byStatement = $('step-by').value === 'statement';
    this.advance(() => (byStatement ? this.session.sim.runToStop(stepStatementLimit) : this.session.sim.step()));
  }

  startSession() {
    const program = this.program();
    if (!program) {
      this.refuse();
      return false;
    }
    if (this.session) this.endSession('');
    const sim = new this.module.Simulator(program.result.output, $('program-input').value);
    if (!sim.assembled()) {
      this.status(`The assembler refused line ${sim.errorLine()}: ${sim.errorMessage()}`, true);
      sim.delete();
      return false;
    }
    // Stepping by statement stops before the first instruction of each statement's code.
    const lines = sim.instructionLines().slice();
    const stops = new Uint8Array(lines.length);
    const seen = new Set();
    for (let i = 0; i < lines.length; i++) {
      const s = statementAt(program.result.ranges, lines[i]);
      if (s >= 0 && !seen.has(s)) {
        seen.add(s);
        stops[i] = 1;
      }
    }
    sim.setStops(stops);
    this.session = { sim, program, lines, names: this.declaredNames(program, sim), previous: new Map(), ended: false };
    this.clearOutput();
    $('machine').hidden = false;
    this.refreshButtons();
    return true;
  }

  advance(doStep) {
    const session = this.session;
    const state = doStep();
    this.appendOutput(session.sim.newOutput().slice(), state.ended);
    this.showMachine(state);
    if (state.ended) {
      session.ended = true;
      const end = this.describeEnd(session.program, state);
      this.status(`${end.text} Step again to start over.`, end.bad);
      this.showPlace(session.program, end.line > 0 ? end.line : state.line);
    } else {
      const where = this.place(session.program, state.pcLine);
      this.status(`${state.steps.toLocaleString('en')} instructions executed; next: ${where.text}.`);
      this.showPlace(session.program, state.pcLine);
    }
  }

  endSession(message) {
    if (!this.session) return;
    this.session.sim.delete();
    this.session = null;
    $('machine').hidden = true;
    this.editor.dispatch({ effects: setCurrent.of(null) });
    this.assembly.dispatch({ effects: setCurrent.of(null) });
    if (message) this.status(message);
    this.refreshButtons();
  }

  // Every declared name, with its type and where its value lives.
  declaredNames(program, sim) {
    const names = [];
    for (const st of program.result.statements) {
      if (st.kind !== 'declaration') continue;
      const m = /^(const\s+)?(int|bool|string)\s+([A-Za-z_][A-Za-z0-9_]*)/.exec(program.source.slice(st.from, st.to));
      if (m) names.push({ name: m[3], type: m[2], constant: Boolean(m[1]) });
    }
    // The compiler names the data of `x` sym_x.
    for (const n of names) n.address = sim.dataAddress(`sym_${n.name}`);
    return names;
  }

  valueOf(sim, name) {
    if (name.address < 0) return '?';
    if (name.type === 'int') return String(sim.word(name.address));
    if (name.type === 'bool') return sim.word(name.address) !== 0 ? 'true' : 'false';
    let text = '';
    for (let a = name.address; a < 0x10000 && text.length < 60; a++) {
      const b = sim.byte(a);
      if (b === 0) break;
      text += String.fromCharCode(b);
    }
    return JSON.stringify(text);
  }

  showMachine(state) {
    const { sim, previous } = this.session;
    const cell = (id, value) => {
      const el = $(id);
      el.classList.toggle('changed', previous.has(id) && previous.get(id) !== value);
      el.textContent = value;
      previous.set(id, value);
    };
    cell('reg-a', `${sim.a()}`);
    cell('reg-b', `${sim.b()}`);
    cell('reg-sp', hex(sim.sp()));
    cell('flag-n', sim.negative() ? '1' : '0');
    cell('flag-z', sim.zero() ? '1' : '0');
    cell('flag-v', sim.overflow() ? '1' : '0');
    const { doc } = this.assembly.state;
    const next = state.ended ? 'the program has ended' : `line ${state.pcLine}: ${state.pcLine <= doc.lines ? doc.line(state.pcLine).text.trim() : ''}`;
    $('reg-pc').textContent = next;

    const stack = $('stack');
    stack.replaceChildren();
    const words = sim.sp() > 0 ? sim.stack() : [];
    if (words.length > 0) {
      for (let i = 0; i < words.length; i += 2) {
        const li = document.createElement('li');
        li.textContent = `${hex(words[i])}: ${words[i + 1]}`;
        stack.append(li);
      }
    } else {
      const li = document.createElement('li');
      li.className = 'empty';
      li.textContent = '(empty)';
      stack.append(li);
    }

    const table = $('names');
    table.replaceChildren();
    for (const n of this.session.names) {
      const row = table.insertRow();
      const head = document.createElement('th');
      head.scope = 'row';
      head.textContent = n.name;
      row.append(head);
      row.insertCell().textContent = `${n.constant ? 'const ' : ''}${n.type}`;
      const value = row.insertCell();
      value.id = `name-${n.name}`;
      cell(value.id, this.valueOf(sim, n));
    }
  }
}

function scrollTo(view, pos) {
  const block = view.lineBlockAt(pos);
  const top = view.scrollDOM.scrollTop;
  const inSight = block.top >= top && block.bottom <= top + view.scrollDOM.clientHeight;
  return inSight ? [] : [EditorView.scrollIntoView(pos, { y: 'center' })];
}
