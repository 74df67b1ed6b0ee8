// Runs a program away from the page, so that ten million instructions never hold up the
// editor: slices of instructions, with what the program wrote sent after each. The page
// stops a run by ending this worker.
import { loadModule } from './wasm.js';

const sliceSteps = 1000000;
let module = null;

self.onmessage = async ({ data }) => {
  try {
    if (!module) module = await loadModule(data.moduleUrl);
    const sim = new module.Simulator(data.assembly, data.input);
    try {
      if (!sim.assembled()) {
        self.postMessage({ type: 'assemblyError', line: sim.errorLine(), message: sim.errorMessage() });
        return;
      }
      const started = performance.now();
      for (;;) {
        const state = sim.run(sliceSteps, data.limit);
        const output = sim.newOutput().slice();
        self.postMessage({ type: state.ended ? 'done' : 'progress', state, output, ms: performance.now() - started }, [output.buffer]);
        if (state.ended) return;
      }
    } finally {
      sim.delete();
    }
  } catch (e) {
    self.postMessage({ type: 'failed', message: String(e && e.message ? e.message : e) });
  }
};
